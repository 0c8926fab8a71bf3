#include "clock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEvent>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QThread>
#include <QWaitCondition>

#include <memory>
#include <vector>

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

// User input as the window system hands it to a window: what a wait must
// not act on.
bool IsUserInput(const QObject *receiver, const QEvent *event)
{
    if (!receiver->isWindowType() || !event->spontaneous())
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::ContextMenu:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

// Holds the input that arrives during waits, for a watcher to see at
// once and for the program to get after the waits, in order.
class WaitingInput : public QObject
{
public:
    static constexpr QEvent::Type kRelease = QEvent::User;

    Clock::InputWatcher watcher;

    void WaitBegins()
    {
        if (!waiting) {
            waiting = true;
            QCoreApplication::instance()->installEventFilter(this);
        }
    }
    void WaitEnds()
    {
        if (!waiting)
            return;
        waiting = false;
        QCoreApplication::instance()->removeEventFilter(this);
        if (!held.empty())
            QCoreApplication::postEvent(this, new QEvent(kRelease));
    }

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (!waiting || !IsUserInput(receiver, event))
            return false;
        if (watcher)
            watcher(receiver, *event);
        held.push_back({receiver, std::unique_ptr<QEvent>(event->clone())});
        // Taken in: nor may the window system act on it meanwhile (a key it
        // would turn into a menu that blocks the thread).
        event->accept();
        return true;
    }
    void customEvent(QEvent *event) override
    {
        // Within a wait the input waits on; its end posts another release.
        if (event->type() == kRelease && !waiting)
            Release();
    }

public:
    // Hands what waits to the program now.
    void Release()
    {
        std::vector<Held> now;
        now.swap(held);
        for (Held &input : now) {
            if (input.receiver)
                QCoreApplication::sendEvent(input.receiver, input.event.get());
        }
    }

private:
    struct Held {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    bool waiting = false;
    std::vector<Held> held;
};

WaitingInput &Waiting()
{
    static WaitingInput *input = new WaitingInput;
    return *input;
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

void Clock::AnswerWindowSystem()
{
    if (!Waiting().watcher) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return;
    }
    Waiting().WaitBegins();
    QCoreApplication::processEvents();
}

void Clock::WaitEnds()
{
    Waiting().WaitEnds();
    // Input held back meanwhile must reach the program the next time it
    // looks for events; some dispatchers look again only when woken.
    QAbstractEventDispatcher::instance()->wakeUp();
}

void Clock::WatchWaitingInput(const InputWatcher &watcher)
{
    Waiting().watcher = watcher;
    if (!watcher)
        Waiting().Release();
}

void RealClock::Wait(int ms)
{
    const QDeadlineTimer deadline(qMax(ms, 0), Qt::PreciseTimer);
    if (!OnGuiThread()) {
        SleepUntil(deadline);
        return;
    }
    while (!deadline.hasExpired()) {
        AnswerWindowSystem();
        SleepUntil(QDeadlineTimer(qMin(deadline.remainingTime(), kSliceMs), Qt::PreciseTimer));
    }
    WaitEnds();
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
