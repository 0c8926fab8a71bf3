#ifndef ORVEX_CLOCK_H
#define ORVEX_CLOCK_H

#include <QtGlobal>

#include <functional>

class QEvent;
class QObject;

// Every wait and stopwatch of the program goes through the current Clock,
// so that tests (and the simulated receiver) can share a virtual time.
class Clock
{
public:
    virtual ~Clock() = default;

    // The program's own waits: block for ms milliseconds and act on no
    // user input.
    virtual void Wait(int ms) = 0;
    // Time spent inside the device library: blocks and processes nothing.
    virtual void Sleep(int ms) = 0;
    // Monotonic milliseconds since an arbitrary start.
    virtual qint64 NowMs() const = 0;

    static Clock &Current();
    // nullptr puts the real clock back.
    static void SetCurrent(Clock *clock);

    // What a wait on the GUI thread does a slice at a time: the windows
    // stay painted and answer the window system (expose, liveness pings,
    // timers); user input waits.
    static void AnswerWindowSystem();
    // What it does as it ends: input that waited reaches the program the
    // next time it looks for events outside a wait.
    static void WaitEnds();
    // Sees each piece of user input that waits, as it arrives, so that the
    // window can say at once that it does not act on it now. While one is
    // set, a wait takes the input in from the window system and holds it
    // itself; the program still gets it only after the wait, in order, at
    // the latest when the watcher goes (nullptr).
    using InputWatcher = std::function<void(QObject *receiver, const QEvent &event)>;
    static void WatchWaitingInput(const InputWatcher &watcher);
};

// Real time: timed waits on a private condition variable that nothing
// signals; early wake-ups wait again until the deadline. A Wait on the
// GUI thread answers the window system in short slices
// (AnswerWindowSystem).
class RealClock : public Clock
{
public:
    void Wait(int ms) override;
    void Sleep(int ms) override;
    qint64 NowMs() const override;
};

// Time that moves only when somebody waits.
class VirtualClock : public Clock
{
public:
    void Wait(int ms) override;
    void Sleep(int ms) override { Wait(ms); }
    qint64 NowMs() const override { return now; }

private:
    qint64 now = 0;
};

// Installs a virtual clock for the lifetime of the object.
class ScopedVirtualClock
{
public:
    ScopedVirtualClock() { Clock::SetCurrent(&clock); }
    ~ScopedVirtualClock() { Clock::SetCurrent(nullptr); }
    ScopedVirtualClock(const ScopedVirtualClock &) = delete;
    ScopedVirtualClock &operator=(const ScopedVirtualClock &) = delete;

    VirtualClock clock;
};

// Elapsed time on the current clock.
class Stopwatch
{
public:
    void Start() { startMs = Clock::Current().NowMs(); }
    qint64 ElapsedMs() const { return Clock::Current().NowMs() - startMs; }

private:
    qint64 startMs = 0;
};

#endif
