// The device library calls, answered by the simulated receivers on the bus.

#include "simulator.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace sim {

namespace {

const char kScenarioVariable[] = "ORVEX_SIM_SCENARIO";
const char kStateVariable[] = "ORVEX_SIM_STATE";
const char kDefaultScenario[] = "default";

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
    int RestartTimeMs() const override { return receiver->restartTimeMs; }

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
        Bus::Instance().releaseLog << QStringLiteral("ClosePort");
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
    if (!LoadScenario(scenario, &loaded, &error)) {
        Complain(scenario, error);
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
    for (const auto &receiver : bus.Receivers()) {
        if (receiver->plugged && receiver->running != sim::Receiver::kDead
            && receiver->pid == quint32(pid)) {
            if (!receiver->Open())
                return kNotFound;
            *handler = new sim::SimCommandHandler(receiver);
            *portManager = new sim::SimPortManager;
            return 0;
        }
    }
    return kNotFound;
}

void DeletePortManager(CPortManager *portManager)
{
    Bus::Instance().releaseLog << QStringLiteral("DeletePortManager");
    delete static_cast<sim::SimPortManager *>(portManager);
}

void DeleteCommandHandler(CCommandHandler *handler)
{
    Bus::Instance().releaseLog << QStringLiteral("DeleteCommandHandler");
    delete static_cast<sim::SimCommandHandler *>(handler);
}
