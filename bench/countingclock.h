#ifndef ORVEX_COUNTINGCLOCK_H
#define ORVEX_COUNTINGCLOCK_H

#include "clock.h"

// The real clock, adding up every wait asked of it and the device's time,
// installed for its lifetime.
class CountingClock : public RealClock
{
public:
    CountingClock() { Clock::SetCurrent(this); }
    ~CountingClock() override { Clock::SetCurrent(nullptr); }
    CountingClock(const CountingClock &) = delete;
    CountingClock &operator=(const CountingClock &) = delete;

    void Wait(int ms) override
    {
        waitedMs += ms;
        RealClock::Wait(ms);
    }
    void Sleep(int ms) override
    {
        waitedMs += ms;
        RealClock::Sleep(ms);
    }
    qint64 waitedMs = 0;
};

#endif
