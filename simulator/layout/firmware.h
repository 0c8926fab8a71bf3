#ifndef ORVEX_SIM_FIRMWARE_H
#define ORVEX_SIM_FIRMWARE_H

#include "simulator.h"

// The receiver's side of the protocol and the layout of the firmware it
// can boot, stated here on their own, as the device states them: the
// simulator takes nothing of the program's statement (catalogue/,
// engine/protocol.h), so that a slip on either side shows up as a
// difference (tst_protocolfacts compares the two). Our stand-in images
// carry an identity record at the start of every code copy and of the
// boot code; the receiver reads what it runs from there.
namespace sim {

// Flash: the boot region (the boot code from 0, the last 256 bytes of it
// at 0x7F00), two marker sectors, and two copy slots of a header and code.
constexpr quint32 kBootRegionSize = 0x8000;
constexpr int kBootCodeSize = 906;
constexpr quint32 kMarkerAddress1 = 0xF0000;
constexpr quint32 kMarkerAddress2 = 0xFFF00;
constexpr quint32 kSlot1Address = 0x00C10000;
constexpr quint32 kSlot2Address = 0x00C90000;
constexpr quint32 kDefaultCapacity = 0x30000;
constexpr int kSectorSize = 64; // a sector, and a code block
constexpr int kHeaderSize = 64;
constexpr int kMaxBlocksPerCodeWrite = 5;

// The old flash protocol: its code goes to one fixed address, counted in
// blocks.
constexpr quint32 kOldProtocolCodeAddress = 0x8500;
bool OldFlashProtocol(double version, qint32 build);

// identity record: magic[8], version f64, build i32, pid u32, copy u32,
// length u32, crc32 u32, all little-endian; the crc covers `length` bytes
// of the block with the crc field taken as zero.
constexpr int kIdentitySize = 36;

quint32 Crc32(const QByteArray &data);

// A code copy (copy 1 or 2) or the boot code (copy 0) of `size` bytes:
// identity record, then filler that differs per identity and copy.
QByteArray MakeFirmwareBlock(const FirmwareIdentity &identity, int size);

// The identity of a block that is intact, or nothing.
std::optional<FirmwareIdentity> ReadIdentity(const QByteArray &block);

// The header check sums as the newer receivers compute them (over bytes
// 0 to 55 in 16-bit words) and as the older ones do (over bytes 0 to 59,
// the low 16 bits kept).
quint32 HeaderSumA(const QByteArray &header);
quint32 HeaderSumB(const QByteArray &header);
quint16 OldHeaderSumA(const QByteArray &header);
quint16 OldHeaderSumB(const QByteArray &header);

// True when the header belongs at `address` in either header layout and
// its sums are right: what the receiver takes for a copy's header.
bool HeaderValid(const QByteArray &header, quint32 address);

// A 64-byte header with the check sums of the newer receivers.
QByteArray MakeHeader(quint32 address, quint32 codeLength, quint32 copyFlag,
                      quint32 word1, quint32 word5, quint32 word7);

quint32 ReadBigEndian32(const QByteArray &data, int offset);

} // namespace sim

#endif
