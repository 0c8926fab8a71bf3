#include "firmwareupdater.h"

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
    TargetReason reason = TargetReason::Rule;
    bool changesPid = false;
    const UpgradeRule *rule = UnfinishedUpdate(table, &reason, &changesPid);
    if (!rule)
        return false;
    Aim(*rule, reason, changesPid);
    return true;
}

void FirmwareUpdater::AimAt(const UpgradeRule &rule)
{
    Aim(rule, TargetReason::Rule, pid != rule.targetPid);
}

void FirmwareUpdater::Aim(const UpgradeRule &rule, TargetReason reason, bool changesPid)
{
    qDebug() << "upgrade firmware to: " << "version=" << rule.target.version << ",build="
             << uint32_t(rule.target.build);
    target = &rule.target;
    targetPid = rule.targetPid;
    targetReason = reason;
    pidChanges = changesPid;
}

// A receiver that runs the firmware of an update that did not finish: the
// rule of `table` that installs that firmware again, or nullptr.
const UpgradeRule *FirmwareUpdater::UnfinishedUpdate(const UpgradeTable &table, TargetReason *reason,
                                                     bool *changesPid) const
{
    const double version = versionInfo.version;
    const int32_t build = versionInfo.build;

    // The last update of this receiver on this computer: it had this
    // product ID when it began, or its firmware answers under it now.
    const auto concernsThisReceiver = [&](const RecordedRun &run) {
        return run.pid == pid || run.targetPid == pid
            || RuleInstallingUnder(table, run.targetVersion, run.targetBuild, pid);
    };
    const std::optional<RecordedRun> last = record ? record->LastRun(concernsThisReceiver) : std::nullopt;
    if (last && last->result != kUpdateSucceeded && last->targetVersion == version
        && last->targetBuild == build) {
        if (const UpgradeRule *rule = RuleInstalling(table, version, build, pid)) {
            // The run restarts on the copy the old firmware may still hold.
            *changesPid = pid != rule->targetPid || last->pid != last->targetPid;
            *reason = TargetReason::UnfinishedRun;
            return rule;
        }
    }
    // Every path ends on copy 1: a receiver on copy 2 of its firmware was
    // left before the end, and its copy 1 may be partial or old.
    if (versionInfo.codePosition != 2)
        return nullptr;
    *changesPid = false;
    *reason = TargetReason::UnfinishedCopy2;
    return RuleInstallingUnder(table, version, build, pid);
}

ReceiverFacts FirmwareUpdater::Facts() const
{
    return {pid, versionInfo.version, versionInfo.build, versionInfo.codePosition, versionInfo.startPosition,
            newPackSelected};
}

TargetFacts FirmwareUpdater::Target() const
{
    return target ? TargetFacts{targetPid, target->version, target->build, targetReason} : TargetFacts{};
}
