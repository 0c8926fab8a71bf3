#ifndef ORVEX_SYSTEMSLEEPLOCK_H
#define ORVEX_SYSTEMSLEEPLOCK_H

#include "sleepinhibitor.h"

// The system's own sleep lock: the thread execution state on Windows, a
// logind "sleep:shutdown" inhibitor elsewhere.
class SystemSleepLock : public SleepInhibitor::Backend
{
public:
    std::shared_ptr<void> Take() override;
};

#endif
