#include "updaterun.h"

#include "receiversession.h"
#include "sleepinhibitor.h"

UpdateRun::UpdateRun(const ReceiverState &state, UpdateRecord *record, ProgressView *view)
    : state(state)
    , record(record)
    , view(view)
{
    updater.Load(state, view, record);
}

bool UpdateRun::Aim()
{
    return ReceiverSession(state, record).Aim(updater, view);
}

void UpdateRun::AimAt(const UpgradeRule &rule)
{
    ReceiverSession(state, record).AimAt(updater, rule, view);
}

bool UpdateRun::TargetNumberIsHigher() const
{
    return updater.target && IsImageNewer(*updater.target, updater.versionInfo.version, updater.versionInfo.build);
}

int UpdateRun::Run()
{
    // Neither sleep nor a quiet shutdown may cut the receiver's write.
    SleepInhibitor awake;
    return updater.RunFlashUpgrade();
}
