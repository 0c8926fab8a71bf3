#include "receiver.h"

#include "clock.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>

#include <cmath>
#include <cstring>
#include <limits>

namespace sim {

namespace {

const char kStateMagic[] = "orvex-sim-state-1";

QByteArray Erased(int size)
{
    return QByteArray(size, char(0xFF));
}

} // namespace

bool Fault::Fails(int callNumber) const
{
    return always || callNumber < answerFrom || failCalls.contains(callNumber);
}

Receiver::Receiver()
    : boot(Erased(kBootRegionSize))
    , markers{Erased(kSectorSize), Erased(kSectorSize)}
{
}

quint32 Receiver::SlotAddress(int position)
{
    return position == 1 ? kSlot1Address : kSlot2Address;
}

bool Receiver::SlotValid(int position) const
{
    if (position != 1 && position != 2)
        return false;
    const Slot &slot = codeSlots[position - 1];
    if (!HeaderValid(slot.header, SlotAddress(position)))
        return false;
    const quint32 length = ReadBigEndian32(slot.header, 8);
    if (length > capacity || length > quint32(slot.code.size()))
        return false;
    const auto identity = ReadIdentity(slot.code.left(int(length)));
    return identity && identity->copy != 0 && identity->length == length;
}

void Receiver::Boot(int position)
{
    const auto bootIdentity = ReadIdentity(boot.left(kBootCodeSize));
    if (!bootIdentity || bootIdentity->copy != 0) {
        running = kDead;
        return;
    }
    const int other = position == 1 ? 2 : 1;
    if (SlotValid(position))
        running = position;
    else if (SlotValid(other))
        running = other;
    else
        running = 0;

    if (running == 0) {
        runningIdentity = *bootIdentity;
        return;
    }
    const Slot &slot = codeSlots[running - 1];
    runningIdentity = *ReadIdentity(slot.code.left(int(ReadBigEndian32(slot.header, 8))));
    pid = runningIdentity.pid;
}

void Receiver::Unplug()
{
    plugged = false;
    connected = false;
    Save();
}

void Receiver::Plug()
{
    plugged = true;
    connected = false;
    writeArmed = sectorArmed = prepared = false;
    writeSlot = 0;
    Boot(startPosition == 1 ? 1 : 2);
    reachableAtMs = Clock::Current().NowMs();
    Save();
}

bool Receiver::Reachable() const
{
    return plugged && running != kDead && Clock::Current().NowMs() >= reachableAtMs;
}

bool Receiver::OldFlashProtocol() const
{
    return runningIdentity.version == 3.0 && runningIdentity.build < 28;
}

int Receiver::OfferedSlot() const
{
    // The copy not running; from the boot code, the one not asked for.
    if (running == 0)
        return startPosition == 2 ? 2 : 1;
    return running == 2 ? 1 : 2;
}

bool Receiver::Open()
{
    if (!Enter("LookForOrvexWithSpecifiedPID", false) || !Reachable())
        return false;
    connected = true;
    writeArmed = sectorArmed = prepared = false;
    return true;
}

bool Receiver::Enter(const char *op, bool needsConnection, int *landingBytes, int bytes)
{
    ++calls;
    const int callNumber = ++callCounts[QString::fromLatin1(op)];
    Clock::Current().Sleep(latencyMs);
    if (landingBytes)
        *landingBytes = 0;

    if (plugged && unplugAtCall > 0 && calls == unplugAtCall) {
        if (landingBytes && connected && tornWriteBytes > 0)
            *landingBytes = qMin(tornWriteBytes, bytes);
        Unplug();
        return false;
    }
    if (!plugged || running == kDead)
        return false;
    if (needsConnection && !connected) {
        violations << QStringLiteral("%1 while disconnected").arg(QLatin1String(op));
        return false;
    }
    if (faults.value(QString::fromLatin1(op)).Fails(callNumber))
        return false;
    if (landingBytes)
        *landingBytes = bytes;
    return true;
}

void Receiver::Record(const char *op, quint32 a, quint32 b, const unsigned char *data, int size)
{
    if (!keepLog)
        return;
    Call call;
    call.op = QString::fromLatin1(op);
    call.a = a;
    call.b = b;
    if (data && size > 0)
        call.data = QByteArray(reinterpret_cast<const char *>(data), size);
    log << call;
}

void Receiver::MaybeCorrupt(const char *op, char *landed)
{
    const QString name = QString::fromLatin1(op);
    if (faults.value(name).corruptCalls.contains(callCounts.value(name)))
        landed[0] ^= 0x5A;
}

bool Receiver::Refuse(const QString &why)
{
    violations << why;
    return false;
}

bool Receiver::GetVersion(CMDHAND_VERSIONstruct &version)
{
    Record("GetVersion", 0, 0, nullptr, 0);
    if (!Enter("GetVersion", true))
        return false;
    std::memset(&version, 0, sizeof version);
    version.version = versionNaN ? std::numeric_limits<double>::quiet_NaN() : runningIdentity.version;
    version.build = runningIdentity.build;
    version.codePosition = running;
    version.startPosition = startPosition;
    return true;
}

bool Receiver::GetFlashInfo(CMDHAND_FLASH_INFOstruct &info, bool newFormat)
{
    Record("GetFlashInfo", newFormat, 0, nullptr, 0);
    if (!Enter("GetFlashInfo", true))
        return false;
    info.flashBase = 0;
    info.codeAddress = SlotAddress(OfferedSlot());
    info.codeCapacity = capacity;
    std::memset(info.reserved, 0, sizeof info.reserved);
    return true;
}

bool Receiver::GetHeader2Checksum(CMDHAND_FLASH_INFOstruct &info)
{
    Record("GetHeader2Checksum", 0, 0, nullptr, 0);
    if (!Enter("GetHeader2Checksum", true))
        return false;
    const QByteArray &header = codeSlots[1].header;
    info.header2SumA = header.size() == kHeaderSize ? ReadBigEndian32(header, 56) : 0xFFFFFFFF;
    info.header2SumB = header.size() == kHeaderSize ? ReadBigEndian32(header, 60) : 0xFFFFFFFF;
    return true;
}

bool Receiver::SetWriteMode(CMDHAND_WRITE_MODE mode)
{
    Record("SetWriteMode", quint32(mode), 0, nullptr, 0);
    if (!Enter("SetWriteMode", true))
        return false;
    if (mode == CMDHAND_WRITE_MODE_START) {
        writeArmed = true;
        sectorArmed = false;
        return true;
    }
    if (mode == CMDHAND_WRITE_MODE_SECTOR) {
        if (!writeArmed)
            return Refuse(QStringLiteral("write mode 2 before write mode 1"));
        sectorArmed = true;
        return true;
    }
    return Refuse(QStringLiteral("unknown write mode %1").arg(int(mode)));
}

bool Receiver::WriteFlashHeader(const unsigned char *header)
{
    Record("WriteFlashHeader", 0, 0, header, kHeaderSize);
    int landing = 0;
    const bool through = Enter("WriteFlashHeader", true, &landing, kHeaderSize);
    if (landing == 0)
        return false;
    if (!writeArmed)
        return Refuse(QStringLiteral("header written without write mode 1"));
    if (sectorArmed)
        return Refuse(QStringLiteral("header written after write mode 2"));

    // A new header erases its slot.
    writeSlot = OfferedSlot();
    Slot &slot = codeSlots[writeSlot - 1];
    slot.header = Erased(kHeaderSize);
    std::memcpy(slot.header.data(), header, size_t(landing));
    MaybeCorrupt("WriteFlashHeader", slot.header.data());
    slot.code.clear();
    Save();
    return through;
}

bool Receiver::WriteFlashCode(unsigned int offset, unsigned int count, const unsigned char *data)
{
    const int bytes = count <= kMaxBlocksPerCodeWrite ? int(count) * kSectorSize : 0;
    Record("WriteFlashCode", offset, count, data, bytes);
    int landing = 0;
    const bool through = Enter("WriteFlashCode", true, &landing, bytes);
    if (through && (count == 0 || count > kMaxBlocksPerCodeWrite))
        return Refuse(QStringLiteral("code write of %1 blocks").arg(count));
    if (landing == 0)
        return false;
    if (!writeArmed)
        return Refuse(QStringLiteral("code written without write mode 1"));
    if (sectorArmed)
        return Refuse(QStringLiteral("code written after write mode 2"));
    if (writeSlot == 0 || writeSlot != OfferedSlot())
        return Refuse(QStringLiteral("code written before its header"));
    const quint64 byteOffset = OldFlashProtocol() ? quint64(offset) * kSectorSize : offset;
    if (byteOffset + quint64(bytes) > capacity)
        return Refuse(QStringLiteral("code write past the slot at offset %1").arg(byteOffset));

    QByteArray &code = codeSlots[writeSlot - 1].code;
    const int end = int(byteOffset) + landing;
    if (code.size() < end)
        code.append(Erased(end - code.size()));
    std::memcpy(code.data() + byteOffset, data, size_t(landing));
    MaybeCorrupt("WriteFlashCode", code.data() + byteOffset);
    Save();
    return through;
}

bool Receiver::WriteFlashSector(unsigned int address, const unsigned char *data)
{
    Record("WriteFlashSector", address, 0, data, kSectorSize);
    int landing = 0;
    const bool through = Enter("WriteFlashSector", true, &landing, kSectorSize);
    if (landing == 0)
        return false;
    if (!writeArmed || !sectorArmed)
        return Refuse(QStringLiteral("sector 0x%1 written without write mode 2").arg(address, 0, 16));
    sectorArmed = false;

    QByteArray *target = nullptr;
    int at = 0;
    if (address % kSectorSize == 0 && address + kSectorSize <= kBootRegionSize) {
        target = &boot;
        at = int(address);
    } else if (address == kMarkerAddress1) {
        target = &markers[0];
    } else if (address == kMarkerAddress2) {
        target = &markers[1];
    } else {
        return Refuse(QStringLiteral("sector 0x%1 outside the writable regions").arg(address, 0, 16));
    }
    std::memcpy(target->data() + at, data, size_t(landing));
    MaybeCorrupt("WriteFlashSector", target->data() + at);
    Save();
    return through;
}

bool Receiver::PrepareToCloseConnection()
{
    Record("PrepareToCloseConnection", 0, 0, nullptr, 0);
    if (!Enter("PrepareToCloseConnection", true))
        return false;
    prepared = true;
    return true;
}

bool Receiver::RestartWithCodeInPosition(int position)
{
    Record("RestartWithCodeInPosition", quint32(position), 0, nullptr, 0);
    if (!Enter("RestartWithCodeInPosition", true))
        return false;
    if (position != 1 && position != 2)
        return Refuse(QStringLiteral("restart on position %1").arg(position));
    if (!prepared)
        return Refuse(QStringLiteral("restart without PrepareToCloseConnection"));

    startPosition = position;
    connected = false;
    writeArmed = sectorArmed = prepared = false;
    writeSlot = 0;
    Boot(position);
    reachableAtMs = Clock::Current().NowMs() + restartTimeMs;
    Save();
    return true;
}

bool Receiver::CloseConnection()
{
    Record("CloseConnection", 0, 0, nullptr, 0);
    if (!Enter("CloseConnection", false))
        return false;
    connected = false;
    return true;
}

bool Receiver::InitializeConnection()
{
    Record("InitializeConnection", 0, 0, nullptr, 0);
    if (!Enter("InitializeConnection", false) || !Reachable())
        return false;
    connected = true;
    return true;
}

void Receiver::Save() const
{
    Bus::Instance().SaveState();
}

void Receiver::Write(QDataStream &out) const
{
    out << pid << qint32(running) << qint32(startPosition) << qint32(restartTimeMs)
        << qint32(latencyMs) << capacity << plugged << boot << markers[0] << markers[1];
    for (const Slot &slot : codeSlots)
        out << slot.header << slot.code;
    out << runningIdentity.version << runningIdentity.build << runningIdentity.pid
        << runningIdentity.copy;
}

bool Receiver::Read(QDataStream &in)
{
    qint32 runningIn = 0, startIn = 0, restartIn = 0, latencyIn = 0;
    in >> pid >> runningIn >> startIn >> restartIn >> latencyIn >> capacity >> plugged >> boot
        >> markers[0] >> markers[1];
    for (Slot &slot : codeSlots)
        in >> slot.header >> slot.code;
    in >> runningIdentity.version >> runningIdentity.build >> runningIdentity.pid
        >> runningIdentity.copy;
    running = runningIn;
    startPosition = startIn;
    restartTimeMs = restartIn;
    latencyMs = latencyIn;
    const bool sizesRight = boot.size() == int(kBootRegionSize) && markers[0].size() == kSectorSize
        && markers[1].size() == kSectorSize;
    return in.status() == QDataStream::Ok && sizesRight && running >= kDead && running <= 2;
}

Bus &Bus::Instance()
{
    static Bus bus;
    return bus;
}

void Bus::Reset()
{
    receivers.clear();
    releaseLog.clear();
    stateFile.clear();
    configured = true;
}

std::shared_ptr<Receiver> Bus::Attach(std::shared_ptr<Receiver> receiver)
{
    configured = true;
    receivers << receiver;
    return receiver;
}

void Bus::SaveState() const
{
    if (stateFile.isEmpty())
        return;
    QSaveFile file(stateFile);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QDataStream out(&file);
    out << QByteArray(kStateMagic) << qint32(receivers.size());
    for (const auto &receiver : receivers)
        receiver->Write(out);
    file.commit();
}

bool Bus::LoadState(const QString &file, QString *error)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return false;
    }
    QDataStream stream(&in);
    QByteArray magic;
    qint32 count = 0;
    stream >> magic >> count;
    if (magic != kStateMagic || count < 0 || count > kMaxReceivers) {
        *error = QStringLiteral("not a simulated receiver state file");
        return false;
    }
    QList<std::shared_ptr<Receiver>> loaded;
    for (int i = 0; i < count; ++i) {
        auto receiver = std::make_shared<Receiver>();
        if (!receiver->Read(stream)) {
            *error = QStringLiteral("receiver %1 is damaged").arg(i + 1);
            return false;
        }
        loaded << receiver;
    }
    receivers = loaded;
    return true;
}

} // namespace sim
