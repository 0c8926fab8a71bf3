#include "firmwareupdater.h"

#include <QDebug>

bool FirmwareUpdater::IsTargetNewer(const UpgradeRule &rule) const
{
    return IsImageNewer(rule.target, versionInfo.version, versionInfo.build);
}

bool FirmwareUpdater::FindUpgrade()
{
    const UpgradeTable &table = newPackSelected ? ScrivetPackTable() : ScrivetPackClassicTable();
    const UpgradeRule *rule = SelectUpgradeRule(table, pid, versionInfo.version, versionInfo.build,
                                                [this](const UpgradeRule &r) { return IsTargetNewer(r); });
    if (!rule)
        return false;
    qDebug() << "upgrade firmware to: " << "version=" << rule->target.version << ",build="
             << uint32_t(rule->target.build);
    target = &rule->target;
    pidChanges = pid != rule->targetPid;
    return true;
}
