#include "receiversession.h"

#include <QDebug>

namespace {

constexpr int kOpenAttempts = 2;
constexpr int kVersionAttempts = 3;
constexpr int kPauseAfterFailureMs = 500;
constexpr int32_t kPidWithoutPackChoice = 0x1320;

} // namespace

bool ReceiverSession::SearchForReceiver(const std::function<bool()> &beforeEachProbe)
{
    state.found = false;
    state.pid = 0;
    for (const int id : kProductIds) {
        qDebug() << "Look for System with PID=" << Qt::hex << id;
        if (beforeEachProbe && !beforeEachProbe())
            return false;
        const bool open = Open(id, kPort);
        if (open)
            state.found = CheckVersion();
        if (state.found) {
            state.pid = id;
            if (record)
                record->ReceiverFound();
            return true;
        }
        if (open) {
            qDebug() << "System found but not supported";
            Release();
        }
    }
    return false;
}

void ReceiverSession::SayFound() const
{
    qDebug() << "Pod found with PID=" << Qt::hex << state.pid << Qt::dec << ", version=" << state.versionInfo.version
             << ",build=" << state.versionInfo.build;
}

bool ReceiverSession::AnyPlugged(PORTNUMBER port)
{
    for (const int id : kProductIds) {
        ReceiverState probe;
        const bool opened = LookForOrvexWithSpecifiedPID(id, port, &probe.commandHandler, &probe.portManager, 0) == 0;
        ReceiverSession(probe).Release();
        if (opened)
            return true;
    }
    return false;
}

bool ReceiverSession::Open(int pid, PORTNUMBER port)
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (LookForOrvexWithSpecifiedPID(pid, port, &state.commandHandler, &state.portManager, 0) == 0)
            return true;
        WaitMilliseconds(kPauseAfterFailureMs);
    }
    return false;
}

bool ReceiverSession::ReadVersion()
{
    for (int attempt = 0; attempt < kVersionAttempts; ++attempt) {
        if (state.commandHandler->GetVersion(state.versionInfo)) {
            qDebug() << "GetVersion=" << state.versionInfo.version;
            return true;
        }
        WaitMilliseconds(kPauseAfterFailureMs);
    }
    return false;
}

bool ReceiverSession::VersionSupported() const
{
    // A version that is not a number compares false.
    return state.versionInfo.version >= kMinimumVersion;
}

bool ReceiverSession::CheckVersion()
{
    return ReadVersion() && VersionSupported();
}

void ReceiverSession::Release()
{
    if (state.portManager) {
        state.portManager->ClosePort();
        DeletePortManager(state.portManager);
    }
    if (state.commandHandler)
        DeleteCommandHandler(state.commandHandler);
    state.commandHandler = nullptr;
    state.portManager = nullptr;
}

bool ReceiverSession::PackIsChosenFor(int32_t pid)
{
    return pid != kPidWithoutPackChoice;
}

bool ReceiverSession::Aim(FirmwareUpdater &updater, ProgressView *view) const
{
    updater.Load(state, view, record);
    const bool update = updater.FindUpgrade();
    if (!record)
        return update;
    if (updater.selection == Selection::FoundComplete)
        record->RunFoundComplete(updater.completedRun);
    record->Offered(updater.Facts(), update ? std::optional<TargetFacts>(updater.Target()) : std::nullopt);
    return update;
}

void ReceiverSession::AimAt(FirmwareUpdater &updater, const UpgradeRule &rule, ProgressView *view) const
{
    updater.Load(state, view, record);
    updater.AimAt(rule);
}
