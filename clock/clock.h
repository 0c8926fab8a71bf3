#ifndef ORVEX_CLOCK_H
#define ORVEX_CLOCK_H

#include <QtGlobal>

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
};

// Real time: timed waits on a private condition variable that nothing
// signals; early wake-ups wait again until the deadline. A Wait on the
// GUI thread keeps the windows painted and answering the window system
// (expose, liveness pings) in short slices; user input stays queued until
// the program next looks for events.
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
