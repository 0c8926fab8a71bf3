#ifndef ORVEX_RECEIVERSESSION_H
#define ORVEX_RECEIVERSESSION_H

#include "firmwareupdater.h"

// The one owner of a receiver's library objects: opens a receiver by
// product ID into a receiver record, reads its version, releases it, and
// aims an updater at it. The search page, the tests and the bench all go
// through it.
class ReceiverSession
{
public:
    // The oldest firmware the updater works with.
    static constexpr double kMinimumVersion = 6.0;
    static constexpr PORTNUMBER kPort = 0;

    explicit ReceiverSession(ReceiverState &record = g_receiverState) : record(record) {}

    // Opens the receiver that answers under `pid` into the record: up to
    // two tries, with a pause after each failure.
    bool Open(int pid, PORTNUMBER port = kPort);
    // Fills the record's version: up to three tries, with a pause after
    // each failure. Unlike the engine's back-to-back retry, this one waits:
    // a receiver just plugged in may need a moment before it answers, and
    // nothing is under way yet.
    bool ReadVersion();
    // The version read is one the updater works with (a version that is
    // not a number is not).
    bool VersionSupported() const;
    // Lets the receiver go: the port manager's closing operation, then the
    // port manager, then the command handler; the record no longer holds it.
    void Release();

    // Loads `updater` with the record and chooses its target; false: the
    // receiver is up to date.
    bool Aim(FirmwareUpdater &updater, ProgressView *view) const;
    // Loads `updater` with the record, aimed at `rule` as a selection that
    // chose it would be.
    void AimAt(FirmwareUpdater &updater, const UpgradeRule &rule, ProgressView *view = nullptr) const;

private:
    ReceiverState &record;
};

#endif
