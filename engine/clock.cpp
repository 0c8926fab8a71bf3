#include "clock.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QWaitCondition>

namespace {

QElapsedTimer &Monotonic()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer;
}

Clock *g_currentClock = nullptr;

} // namespace

Clock &Clock::Current()
{
    static RealClock realClock;
    return g_currentClock ? *g_currentClock : realClock;
}

void Clock::SetCurrent(Clock *clock)
{
    g_currentClock = clock;
}

void RealClock::Wait(int ms)
{
    QMutex mutex;
    QWaitCondition neverSignalled;
    QDeadlineTimer deadline(qMax(ms, 0), Qt::PreciseTimer);
    QMutexLocker locker(&mutex);
    while (!deadline.hasExpired())
        neverSignalled.wait(&mutex, deadline);
}

qint64 RealClock::NowMs() const
{
    return Monotonic().elapsed();
}

void VirtualClock::Wait(int ms)
{
    if (ms > 0)
        now += ms;
}
