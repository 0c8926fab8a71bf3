#include "simulator.h"

#include "firmware.h"
#include "inputs.h"

#include "clock.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>
#include <QTextStream>

#include <cmath>
#include <cstring>
#include <limits>

namespace sim {

namespace {

const char kStateMagic[] = "orvex-sim-state-2";
// Sixteen receivers with both copies and the boot region written fit
// many times over.
constexpr qint64 kMaxStateBytes = 64 << 20;

constexpr const char *kOpNames[kOpCount] = {
    "LookForOrvexWithSpecifiedPID", "GetVersion", "GetFlashInfo", "GetHeader2Checksum",
    "SetWriteMode", "WriteFlashHeader", "WriteFlashCode", "WriteFlashSector",
    "PrepareToCloseConnection", "RestartWithCodeInPosition", "CloseConnection", "InitializeConnection",
};

QByteArray Erased(int size)
{
    return QByteArray(size, char(0xFF));
}

void Say(const QString &file, const QString &problem)
{
    QTextStream(stderr) << "orvex simulator: " << file << ": " << problem << "\n";
}

} // namespace

const char *OpName(Op op)
{
    return kOpNames[size_t(op)];
}

std::optional<Op> OpNamed(const QString &name)
{
    for (int i = 0; i < kOpCount; ++i) {
        if (name == QLatin1String(kOpNames[i]))
            return Op(i);
    }
    return std::nullopt;
}

bool ReceiverModel::operator==(const ReceiverModel &other) const
{
    return checksWholeCode == other.checksWholeCode && fallsBackToOtherCopy == other.fallsBackToOtherCopy
        && bootCodeOffersAskedSlot == other.bootCodeOffersAskedSlot
        && reportsCopy1Version == other.reportsCopy1Version;
}

QString ReceiverModel::Name() const
{
    return QStringList{checksWholeCode ? QStringLiteral("whole code") : QStringLiteral("header sums"),
                       fallsBackToOtherCopy ? QStringLiteral("fallback") : QStringLiteral("no fallback"),
                       bootCodeOffersAskedSlot ? QStringLiteral("asked slot") : QStringLiteral("other slot"),
                       reportsCopy1Version ? QStringLiteral("copy 1 version")
                                           : QStringLiteral("running version")}
        .join(QStringLiteral(", "));
}

QList<ReceiverModel> ReceiverModel::All()
{
    QList<ReceiverModel> models;
    for (const bool wholeCode : {true, false})
        for (const bool fallback : {true, false})
            for (const bool asked : {true, false})
                for (const bool copy1 : {false, true})
                    models << ReceiverModel{wholeCode, fallback, asked, copy1};
    return models;
}

bool ReadCapped(const QString &file, qint64 limit, QByteArray *bytes, QString *error)
{
    // Opening a pipe with no writer would block for ever.
    if (QFileInfo::exists(file) && !QFileInfo(file).isFile()) {
        *error = QStringLiteral("is not a regular file");
        return false;
    }
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot be read (%1)").arg(in.errorString());
        return false;
    }
    // The size a file reports may be a lie: read one byte past the limit
    // and no more.
    *bytes = in.read(limit + 1);
    if (bytes->size() > limit) {
        bytes->clear();
        *error = QStringLiteral("is larger than %1 bytes").arg(limit);
        return false;
    }
    return true;
}

bool Fault::Fails(int callNumber) const
{
    return always || callNumber < answerFrom || failCalls.contains(callNumber);
}

Receiver::Receiver()
    : capacity(kDefaultCapacity)
    , boot(Erased(kBootRegionSize))
    , markers{Erased(kSectorSize), Erased(kSectorSize)}
{
}

quint32 Receiver::SlotAddress(int position)
{
    return position == 1 ? kSlot1Address : kSlot2Address;
}

std::optional<FirmwareIdentity> Receiver::SlotIdentity(int position) const
{
    if (position != 1 && position != 2)
        return std::nullopt;
    const Slot &slot = codeSlots[position - 1];
    if (!HeaderValid(slot.header, SlotAddress(position)))
        return std::nullopt;
    const quint32 length = ReadBigEndian32(slot.header, 8);
    if (length > capacity || length > quint32(slot.code.size()))
        return std::nullopt;
    const auto identity = ReadIdentity(QByteArray::fromRawData(slot.code.constData(), int(length)));
    if (!identity || identity->copy == 0 || identity->length != length)
        return std::nullopt;
    return identity;
}

