#ifndef ORVEX_CLI_SWEEPS_H
#define ORVEX_CLI_SWEEPS_H

#include "receiversession.h"

#include <functional>

// The command line's waits for receivers to come and go, on the current
// clock; each ends soon after a stop is asked.
class Sweeps
{
public:
    Sweeps(ReceiverSession &session, const std::function<bool()> &stopAsked);

    // Sweeps as the window does until a receiver is accepted (true), the
    // wait is over (negative: without end), or a stop is asked.
    bool UntilFound(qint64 waitMs);
    // Until one whole sweep finds no receiver under any product ID: one
    // whose product ID changed with its update is gone only then. `remind`
    // is called each kRemindEveryMs while one is still plugged in.
    void UntilNoneLeft(const std::function<void()> &remind);

    static constexpr int kBetweenSweepsMs = 2000; // as the window's slow poll
    static constexpr int kLookMs = 100;           // how soon a wait notices a stop
    static constexpr int kGoneLookMs = 1000;      // how often a batch looks whether the receiver is gone
    static constexpr int kRemindEveryMs = 30000;

private:
    // Waits `ms` in slices; false when a stop was asked.
    bool Pause(int ms);

    ReceiverSession &session;
    std::function<bool()> stopAsked;
};

#endif
