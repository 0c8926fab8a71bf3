#ifndef ORVEX_UPDATERUN_H
#define ORVEX_UPDATERUN_H

#include "firmwareupdater.h"

// One update of one receiver, from aim to record: the target chosen for
// the receiver and why (the offer), the run with the system kept awake
// from its first change to the receiver to its end, its steps and result
// in the record. The window's update page, the command line, the tests
// and the benches all go through it; what they show is their own.
class UpdateRun
{
public:
    // The receiver opened in `state` (its library objects stay the
    // caller's); where the run is recorded and where its progress shows
    // (nullptr: nowhere).
    UpdateRun(const ReceiverState &state, UpdateRecord *record, ProgressView *view);

    // Chooses the target: true when an update is offered. The record
    // hears what was offered.
    bool Aim();
    // Aims at `rule`'s firmware, as a selection that chose it would.
    void AimAt(const UpgradeRule &rule);

    // The offer: why, from what, to what.
    Selection Reason() const { return updater.selection; }
    ReceiverFacts Receiver() const { return updater.Facts(); }
    TargetFacts Target() const { return updater.Target(); }
    // The target's firmware number is higher than the installed one's
    // (the Classic pack's line runs lower without being older).
    bool TargetNumberIsHigher() const;

    // The bar where the run will start it, before the run begins.
    void ShowStart() { updater.UpdateProgress(); }
    // The update: 0 or an error code, recorded.
    int Run();
    // What the receiver said it runs, last: after Run, what it runs now.
    const CMDHAND_VERSIONstruct &Installed() const { return updater.versionInfo; }

private:
    ReceiverState state;
    UpdateRecord *record;
    ProgressView *view;
    FirmwareUpdater updater;
};

#endif