bool Receiver::SlotIntact(int position) const
{
    return SlotIdentity(position).has_value();
}

std::optional<FirmwareIdentity> Receiver::BootIdentity() const
{
    const auto identity = ReadIdentity(QByteArray::fromRawData(boot.constData(), kBootCodeSize));
    return identity && identity->copy == 0 ? identity : std::nullopt;
}

bool Receiver::BootCodeIntact() const
{
    return BootIdentity().has_value();
}

bool Receiver::SlotBootable(int position) const
{
    if (model.checksWholeCode)
        return SlotIntact(position);
    if (position != 1 && position != 2)
        return false;
    const Slot &slot = codeSlots[position - 1];
    return HeaderValid(slot.header, SlotAddress(position)) && ReadBigEndian32(slot.header, 8) <= capacity;
}

void Receiver::Boot(int position)
{
    const auto bootIdentity = BootIdentity();
    if (!bootIdentity) {
        running = kDead;
        return;
    }
    const int other = position == 1 ? 2 : 1;
    int chosen = 0;
    if (SlotBootable(position))
        chosen = position;
    else if (model.fallsBackToOtherCopy && SlotBootable(other))
        chosen = other;
    if (chosen == 0) {
        running = 0;
        runningIdentity = *bootIdentity;
        return;
    }
    // Started on its header alone, a copy with damaged code crashes.
    const auto identity = SlotIdentity(chosen);
    if (!identity) {
        running = kDead;
        return;
    }
    running = chosen;
    runningIdentity = *identity;
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
    PowerUp();
    Save();
}

void Receiver::PowerUp()
{
    plugged = true;
    connected = false;
    writeArmed = sectorArmed = prepared = false;
    writeSlot = 0;
    Boot(startPosition == 1 ? 1 : 2);
    reachableAtMs = Clock::Current().NowMs();
}

bool Receiver::Reachable() const
{
    return plugged && running != kDead && Clock::Current().NowMs() >= reachableAtMs;
}

bool Receiver::OldFlashProtocol() const
{
    return sim::OldFlashProtocol(runningIdentity.version, runningIdentity.build);
}

int Receiver::OfferedSlot() const
{
    // The copy not running; from the boot code, as the model says.
    if (running == 0) {
        const int asked = startPosition == 2 ? 2 : 1;
        return model.bootCodeOffersAskedSlot ? asked : 3 - asked;
    }
    return running == 2 ? 1 : 2;
}

bool Receiver::Open()
{
    if (!Enter(Op::LookForOrvexWithSpecifiedPID, false) || !Reachable())
        return false;
    connected = true;
    writeArmed = sectorArmed = prepared = false;
    return true;
}

bool Receiver::Enter(Op op, bool needsConnection, int *landingBytes, int bytes)
{
    ++calls;
    const int callNumber = ++callCounts[op];
    Clock::Current().Sleep(latencyMs);
    if (landingBytes)
        *landingBytes = 0;

    if (plugged && unplugAtCall > 0 && calls == unplugAtCall) {
        if (landingBytes && connected && tornWriteBytes > 0)
            *landingBytes = qMin(tornWriteBytes, bytes);
        unpluggedDuring = op;
        tornBytesLanded = landingBytes ? *landingBytes : 0;
        Unplug();
        return false;
    }
    if (!plugged || running == kDead)
        return false;
    if (needsConnection && !connected) {
        violations << QStringLiteral("%1 while disconnected").arg(QLatin1String(OpName(op)));
        return false;
    }
    if (faults[op].Fails(callNumber))
        return false;
    if (landingBytes)
        *landingBytes = bytes;
    return true;
}

void Receiver::Record(Op op, quint32 a, quint32 b, const unsigned char *data, int size)
{
    if (!keepLog)
        return;
    Call call;
    call.op = op;
    call.a = a;
    call.b = b;
    if (data && size > 0)
        call.data = QByteArray(reinterpret_cast<const char *>(data), size);
    log << call;
}

