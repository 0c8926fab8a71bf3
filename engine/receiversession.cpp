#include "receiversession.h"

#include <QDebug>

namespace {

constexpr int kOpenAttempts = 2;
constexpr int kVersionAttempts = 3;
constexpr int kPauseAfterFailureMs = 500;

} // namespace

bool ReceiverSession::Open(int pid, PORTNUMBER port)
{
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (LookForOrvexWithSpecifiedPID(pid, port, &record.commandHandler, &record.portManager, 0) == 0)
            return true;
        WaitMilliseconds(kPauseAfterFailureMs);
    }
    return false;
}

bool ReceiverSession::ReadVersion()
{
    for (int attempt = 0; attempt < kVersionAttempts; ++attempt) {
        if (record.commandHandler->GetVersion(record.versionInfo)) {
            qDebug() << "GetVersion=" << record.versionInfo.version;
            return true;
        }
        WaitMilliseconds(kPauseAfterFailureMs);
    }
    return false;
}

bool ReceiverSession::VersionSupported() const
{
    // A version that is not a number compares false.
    return record.versionInfo.version >= kMinimumVersion;
}

void ReceiverSession::Release()
{
    if (record.portManager) {
        record.portManager->ClosePort();
        DeletePortManager(record.portManager);
    }
    if (record.commandHandler)
        DeleteCommandHandler(record.commandHandler);
    record.commandHandler = nullptr;
    record.portManager = nullptr;
}

bool ReceiverSession::Aim(FirmwareUpdater &updater, ProgressView *view) const
{
    updater.Load(record, view);
    return updater.FindUpgrade();
}

void ReceiverSession::AimAt(FirmwareUpdater &updater, const UpgradeRule &rule, ProgressView *view) const
{
    updater.Load(record, view);
    updater.AimAt(rule);
}
