#ifndef ORVEX_PROTOCOL_H
#define ORVEX_PROTOCOL_H

#include <cstdint>

// The program's side of the protocol: what a receiver's firmware version
// decides about how to talk to it, and the units and places of its flash
// that the updater writes. (The copy start addresses and the boot code's
// size come with the images: catalogue/imagefigures.h.)

// Flash goes in 64-byte sectors (boot code, markers, the last 256 bytes)
// and 64-byte code blocks, up to five blocks a code write.
constexpr int kBlockSize = 64;
constexpr int kHeaderSize = 64;
constexpr uint32_t kBlocksPerCodeWrite = 5;
constexpr uint32_t kMarkerAddresses[] = {0xF0000, 0xFFF00};
constexpr uint32_t kLastBytesAddress = 0x7F00;
constexpr int kLastBytesSize = 256;

// From this version on: headers with 32-bit address and sums, the new
// flash information, marker sectors before the boot code, and no last
// 256 bytes.
constexpr double kNewFormatVersion = 4.5;

// The old flash protocol: version 3.0 exactly, builds below 28. Its flash
// information is fixed, and code goes one block a call, counted in blocks.
constexpr double kOldProtocolVersion = 3.0;
constexpr int32_t kOldProtocolBuildLimit = 28;
constexpr uint32_t kOldProtocolFlashBase = 0x8400;
constexpr uint32_t kOldProtocolCodeAddress = 0x8500;
constexpr uint32_t kOldProtocolCapacity = 0x7FFF;

constexpr bool UsesOldFlashProtocol(double version, int32_t build)
{
    return version == kOldProtocolVersion && build < kOldProtocolBuildLimit;
}

// A copy header's two check sums. The new layout keeps them whole, from
// bytes 0 to 55 read as 28 words of 16 bits, most significant byte first;
// the old layout keeps the low 16 bits, from bytes 0 to 59.
struct HeaderSums {
    uint32_t a;
    uint32_t b;
};

constexpr HeaderSums NewHeaderSums(const unsigned char *header)
{
    HeaderSums sums{0xBEAD, 0xCAFE};
    for (int i = 0; i < 56; i += 2) {
        const uint32_t word = uint32_t(header[i]) << 8 | header[i + 1];
        sums.a += word;
        sums.b += 0xFFFF - word;
    }
    return sums;
}

constexpr HeaderSums OldHeaderSums(const unsigned char *header)
{
    HeaderSums sums{0xBEAD, 0xCAFE};
    for (int i = 0; i < 60; ++i) {
        sums.a += header[i];
        sums.b += 0xFFu - header[i];
    }
    return {sums.a & 0xFFFF, sums.b & 0xFFFF};
}

#endif
