#include "clock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QWaitCondition>

namespace {

// Longest stretch a Wait leaves the window system unanswered: well under
// the 100 ms in which a covered window should be painted again.
constexpr qint64 kSliceMs = 10;

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

void SleepUntil(const QDeadlineTimer &deadline)
{
    QMutex mutex;
    QWaitCondition neverSignalled;
    QMutexLocker locker(&mutex);
    while (!deadline.hasExpired())
        neverSignalled.wait(&mutex, deadline);
}

bool OnGuiThread()
{
    const QCoreApplication *application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

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
    const QDeadlineTimer deadline(qMax(ms, 0), Qt::PreciseTimer);
    if (!OnGuiThread()) {
        SleepUntil(deadline);
        return;
    }
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        SleepUntil(QDeadlineTimer(qMin(deadline.remainingTime(), kSliceMs), Qt::PreciseTimer));
    }
    // Input held back meanwhile must reach the program the next time it
    // looks for events; some dispatchers look again only when woken.
    QAbstractEventDispatcher::instance()->wakeUp();
}

void RealClock::Sleep(int ms)
{
    SleepUntil(QDeadlineTimer(qMax(ms, 0), Qt::PreciseTimer));
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
