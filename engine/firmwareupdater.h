#ifndef ORVEX_FIRMWAREUPDATER_H
#define ORVEX_FIRMWAREUPDATER_H

#include "catalogue.h"
#include "clock.h"
#include "receiverstate.h"
#include "updaterecord.h"

#include <QtGlobal>

#include <cstdint>
#include <functional>

// The program's waits: they act on no user input.
void WaitMilliseconds(int ms);

// What a step of an update does, in the words a person understands.
enum class StepKind { WritingCopy1, WritingCopy2, WritingBootCode, WritingLastBytes, Restarting, Finishing };

// Where the engine shows how far an update has come (the update page's
// bar, the command line's line); the engine itself knows no window.
class ProgressView
{
public:
    virtual ~ProgressView() = default;
    // Shows `percent` at once, then lets the window take its pending events.
    virtual void ShowProgress(int percent) = 0;
    // A step begins (a restart on copy 2 before the path is one too).
    virtual void StepBegins(StepKind) {}
    // The receiver restarts, the `restart`th of the `restarts` the run
    // plans so far: from the wait for it until it answers again, or the
    // engine gives up on it. The engine blocks meanwhile.
    virtual void RestartWaitBegins(int restart, int restarts)
    {
        Q_UNUSED(restart)
        Q_UNUSED(restarts)
    }
    virtual void RestartWaitEnds() {}
};

// Error codes of the device operations and of RunFlashUpgrade.
enum UpdateError : int32_t {
    kUpdateSucceeded = 0,
    kBootModeStartFailed = 1,
    kBootSectorModeFailed = 2,
    kBootSectorWriteFailed = 3,
    kCopyModeStartFailed = 4,
    kCopyCodeWriteFailed = 5,
    kCopyHeaderWriteFailed = 6,
    kLastBytesModeStartFailed = 7,
    kLastBytesSectorModeFailed = 8,
    kLastBytesSectorWriteFailed = 9,
    kRestartCommandFailed = 10,
    kReconnectTimedOut = 11,
    kVersionAfterRestartFailed = 12,
    kWrongCopyRunning = 13,
    kCopyFlashInfoFailed = 16,
    kFlashInfoFailed = 17,
    kReceiverNotReachable = 18,
    kCopyWriteFailedTwice = 119,
};

// The update engine. It works on its own copy of the receiver record.
struct FirmwareUpdater : ReceiverState {
    enum Mode : int32_t { kShortPath = 9, kFullPath = 10, kBootCodePath = 11 };

    FirmwareUpdater() = default;

    // Takes a copy of the receiver record, where progress is shown and
    // where updates are recorded (nowhere: nullptr).
    void Load(ReceiverState state, ProgressView *view, UpdateRecord *record = nullptr);

    // Device operations with retries (false: errorCode says why, except
    // for GetVersionWithRetry, whose callers store the code).
    bool GetVersionWithRetry();
    bool GetFlashInfoWithRetry(CMDHAND_FLASH_INFOstruct &info, bool newFormat);
    bool RestartWithCopy(int position);

    // Flash writing.
    bool WriteCopyCode(int copy);
    bool WriteBootCode();
    bool WriteLast256Bytes();
    void UpdateProgress();

    // One whole update: 0 or an error code, recorded in `record`.
    int RunFlashUpgrade();

    // Every write of the recorded run's path was done; a restart of its
    // path onto a new copy was done (before it, the receiver still runs
    // what it ran), among the completed steps or with the one under way
    // when the run ended (a cut can come after a restart and before its
    // step is recorded).
    static bool WritesDone(const RecordedRun &run);
    enum class Counting { Completed, StepUnderWay };
    static bool RestartedOnPath(const RecordedRun &run, Counting counting = Counting::Completed);

    // Chooses the target for this receiver; false: it is up to date.
    // `selection` says what it came to. It may ask the receiver for its
    // copy-2 header's sums (once).
    bool FindUpgrade();
    bool IsTargetNewer(const UpgradeRule &rule) const;
    // Aims at `rule`'s firmware, as the selection does when the rule
    // applies.
    void AimAt(const UpgradeRule &rule);

    // The receiver as the updater knows it now, with the pack; and the
    // target chosen for it.
    ReceiverFacts Facts() const;
    TargetFacts Target() const;

    ProgressView *progressView = nullptr;
    UpdateRecord *record = nullptr;
    const FirmwareImage *target = nullptr;
    int32_t targetPid = 0; // the outcome the chosen rule names
    Selection selection = Selection::UpToDate;
    RecordedRun completedRun; // the run found complete, with Selection::FoundComplete
    const FirmwareBlocks *images = nullptr;
    int32_t mode = kShortPath;
    int32_t stepCount = 1;
    int32_t step = 0;
    double stepFraction = 0.0;
    int32_t errorCode = kUpdateSucceeded;
    bool pidChanges = false;

    // The waits of the device operations and the sequence.
    static constexpr int kFlashInfoFailures = 5;
    static constexpr int kFlashInfoPauseMs = 50;
    static constexpr int kPidChangeExtraMs = 50000; // added to each restart wait
    static constexpr int kReconnectLimitMs = 60000;
    static constexpr int kReconnectPauseMs = 500;
    static constexpr int kSettleAfterReconnectMs = 500;
    static constexpr int kRetryPauseMs = 500; // before a copy write's second try, full path only

    // The highest percentage shown so far in this run: the bar never
    // moves back, and each run starts it again.
    static constexpr int32_t kFirstReportedPercent = 10;
    int32_t lastReportedPercent = kFirstReportedPercent;

private:
    bool UsesOldFlashProtocol() const;
    bool Fail(UpdateError code);
    Selection UnfinishedUpdate(const UpgradeTable &table, const std::function<bool(const FirmwareImage &)> &copy2Holds,
                               const UpgradeRule **rule, bool *changesPid);
    bool ReadCopy2Sums(CMDHAND_FLASH_INFOstruct &info) const;
    void Aim(const UpgradeRule &rule, Selection reason, bool changesPid);
    void RecordStep(int completed, const char *line);
    int ChooseAndRunPath();
    bool ResumesOnCopy1() const;
    bool RestartOnCopy2BeforePath(const char *debugLine);
    // Each returns 0 to go on, kSwitchToFullPath, or a run result.
    int PrepareShortPath(bool newFormat);
    int PrepareFullPath(bool newFormat);
    int RunSteps(int path);

    // The run's record: its start goes down before the receiver is first
    // changed (a restart or a write), or with its end.
    void RecordRunBegins();
    void RecordRunEnds(int result);
    ReceiverFacts runFoundAs;
    bool runRecorded = false;
    const char *runPath = "none";
    const char *lastStepLine = nullptr;
    Stopwatch runTime;
    // Restarts made in this run, and made and still ahead as it plans now.
    int restartsDone = 0;
    int restartsPlanned = 0;
    void PlanRestarts(int ahead);
    void StepBegins(StepKind kind);
};

#endif
