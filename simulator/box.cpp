// A technician's box of receivers on the simulated bus.

#include "simulator.h"

#include "clock.h"

#include <algorithm>

namespace sim {

void Bus::UseBox(const Box &given)
{
    configured = true;
    receivers.clear();
    box = given;
    boxTurn = -1;
    boxReceiver.reset();
    hadTurn.clear();
    nextPlugAtMs = Clock::Current().NowMs() + box->plugAfterMs;
    letGoAtMs = -1;
}

void Bus::MoveBoxOn()
{
    if (!box)
        return;
    const qint64 now = Clock::Current().NowMs();
    if (boxReceiver && letGoAtMs >= 0 && now >= letGoAtMs + box->unplugAfterMs) {
        const std::shared_ptr<Receiver> left = boxReceiver;
        left->Unplug();
        receivers.clear();
        boxReceiver.reset();
        nextPlugAtMs = now + box->plugAfterMs;
        if (box->pulled)
            box->pulled(boxTurn, left);
    }
    if (!boxReceiver && boxTurn + 1 < box->turns && now >= nextPlugAtMs) {
        ++boxTurn;
        boxReceiver = box->receiverAt(boxTurn);
        hadTurn.erase(std::remove_if(hadTurn.begin(), hadTurn.end(), [](const std::weak_ptr<Receiver> &had) { return had.expired(); }),
                      hadTurn.end());
        const bool back = std::any_of(hadTurn.begin(), hadTurn.end(),
                                      [&](const std::weak_ptr<Receiver> &had) { return had.lock() == boxReceiver; });
        // Back after a failure: plugged in anew, on a sound connection.
        if (back) {
            boxReceiver->faults = {};
            boxReceiver->unplugAtCall = 0;
            boxReceiver->tornWriteBytes = -1;
            boxReceiver->Plug();
        } else {
            boxReceiver->plugged = true;
        }
        if (!back)
            hadTurn.push_back(boxReceiver);
        receivers = {boxReceiver};
        letGoAtMs = -1;
        boxReceiverOpened = false;
    }
}

void Bus::HandlerReleased()
{
    if (box && boxReceiver && boxReceiverOpened && liveHandlers == 0 && letGoAtMs < 0)
        letGoAtMs = Clock::Current().NowMs();
}

} // namespace sim
