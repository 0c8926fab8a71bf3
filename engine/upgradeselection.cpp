#include "firmwareupdater.h"

#include "protocol.h"

#include <QDebug>

bool FirmwareUpdater::IsTargetNewer(const UpgradeRule &rule) const
{
    return IsImageNewer(rule.target, versionInfo.version, versionInfo.build);
}

bool FirmwareUpdater::FindUpgrade()
{
    const UpgradeTable &table = newPackSelected ? ScrivetPackTable() : ScrivetPackClassicTable();
    if (const UpgradeRule *rule = SelectUpgradeRule(table, pid, versionInfo.version, versionInfo.build,
                                                    [this](const UpgradeRule &r) { return IsTargetNewer(r); })) {
        AimAt(*rule);
        return true;
    }
    // The receiver is asked for its copy-2 header at most once.
    std::optional<bool> copy2Read;
    CMDHAND_FLASH_INFOstruct info{};
    const auto copy2Holds = [&](const FirmwareImage &image) {
        if (!copy2Read)
            copy2Read = ReadCopy2Sums(info);
        return *copy2Read && info.header2SumA == image.blocks.copy2SumA
            && info.header2SumB == image.blocks.copy2SumB;
    };
    bool changesPid = false;
    const UpgradeRule *rule = nullptr;
    selection = UnfinishedUpdate(table, copy2Holds, &rule, &changesPid);
    if (!Offers(selection))
        return false;
    Aim(*rule, selection, changesPid);
    return true;
}

// The sums of copy 2's header as the receiver reports them, with the
// flash information call that the read needs, as the short path makes it.
bool FirmwareUpdater::ReadCopy2Sums(CMDHAND_FLASH_INFOstruct &info) const
{
    bool read = false;
    if (commandHandler) {
        commandHandler->GetFlashInfo(info, versionInfo.version >= kNewFormatVersion);
        read = commandHandler->GetHeader2Checksum(info);
    }
    if (read)
        qDebug() << "GetHeader2Checksum=" << Qt::hex << info.header2SumA << info.header2SumB;
    else
        qDebug() << "GetHeader2Checksum=" << "none";
    return read;
}

void FirmwareUpdater::AimAt(const UpgradeRule &rule)
{
    Aim(rule, Selection::Rule, pid != rule.targetPid);
}

void FirmwareUpdater::Aim(const UpgradeRule &rule, Selection reason, bool changesPid)
{
    qDebug() << "upgrade firmware to: " << "version=" << rule.target.version << ",build="
             << uint32_t(rule.target.build);
    target = &rule.target;
    targetPid = rule.targetPid;
    selection = reason;
    pidChanges = changesPid;
}

// A receiver to which no rule applies may still run the firmware of an
// update that did not finish: the selection that says so, with the rule
// of `table` that installs that firmware again in `*rule`.
Selection FirmwareUpdater::UnfinishedUpdate(const UpgradeTable &table,
                                            const std::function<bool(const FirmwareImage &)> &copy2Holds,
                                            const UpgradeRule **rule, bool *changesPid)
{
    const double version = versionInfo.version;
    const int32_t build = versionInfo.build;

    // The last update of this receiver on this computer: it had this
    // product ID when it began, or its firmware answers under it now. The
    // record cannot tell receivers apart; the receiver can say that a run
    // of its firmware that failed was not its own: one that never
    // restarted onto a copy it wrote and began on other firmware left
    // nothing of this firmware running.
    const auto couldBeItsRun = [&](const RecordedRun &run) {
        const bool beganOnIt = run.foundVersion == 0.0 || (run.foundVersion == version && run.foundBuild == build);
        return run.result == kUpdateSucceeded || run.targetVersion != version || run.targetBuild != build
            || RestartedOnPath(run, Counting::StepUnderWay) || beganOnIt;
    };
    const auto concernsThisReceiver = [&](const RecordedRun &run) {
        return (run.pid == pid || run.targetPid == pid || RuleInstallingUnder(table, run.targetVersion, run.targetBuild, pid))
            && couldBeItsRun(run);
    };
    const std::optional<RecordedRun> last = record ? record->LastRun(concernsThisReceiver) : std::nullopt;
    const bool unfinished = last && last->result != kUpdateSucceeded && last->targetVersion == version
        && last->targetBuild == build;
    if (unfinished && (*rule = RuleInstalling(table, version, build, pid))) {
        // It had written everything and asked for copy 1, which runs:
        // the receiver is whole, and writing it again would only open
        // a new window for a cut. Short of that, copy 2's sums cannot say
        // it is whole: its header goes down before its code.
        if (versionInfo.codePosition == 1 && WritesDone(*last) && copy2Holds((*rule)->target)) {
            completedRun = *last;
            return Selection::FoundComplete;
        }
        // The run restarts on the copy the old firmware may still hold.
        *changesPid = pid != (*rule)->targetPid || last->pid != last->targetPid;
        return Selection::UnfinishedRun;
    }
    *changesPid = false;
    *rule = RuleInstallingUnder(table, version, build, pid);
    if (!*rule)
        return Selection::UpToDate;
    // Every path ends on copy 1: a receiver on copy 2 of its firmware was
    // left before the end, and its copy 1 may be partial or old.
    if (versionInfo.codePosition == 2)
        return Selection::UnfinishedCopy2;
    // On copy 1 it is whole only if copy 2 is that firmware's too; where
    // no record says how an update ended, only the receiver can tell.
    if (versionInfo.codePosition == 1 && !copy2Holds((*rule)->target))
        return Selection::Copy2NotTarget;
    return Selection::UpToDate;
}

ReceiverFacts FirmwareUpdater::Facts() const
{
    return {pid, versionInfo.version, versionInfo.build, versionInfo.codePosition, versionInfo.startPosition,
            newPackSelected};
}

TargetFacts FirmwareUpdater::Target() const
{
    return target ? TargetFacts{targetPid, target->version, target->build, selection} : TargetFacts{};
}
