#include "firmwareupdater.h"

#include "clock.h"
#include "devicelibrary.h"

#include <QDebug>

namespace {

constexpr int kVersionAttempts = 3;

} // namespace

ReceiverState g_receiverState;

void WaitMilliseconds(int ms)
{
    Clock::Current().Wait(ms);
}

void FirmwareUpdater::Load(ReceiverState state, ProgressView *view, UpdateRecord *updateRecord)
{
    static_cast<ReceiverState &>(*this) = state;
    progressView = view;
    record = updateRecord;
    lastReportedPercent = kFirstReportedPercent;
}

bool FirmwareUpdater::Fail(UpdateError code)
{
    errorCode = code;
    return false;
}

bool FirmwareUpdater::GetVersionWithRetry()
{
    if (!commandHandler)
        return false;
    // Back to back, unlike the search's retry: the receiver has just
    // answered (the search, or the reconnect after a restart), and a run
    // under way must not wait.
    for (int attempt = 0; attempt < kVersionAttempts; ++attempt) {
        if (commandHandler->GetVersion(versionInfo))
            return true;
    }
    return false;
}

bool FirmwareUpdater::GetFlashInfoWithRetry(CMDHAND_FLASH_INFOstruct &info, bool newFormat)
{
    if (commandHandler->GetFlashInfo(info, newFormat))
        return true;
    for (int failures = 1;; ++failures) {
        // The receiver is asked once more before the pause; only the
        // answer after the pause counts.
        commandHandler->GetFlashInfo(info, newFormat);
        WaitMilliseconds(kFlashInfoPauseMs);
        if (failures == kFlashInfoFailures)
            return Fail(kFlashInfoFailed);
        if (commandHandler->GetFlashInfo(info, newFormat))
            return true;
    }
}

bool FirmwareUpdater::RestartWithCopy(int position)
{
    stepFraction = 0.0;

    qDebug() << "PrepareToCloseConnection";
    if (!commandHandler->PrepareToCloseConnection())
        return Fail(kRestartCommandFailed);
    qDebug() << "RestartWithCodeInPosition";
    if (!commandHandler->RestartWithCodeInPosition(position))
        return Fail(kRestartCommandFailed);
    qDebug() << "CloseConnection";
    commandHandler->CloseConnection();

    const int msToRestart = ReceiverRestartTimeMs(commandHandler) + (pidChanges ? kPidChangeExtraMs : 0);
    qDebug() << "RestartWithCopy MsToRestart=" << msToRestart;
    ++restartsDone;
    if (progressView)
        progressView->RestartWaitBegins(restartsDone, qMax(restartsPlanned, restartsDone));
    WaitMilliseconds(msToRestart);

    // The same handler reconnects; the receiver is not searched for again.
    Stopwatch stopwatch;
    stopwatch.Start();
    qDebug() << "InitializeConnection";
    while (!commandHandler->InitializeConnection()) {
        if (stopwatch.ElapsedMs() > kReconnectLimitMs) {
            if (progressView)
                progressView->RestartWaitEnds();
            return Fail(kReconnectTimedOut);
        }
        WaitMilliseconds(kReconnectPauseMs);
        qDebug() << "InitializeConnection";
    }
    if (progressView)
        progressView->RestartWaitEnds();
    WaitMilliseconds(kSettleAfterReconnectMs);

    qDebug() << "GetVersionWithRetry";
    if (!GetVersionWithRetry())
        return Fail(kVersionAfterRestartFailed);
    if (versionInfo.codePosition != position)
        return Fail(kWrongCopyRunning);
    stepFraction = 1.0;
    return true;
}
