#ifndef ORVEX_SIM_FIRMWARE_H
#define ORVEX_SIM_FIRMWARE_H

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// The layout of the firmware that the simulated receiver can boot. Our
// stand-in images carry an identity record at the start of every code copy
// and of the boot code; the receiver reads what it runs from there.
namespace sim {

constexpr quint32 kSlot1Address = 0x00C10000;
constexpr quint32 kSlot2Address = 0x00C90000;
constexpr quint32 kOldProtocolCodeAddress = 0x8500;
constexpr int kHeaderSize = 64;
constexpr int kBootCodeSize = 906;

// identity record: magic[8], version f64, build i32, pid u32, copy u32,
// length u32, crc32 u32, all little-endian; the crc covers `length` bytes
// of the block with the crc field taken as zero.
constexpr int kIdentitySize = 36;

struct FirmwareIdentity {
    double version = 0.0;
    qint32 build = 0;
    quint32 pid = 0;  // the USB product ID the firmware answers under
    quint32 copy = 0; // 1 or 2 for a code copy, 0 for the boot code
    quint32 length = 0; // bytes the record covers (read back only)
};

quint32 Crc32(const QByteArray &data);

// A code copy (copy 1 or 2) or the boot code (copy 0) of `size` bytes:
// identity record, then filler that differs per identity and copy.
QByteArray MakeFirmwareBlock(const FirmwareIdentity &identity, int size);

// The identity of a block that is intact, or nothing.
std::optional<FirmwareIdentity> ReadIdentity(const QByteArray &block);

// The header check sums as the newer receivers compute them.
quint32 HeaderSumA(const QByteArray &header);
quint32 HeaderSumB(const QByteArray &header);

// A 64-byte header with the check sums of the newer receivers.
QByteArray MakeHeader(quint32 address, quint32 codeLength, quint32 copyFlag,
                      quint32 word1, quint32 word5, quint32 word7);

// True when the header belongs at `address` in either header layout and
// its sums are right.
bool HeaderValid(const QByteArray &header, quint32 address);

quint32 ReadBigEndian32(const QByteArray &data, int offset);

} // namespace sim

#endif