void Receiver::MaybeCorrupt(Op op, char *landed)
{
    if (faults[op].corruptCalls.contains(callCounts[op]))
        landed[0] ^= 0x5A;
}

bool Receiver::Refuse(const QString &why)
{
    violations << why;
    return false;
}

bool Receiver::GetVersion(CMDHAND_VERSIONstruct &version)
{
    Record(Op::GetVersion, 0, 0, nullptr, 0);
    if (!Enter(Op::GetVersion, true))
        return false;
    std::memset(&version, 0, sizeof version);
    const std::optional<FirmwareIdentity> copy1 = model.reportsCopy1Version ? SlotIdentity(1) : std::nullopt;
    const FirmwareIdentity &reported = copy1 ? *copy1 : runningIdentity;
    version.version = versionNaN ? std::numeric_limits<double>::quiet_NaN() : reported.version;
    version.build = reported.build;
    version.codePosition = running;
    version.startPosition = startPosition;
    return true;
}

bool Receiver::GetFlashInfo(CMDHAND_FLASH_INFOstruct &info, bool newFormat)
{
    Record(Op::GetFlashInfo, newFormat, 0, nullptr, 0);
    if (!Enter(Op::GetFlashInfo, true))
        return false;
    info.flashBase = 0;
    info.codeAddress = SlotAddress(OfferedSlot());
    info.codeCapacity = capacity;
    std::memset(info.reserved, 0, sizeof info.reserved);
    return true;
}

bool Receiver::GetHeader2Checksum(CMDHAND_FLASH_INFOstruct &info)
{
    Record(Op::GetHeader2Checksum, 0, 0, nullptr, 0);
    if (!Enter(Op::GetHeader2Checksum, true))
        return false;
    const QByteArray &header = codeSlots[1].header;
    info.header2SumA = header.size() == kHeaderSize ? ReadBigEndian32(header, 56) : 0xFFFFFFFF;
    info.header2SumB = header.size() == kHeaderSize ? ReadBigEndian32(header, 60) : 0xFFFFFFFF;
    return true;
}

bool Receiver::SetWriteMode(CMDHAND_WRITE_MODE mode)
{
    Record(Op::SetWriteMode, quint32(mode), 0, nullptr, 0);
    if (!Enter(Op::SetWriteMode, true))
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
    Record(Op::WriteFlashHeader, 0, 0, header, kHeaderSize);
    int landing = 0;
    const bool through = Enter(Op::WriteFlashHeader, true, &landing, kHeaderSize);
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
    MaybeCorrupt(Op::WriteFlashHeader, slot.header.data());
    slot.code.clear();
    Save();
    return through;
}

bool Receiver::WriteFlashCode(unsigned int offset, unsigned int count, const unsigned char *data)
{
    const int bytes = count <= kMaxBlocksPerCodeWrite ? int(count) * kSectorSize : 0;
    Record(Op::WriteFlashCode, offset, count, data, bytes);
    int landing = 0;
    const bool through = Enter(Op::WriteFlashCode, true, &landing, bytes);
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
    MaybeCorrupt(Op::WriteFlashCode, code.data() + byteOffset);
    Save();
    return through;
}

bool Receiver::WriteFlashSector(unsigned int address, const unsigned char *data)
{
    Record(Op::WriteFlashSector, address, 0, data, kSectorSize);
    int landing = 0;
    const bool through = Enter(Op::WriteFlashSector, true, &landing, kSectorSize);
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
    MaybeCorrupt(Op::WriteFlashSector, target->data() + at);
    Save();
    return through;
}

bool Receiver::PrepareToCloseConnection()
{
    Record(Op::PrepareToCloseConnection, 0, 0, nullptr, 0);
    if (!Enter(Op::PrepareToCloseConnection, true))
        return false;
    prepared = true;
    return true;
}

bool Receiver::RestartWithCodeInPosition(int position)
{
    Record(Op::RestartWithCodeInPosition, quint32(position), 0, nullptr, 0);
    if (!Enter(Op::RestartWithCodeInPosition, true))
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
    Record(Op::CloseConnection, 0, 0, nullptr, 0);
    if (!Enter(Op::CloseConnection, false))
        return false;
    connected = false;
    return true;
}

