#include "firmwareupdater.h"

#include "protocol.h"

#include <QDebug>

#include <iterator>

namespace {

constexpr int kSwitchToFullPath = -1;

enum class Action { WriteCopy1, WriteCopy2, RestartCopy1, RestartCopy2, BootCode, Last256Bytes, Finish };

struct Step {
    const char *debugLine;
    Action action;
};

// The debug lines are kept exactly as support knows them, blanks included.
constexpr Step kShortPathSteps[] = {
    {"Loading Copy Code 1", Action::WriteCopy1},
    {"Restarting Copy1", Action::RestartCopy1},
    {"Finish Flash Upgrade", Action::Finish},
};

constexpr Step kFullPathSteps[] = {
    {"Loading Copy Code 2", Action::WriteCopy2},
    {"Restarting Copy1", Action::RestartCopy1},
    {"Loading Copy Code2", Action::WriteCopy2},
    {"Restarting Copy2", Action::RestartCopy2},
    {"Loading Copy Code1", Action::WriteCopy1},
    {"Restarting Copy1", Action::RestartCopy1},
    {"Finish Flash Upgrade", Action::Finish},
};

constexpr Step kBootCodePathSteps[] = {
    {"Boot Code", Action::BootCode},
    {"Write last 256 bytes", Action::Last256Bytes},
    {"Loading Copy Code2", Action::WriteCopy2},
    {"Restarting Copy2", Action::RestartCopy2},
    {"Loading Copy Code1", Action::WriteCopy1},
    {"Restarting Copy1", Action::RestartCopy1},
    {"Finish Flash Upgrade", Action::Finish},
};

// The path a run is on, as its record names it.
const char *PathName(int mode)
{
    return mode == FirmwareUpdater::kShortPath ? "short" : mode == FirmwareUpdater::kFullPath ? "full" : "boot";
}

struct Path {
    int mode;
    const Step *steps;
    int count;
};
constexpr Path kPaths[] = {
    {FirmwareUpdater::kShortPath, kShortPathSteps, int(std::size(kShortPathSteps))},
    {FirmwareUpdater::kFullPath, kFullPathSteps, int(std::size(kFullPathSteps))},
    {FirmwareUpdater::kBootCodePath, kBootCodePathSteps, int(std::size(kBootCodePathSteps))},
};

const Path &PathOf(int mode)
{
    for (const Path &path : kPaths) {
        if (path.mode == mode)
            return path;
    }
    return kPaths[1];
}

bool Writes(Action action)
{
    return action == Action::WriteCopy1 || action == Action::WriteCopy2 || action == Action::BootCode
        || action == Action::Last256Bytes;
}

int Restarts(const Path &path)
{
    int restarts = 0;
    for (int i = 0; i < path.count; ++i)
        restarts += path.steps[i].action == Action::RestartCopy1 || path.steps[i].action == Action::RestartCopy2;
    return restarts;
}

StepKind KindOf(Action action)
{
    switch (action) {
    case Action::WriteCopy1:
        return StepKind::WritingCopy1;
    case Action::WriteCopy2:
        return StepKind::WritingCopy2;
    case Action::BootCode:
        return StepKind::WritingBootCode;
    case Action::Last256Bytes:
        return StepKind::WritingLastBytes;
    case Action::RestartCopy1:
    case Action::RestartCopy2:
        return StepKind::Restarting;
    case Action::Finish:
        break;
    }
    return StepKind::Finishing;
}

// The number of the path's last step that writes.
int LastWriteStep(const Path &path)
{
    int last = 0;
    for (int i = 0; i < path.count; ++i)
        last = Writes(path.steps[i].action) ? i + 1 : last;
    return last;
}

} // namespace

int FirmwareUpdater::RunFlashUpgrade()
{
    runFoundAs = Facts();
    runRecorded = false;
    runPath = "none";
    lastStepLine = nullptr;
    runTime.Start();
    restartsDone = 0;
    restartsPlanned = 0;
    const int result = ChooseAndRunPath();
    RecordRunEnds(result);
    return result;
}

void FirmwareUpdater::RecordRunBegins()
{
    if (runRecorded)
        return;
    runRecorded = true;
    if (record)
        record->RunBegins(runFoundAs, Target(), QLatin1String(runPath));
}

void FirmwareUpdater::PlanRestarts(int ahead)
{
    restartsPlanned = restartsDone + ahead;
}

void FirmwareUpdater::StepBegins(StepKind kind)
{
    if (progressView)
        progressView->StepBegins(kind);
}

void FirmwareUpdater::RecordStep(int completed, const char *line)
{
    if (record)
        record->StepCompleted(completed, QLatin1String(line), QLatin1String(runPath));
}

bool FirmwareUpdater::RestartedOnPath(const RecordedRun &run, Counting counting)
{
    const int steps = run.lastCompletedStep + (counting == Counting::StepUnderWay ? 1 : 0);
    for (const Path &path : kPaths) {
        if (run.path != QLatin1String(PathName(path.mode)))
            continue;
        for (int i = 0; i < path.count && i < steps; ++i) {
            if (path.steps[i].action == Action::RestartCopy1 || path.steps[i].action == Action::RestartCopy2)
                return true;
        }
    }
    return false;
}

bool FirmwareUpdater::WritesDone(const RecordedRun &run)
{
    for (const Path &path : kPaths) {
        if (run.path == QLatin1String(PathName(path.mode)))
            return run.lastCompletedStep >= LastWriteStep(path);
    }
    return false;
}

void FirmwareUpdater::RecordRunEnds(int result)
{
    RecordRunBegins();
    if (record)
        record->RunEnds(result, runTime.ElapsedMs(), QLatin1String(runPath), lastStepLine ? step : 0,
                        QLatin1String(lastStepLine));
}

