// A technician's box of receivers on the simulated bus.

#include "simulator.h"

#include "clock.h"

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
        // Back after a failure: plugged in anew, on a sound connection.
        if (hadTurn.contains(boxReceiver.get())) {
            boxReceiver->faults = {};
            boxReceiver->unplugAtCall = 0;
            boxReceiver->tornWriteBytes = -1;
            boxReceiver->Plug();
        } else {
            boxReceiver->plugged = true;
        }
        hadTurn.insert(boxReceiver.get());
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
