#include "systemsleeplock.h"

#include <windows.h>

std::shared_ptr<void> SystemSleepLock::Take()
{
    if (SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) == 0)
        return nullptr;
    // The shared pointer's deleter gives the state back.
    return std::shared_ptr<void>(reinterpret_cast<void *>(1),
                                 [](void *) { SetThreadExecutionState(ES_CONTINUOUS); });
}