int FirmwareUpdater::ChooseAndRunPath()
{
    // Makes no call without a handler.
    if (!GetVersionWithRetry())
        return kReceiverNotReachable;

    const bool newFormat = versionInfo.version >= kNewFormatVersion;
    if (versionInfo.startPosition == 0)
        versionInfo.startPosition = versionInfo.codePosition;
    mode = versionInfo.codePosition == 0 && versionInfo.startPosition == 2 ? kBootCodePath : kShortPath;
    // The short path is settled only after its checks.
    runPath = mode == kBootCodePath ? "boot" : "short or full";
    images = &target->blocks;
    stepFraction = 0.0;
    step = 1;
    // Until the short path's checks settle it, the full path is assumed.
    PlanRestarts(Restarts(PathOf(mode == kBootCodePath ? kBootCodePath : kFullPath)));

    if (mode == kShortPath) {
        const int result = PrepareShortPath(newFormat);
        if (result != kSwitchToFullPath)
            return result == 0 ? RunSteps(kShortPath) : result;
        mode = kFullPath;
        runPath = "full";
    }
    if (mode == kFullPath) {
        const int result = PrepareFullPath(newFormat);
        return result == 0 ? RunSteps(kFullPath) : result;
    }
    return RunSteps(kBootCodePath);
}

// Finishing an update from copy 1, which already holds the target: copy 2
// is the copy that update may have left partial (or, by its header, not
// the target's), and a restart on it would at best fail (10, on every
// retry) and at worst start a copy whose code is incomplete. The full
// path then begins from copy 1.
bool FirmwareUpdater::ResumesOnCopy1() const
{
    return (selection == Selection::UnfinishedRun || selection == Selection::Copy2NotTarget)
        && versionInfo.codePosition == 1;
}

// A receiver that starts from copy 1 is restarted on copy 2 before
// either path, unless the run finishes from copy 1; each path says so in
// its own debug line. False: the restart failed.
bool FirmwareUpdater::RestartOnCopy2BeforePath(const char *debugLine)
{
    if (versionInfo.startPosition != 1 || ResumesOnCopy1())
        return true;
    RecordRunBegins();
    PlanRestarts(1 + Restarts(PathOf(kFullPath)));
    StepBegins(StepKind::Restarting);
    qDebug() << debugLine;
    if (!RestartWithCopy(2))
        return false;
    RecordStep(0, debugLine);
    return true;
}

// The short path writes copy 1 only: the receiver must run copy 2, that
// copy must already be the target's, and copy 1 must fit where it goes.
int FirmwareUpdater::PrepareShortPath(bool newFormat)
{
    if (!RestartOnCopy2BeforePath("restarting Copy2"))
        return kRestartCommandFailed;
    if (versionInfo.codePosition != 2)
        return kSwitchToFullPath;

    CMDHAND_FLASH_INFOstruct info{};
    const bool infoRead = commandHandler->GetFlashInfo(info, newFormat);
    const bool sumsRead = commandHandler->GetHeader2Checksum(info);
    if (!sumsRead || info.header2SumA != images->copy2SumA || info.header2SumB != images->copy2SumB)
        return kSwitchToFullPath;
    if (!infoRead)
        return kFlashInfoFailed;
    if (info.codeAddress != images->header1Id || info.codeCapacity < images->code1Size)
        return kSwitchToFullPath;
    return 0;
}

int FirmwareUpdater::PrepareFullPath(bool newFormat)
{
    if (!RestartOnCopy2BeforePath("Restarting Copy2"))
        return kRestartCommandFailed;
    // Only makes sure that the receiver answers; the record is not used.
    if (!UsesOldFlashProtocol()) {
        CMDHAND_FLASH_INFOstruct info{};
        if (!GetFlashInfoWithRetry(info, newFormat))
            return errorCode;
    }
    return 0;
}

int FirmwareUpdater::RunSteps(int path)
{
    const Step *steps = PathOf(path).steps;
    stepCount = PathOf(path).count;
    step = 1;
    runPath = PathName(path);
    PlanRestarts(Restarts(PathOf(path)));
    RecordRunBegins();

    int lastAttemptedStep = 0;
    int repeatCount = 0;
    while (step <= stepCount) {
        StepBegins(KindOf(steps[step - 1].action));
        UpdateProgress();
        // A copy write that failed gets one more try, and only one.
        if (step == lastAttemptedStep) {
            if (repeatCount == 1)
                return kCopyWriteFailedTwice;
            repeatCount = 1;
            if (mode == kFullPath)
                WaitMilliseconds(kRetryPauseMs);
        } else {
            repeatCount = 0;
        }

        const Step &current = steps[step - 1];
        qDebug() << current.debugLine;
        lastStepLine = current.debugLine;
        lastAttemptedStep = step;
        switch (current.action) {
        case Action::Finish:
            return kUpdateSucceeded;
        case Action::WriteCopy1:
        case Action::WriteCopy2:
            // A failed copy write is tried once more.
            if (!WriteCopyCode(current.action == Action::WriteCopy1 ? 1 : 2))
                continue;
            break;
        case Action::RestartCopy1:
        case Action::RestartCopy2:
            if (!RestartWithCopy(current.action == Action::RestartCopy1 ? 1 : 2))
                return errorCode;
            break;
        case Action::BootCode:
            if (!WriteBootCode())
                return errorCode;
            break;
        case Action::Last256Bytes:
            if (!WriteLast256Bytes())
                return errorCode;
            break;
        }
        // Down before the next change to the receiver: a start that meets
        // this run cut off knows how far it got.
        RecordStep(step, current.debugLine);
        ++step;
    }
    return kUpdateSucceeded;
}
