// The device library calls, answered by the simulated receivers on the bus.

#include "simulator.h"

#include "clock.h"
#include "devicelibrary.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace sim {

namespace {

const char kScenarioVariable[] = "ORVEX_SIM_SCENARIO";
const char kStateVariable[] = "ORVEX_SIM_STATE";
const char kDefaultScenario[] = "default";

// For benches only: the program's waits pass at once, its clock moving on
// as if they had been waited.
const bool g_virtualClock = [] {
    if (qgetenv("ORVEX_SIM_CLOCK") != "virtual")
        return false;
    static VirtualClock clock;
    Clock::SetCurrent(&clock);
    return true;
}();

// The release calls, the newest of them: a box of receivers makes many.
void NoteRelease(const QString &call)
{
    constexpr int kKept = 1000;
    QStringList &log = Bus::Instance().releaseLog;
    // One block for good: with room for twice what is kept, the list moves
    // its lines within it instead of growing.
    if (log.capacity() < 2 * kKept)
        log.reserve(2 * kKept);
    if (log.size() >= kKept)
        log.remove(0, log.size() - kKept + 1);
    log << call;
}

class SimCommandHandler final : public CCommandHandler
{
public:
    explicit SimCommandHandler(std::shared_ptr<Receiver> receiver)
        : receiver(std::move(receiver))
    {
        ++Bus::Instance().liveHandlers;
    }
    ~SimCommandHandler() { --Bus::Instance().liveHandlers; }

    bool GetVersion(CMDHAND_VERSIONstruct &version) override { return receiver->GetVersion(version); }
    bool GetFlashInfo(CMDHAND_FLASH_INFOstruct &info, bool newFormat) override
    {
        return receiver->GetFlashInfo(info, newFormat);
    }
    bool GetHeader2Checksum(CMDHAND_FLASH_INFOstruct &info) override
    {
        return receiver->GetHeader2Checksum(info);
    }
    bool SetWriteMode(CMDHAND_WRITE_MODE mode) override { return receiver->SetWriteMode(mode); }
    bool WriteFlashHeader(unsigned char *header) override { return receiver->WriteFlashHeader(header); }
    bool WriteFlashCode(unsigned int offset, unsigned int count, unsigned char *data) override
    {
        return receiver->WriteFlashCode(offset, count, data);
    }
    bool WriteFlashSector(unsigned int address, unsigned char *data) override
    {
        return receiver->WriteFlashSector(address, data);
    }
    bool PrepareToCloseConnection() override { return receiver->PrepareToCloseConnection(); }
    bool RestartWithCodeInPosition(int position) override
    {
        return receiver->RestartWithCodeInPosition(position);
    }
    bool CloseConnection() override { return receiver->CloseConnection(); }
    bool InitializeConnection() override { return receiver->InitializeConnection(); }

    int RestartTimeMs() const { return receiver->restartTimeMs; }

private:
    std::shared_ptr<Receiver> receiver;
};

class SimPortManager final : public CPortManager
{
public:
    SimPortManager() { ++Bus::Instance().livePortManagers; }
    ~SimPortManager() { --Bus::Instance().livePortManagers; }

    bool OpenPort() override { return open = true; }
    bool IsPortOpen() const override { return open; }
    bool FlushPort() override { return open; }
    bool ClosePort() override
    {
        NoteRelease(QStringLiteral("ClosePort"));
        open = false;
        return true;
    }

private:
    bool open = true;
};

void Complain(const QString &source, const QString &problem)
{
    QTextStream(stderr) << "orvex simulator: " << source << ": " << problem
                        << " (no receiver attached)\n";
}

} // namespace

void Bus::EnsureConfigured()
{
    if (configured)
        return;
    configured = true;

    const QString state = qEnvironmentVariable(kStateVariable);
    QString error;
    if (!state.isEmpty()) {
        stateFile = state;
        if (!LockStateFile(&error)) {
            stateFile.clear();
            Complain(state, error);
            return;
        }
        if (QFile::exists(state)) {
            if (!LoadState(state, &error))
                Complain(state, error);
            return;
        }
    }
    QString scenario = qEnvironmentVariable(kScenarioVariable);
    if (scenario.isEmpty())
        scenario = QString::fromLatin1(kDefaultScenario);
    QList<std::shared_ptr<Receiver>> loaded;
    std::optional<Box> inBox;
    if (!LoadScenario(scenario, &loaded, &error, &inBox)) {
        Complain(scenario, error);
        return;
    }
    if (inBox) {
        UseBox(*inBox);
        return;
    }
    receivers = loaded;
    SaveState();
}

} // namespace sim

using sim::Bus;

ORVEXSYS_ERROR LookForOrvexWithSpecifiedPID(int pid, PORTNUMBER port, CCommandHandler **handler,
                                            CPortManager **portManager, int)
{
    constexpr ORVEXSYS_ERROR kNotFound = 1;
    constexpr ORVEXSYS_ERROR kBadArguments = 2;
    if (!handler || !portManager || port != 0)
        return kBadArguments;
    Bus &bus = Bus::Instance();
    bus.EnsureConfigured();
    bus.MoveBoxOn();
    for (const auto &receiver : bus.Receivers()) {
        if (receiver->plugged && receiver->running != sim::Receiver::kDead
            && receiver->pid == quint32(pid)) {
            if (!receiver->Open())
                return kNotFound;
            *handler = new sim::SimCommandHandler(receiver);
            *portManager = new sim::SimPortManager;
            bus.BoxReceiverOpened();
            return 0;
        }
    }
    return kNotFound;
}

void DeletePortManager(CPortManager *portManager)
{
    sim::NoteRelease(QStringLiteral("DeletePortManager"));
    delete static_cast<sim::SimPortManager *>(portManager);
}

void DeleteCommandHandler(CCommandHandler *handler)
{
    sim::NoteRelease(QStringLiteral("DeleteCommandHandler"));
    delete static_cast<sim::SimCommandHandler *>(handler);
    Bus::Instance().HandlerReleased();
}

int ReceiverRestartTimeMs(const CCommandHandler *handler)
{
    return static_cast<const sim::SimCommandHandler *>(handler)->RestartTimeMs();
}

const DeviceLibrary &UsedDeviceLibrary()
{
    static const DeviceLibrary simulated = [] {
        DeviceLibrary library;
        library.simulated = true;
        return library;
    }();
    return simulated;
}
