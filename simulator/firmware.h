#ifndef ORVEX_SIM_FIRMWARE_H
#define ORVEX_SIM_FIRMWARE_H

#include "simulator.h"

// The layout of the firmware that the simulated receiver can boot. Our
// stand-in images carry an identity record at the start of every code copy
// and of the boot code; the receiver reads what it runs from there.
namespace sim {

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

quint32 ReadBigEndian32(const QByteArray &data, int offset);

// Whether the process with this id on this machine has ended.
bool ProcessHasEnded(qint64 pid);

} // namespace sim

#endif
