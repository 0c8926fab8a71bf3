#include "sweeps.h"

#include "clock.h"

Sweeps::Sweeps(ReceiverSession &session, const std::function<bool()> &stopAsked)
    : session(session)
    , stopAsked(stopAsked)
{
}

bool Sweeps::Pause(int ms)
{
    for (int slept = 0; slept < ms && !stopAsked(); slept += kLookMs)
        Clock::Current().Wait(kLookMs);
    return !stopAsked();
}

bool Sweeps::UntilFound(qint64 waitMs)
{
    Stopwatch waited;
    waited.Start();
    for (;;) {
        if (session.SearchForReceiver([this] { return !stopAsked(); }))
            return true;
        if (stopAsked() || (waitMs >= 0 && waited.ElapsedMs() >= waitMs))
            return false;
        Pause(kBetweenSweepsMs);
    }
}

void Sweeps::UntilNoneLeft(const std::function<void()> &remind)
{
    Stopwatch plugged;
    plugged.Start();
    qint64 remindedAtMs = 0;
    while (!stopAsked() && ReceiverSession::AnyPlugged()) {
        if (plugged.ElapsedMs() - remindedAtMs >= kRemindEveryMs) {
            remindedAtMs = plugged.ElapsedMs();
            remind();
        }
        if (!Pause(kGoneLookMs))
            return;
    }
}
