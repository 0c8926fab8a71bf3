#ifndef ORVEX_RECEIVERSESSION_H
#define ORVEX_RECEIVERSESSION_H

#include "firmwareupdater.h"

#include <functional>

// The one owner of a receiver's library objects: searches for a receiver
// over the known product IDs, opens one by product ID into a receiver
// state, reads its version, releases it, and aims an updater at it. Every
// front end, the tests and the bench go through it; what it comes to goes
// into the update record, when it has one.
class ReceiverSession
{
public:
    // The oldest firmware the updater works with.
    static constexpr double kMinimumVersion = 6.0;
    static constexpr PORTNUMBER kPort = 0;
    // Probed in this order, not sorted.
    static constexpr int kProductIds[] = {0x1311, 0x1400, 0x1315, 0x1316, 0x1317, 0x1320};

    explicit ReceiverSession(ReceiverState &state = g_receiverState, UpdateRecord *record = nullptr)
        : state(state), record(record)
    {
    }

    // One sweep over kProductIds: the first receiver that opens with a
    // supported version stays open in the state (found, pid); one that
    // opens and is not supported is released. `beforeEachProbe` runs
    // before each product ID is tried; false ends the sweep there.
    bool SearchForReceiver(const std::function<bool()> &beforeEachProbe = {});
    // The debug line that says which receiver the search accepted.
    void SayFound() const;
    // One quiet sweep: a receiver answers under any of kProductIds (what
    // opens is let go at once; the state is not touched).
    static bool AnyPlugged(PORTNUMBER port = kPort);

    // Opens the receiver that answers under `pid` into the state: up to
    // two tries, with a pause after each failure.
    bool Open(int pid, PORTNUMBER port = kPort);
    // Fills the state's version: up to three tries, with a pause after
    // each failure. Unlike the engine's back-to-back retry, this one waits:
    // a receiver just plugged in may need a moment before it answers, and
    // nothing is under way yet.
    bool ReadVersion();
    // The version read is one the updater works with (a version that is
    // not a number is not).
    bool VersionSupported() const;
    // ReadVersion, then VersionSupported.
    bool CheckVersion();
    // Lets the receiver go: the port manager's closing operation, then the
    // port manager, then the command handler; the state no longer holds it.
    void Release();

    // Receivers of this product ID serve the current pack only: nobody is
    // asked which pack, and the current pack's table decides.
    static bool PackIsChosenFor(int32_t pid);

    // Loads `updater` with the state and chooses its target; false: the
    // receiver is up to date. The record hears what was offered, and
    // closes a cut-off run whose receiver was found whole.
    bool Aim(FirmwareUpdater &updater, ProgressView *view) const;
    // Loads `updater` with the state, aimed at `rule` as a selection that
    // chose it would be.
    void AimAt(FirmwareUpdater &updater, const UpgradeRule &rule, ProgressView *view = nullptr) const;

private:
    ReceiverState &state;
    UpdateRecord *record;
};

#endif
