#include "batchrecord.h"

#include "firmwareupdater.h"

#include <algorithm>

std::optional<RecordedRun> BatchRecord::LastRun(const std::function<bool(const RecordedRun &)> &concerns)
{
    const RecordedRun *least = nullptr;
    for (const RecordedRun &failed : failures) {
        if (concerns(failed) && (!least || failed.lastCompletedStep < least->lastCompletedStep))
            least = &failed;
    }
    asked = least ? least->id : QString();
    return least ? std::optional<RecordedRun>(*least) : record.LastRun(concerns);
}

void BatchRecord::RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path)
{
    finishing = target.reason == Selection::UnfinishedRun ? asked : QString();
    record.RunBegins(receiver, target, path);
    current = RecordedRun();
    current.pid = receiver.pid;
    current.foundVersion = receiver.version;
    current.foundBuild = receiver.build;
    current.targetPid = target.pid;
    current.targetVersion = target.version;
    current.targetBuild = target.build;
    current.id = record.CurrentRunId();
    current.path = path;
}

void BatchRecord::StepCompleted(int step, const QString &line, const QString &path)
{
    current.lastCompletedStep = step;
    current.path = path;
    record.StepCompleted(step, line, path);
}

void BatchRecord::RunEnds(int result, qint64 durationMs, const QString &path, int lastStep, const QString &lastStepLine)
{
    record.RunEnds(result, durationMs, path, lastStep, lastStepLine);
    if (result != kUpdateSucceeded) {
        current.result = result;
        failures << current;
        return;
    }
    // A receiver cut before its path restarted it comes back on what it
    // ran, and takes its rule again.
    if (finishing.isEmpty()) {
        for (const RecordedRun &failed : std::as_const(failures)) {
            if (!FirmwareUpdater::RestartedOnPath(failed) && failed.pid == current.pid
                && failed.targetVersion == current.targetVersion && failed.targetBuild == current.targetBuild) {
                finishing = failed.id;
                break;
            }
        }
    }
    Forget(finishing);
}

void BatchRecord::RunFoundComplete(const RecordedRun &run)
{
    Forget(run.id);
    record.RunFoundComplete(run);
}

void BatchRecord::Forget(const QString &id)
{
    failures.erase(std::remove_if(failures.begin(), failures.end(), [&](const RecordedRun &run) { return run.id == id; }),
                   failures.end());
}