bool Receiver::InitializeConnection()
{
    Record(Op::InitializeConnection, 0, 0, nullptr, 0);
    if (!Enter(Op::InitializeConnection, false) || !Reachable())
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
        << runningIdentity.copy << model.checksWholeCode << model.fallsBackToOtherCopy
        << model.bootCodeOffersAskedSlot << model.reportsCopy1Version;
}

bool Receiver::Read(QDataStream &in)
{
    qint32 runningIn = 0, startIn = 0, restartIn = 0, latencyIn = 0;
    in >> pid >> runningIn >> startIn >> restartIn >> latencyIn >> capacity >> plugged >> boot
        >> markers[0] >> markers[1];
    for (Slot &slot : codeSlots)
        in >> slot.header >> slot.code;
    in >> runningIdentity.version >> runningIdentity.build >> runningIdentity.pid
        >> runningIdentity.copy >> model.checksWholeCode >> model.fallsBackToOtherCopy
        >> model.bootCodeOffersAskedSlot >> model.reportsCopy1Version;
    running = runningIn;
    startPosition = startIn;
    restartTimeMs = restartIn;
    latencyMs = latencyIn;
    // The same bounds as a scenario's.
    const bool sizesRight = boot.size() == int(kBootRegionSize) && markers[0].size() == kSectorSize
        && markers[1].size() == kSectorSize;
    const bool timesRight = restartTimeMs >= 0 && restartTimeMs <= kMaxRestartMs && latencyMs >= 0 && latencyMs <= kMaxLatencyMs;
    return in.status() == QDataStream::Ok && sizesRight && timesRight && running >= kDead && running <= 2
        && startPosition >= 0 && startPosition <= 2;
}

Bus &Bus::Instance()
{
    static Bus bus;
    return bus;
}

void Bus::Reset()
{
    receivers.clear();
    box.reset();
    boxReceiver.reset();
    hadTurn.clear();
    releaseLog.clear();
    stateFile.clear();
    stateLock.reset();
    configured = true;
}

std::shared_ptr<Receiver> Bus::Attach(std::shared_ptr<Receiver> receiver)
{
    configured = true;
    receivers << receiver;
    return receiver;
}

bool Bus::LockStateFile(QString *error)
{
    // Two runs saving into one file would lose each other's writes.
    stateLock = std::make_unique<QLockFile>(stateFile + QStringLiteral(".lock"));
    stateLock->setStaleLockTime(0);
    if (stateLock->tryLock(0))
        return true;
    // A dead run's lock that this user may not remove (another user's).
    qint64 holder = 0;
    QString host;
    QString application;
    const bool stale = stateLock->getLockInfo(&holder, &host, &application)
        && host == QSysInfo::machineHostName() && ProcessHasEnded(holder);
    *error = stale ? QStringLiteral("has a stale lock (%1) left by a run that has ended; remove it")
                         .arg(stateLock->fileName())
                   : QStringLiteral("in use by another run of the simulated receiver");
    stateLock.reset();
    return false;
}

bool Bus::SaveState()
{
    if (stateFile.isEmpty())
        return true;
    QSaveFile file(stateFile);
    if (file.open(QIODevice::WriteOnly)) {
        QDataStream out(&file);
        out << QByteArray(kStateMagic) << qint32(receivers.size());
        for (const auto &receiver : receivers)
            receiver->Write(out);
        if (file.commit())
            return true;
    }
    if (!saveFailureSaid)
        Say(stateFile, QStringLiteral("cannot be saved (%1); the receiver's changes are lost").arg(file.errorString()));
    saveFailureSaid = true;
    return false;
}

bool Bus::LoadState(const QString &file, QString *error)
{
    QByteArray bytes;
    QList<std::shared_ptr<Receiver>> loaded;
    if (!ReadCapped(file, kMaxStateBytes, &bytes, error) || !ReadState(bytes, &loaded, error))
        return false;
    receivers = loaded;
    return true;
}

bool Bus::ReadState(const QByteArray &bytes, QList<std::shared_ptr<Receiver>> *receivers, QString *error)
{
    QDataStream stream(bytes);
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
        // A new run of the updater meets the receiver plugged in again,
        // as a retry after unplugging it does.
        receiver->PowerUp();
        loaded << receiver;
    }
    *receivers = loaded;
    return true;
}

} // namespace sim
