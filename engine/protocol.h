#ifndef ORVEX_PROTOCOL_H
#define ORVEX_PROTOCOL_H

#include <cstdint>

// What a receiver's firmware version decides about how to talk to it.

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

#endif
