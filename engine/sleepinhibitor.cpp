#include "sleepinhibitor.h"

#include "systemsleeplock.h"

namespace {

SleepInhibitor::Backend *g_backend = nullptr;

SleepInhibitor::Backend &CurrentBackend()
{
    static SystemSleepLock system;
    return g_backend ? *g_backend : system;
}

} // namespace

SleepInhibitor::SleepInhibitor()
    : lock(CurrentBackend().Take())
{
}

SleepInhibitor::~SleepInhibitor() = default;

void SleepInhibitor::SetBackend(Backend *backend)
{
    g_backend = backend;
}
