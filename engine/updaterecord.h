#ifndef ORVEX_UPDATERECORD_H
#define ORVEX_UPDATERECORD_H

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// What the selection came to, and why: one value that the pages, the
// record and the command line read.
enum class Selection {
    UpToDate,        // nothing to write
    FoundComplete,   // an update cut off after its last write left it whole: up to date
    Rule,            // a rule of the table applies
    UnfinishedCopy2, // the receiver runs copy 2: every finished update ends on copy 1
    UnfinishedRun,   // the last update of this receiver on this computer did not end with 0
    Copy2NotTarget,  // copy 1 runs firmware the table installs, copy 2's header is not its
};

// An update is offered: the target is installed, or an unfinished
// update finished.
constexpr bool Offers(Selection selection)
{
    return selection != Selection::UpToDate && selection != Selection::FoundComplete;
}
constexpr bool Finishes(Selection selection)
{
    return selection == Selection::UnfinishedCopy2 || selection == Selection::UnfinishedRun
        || selection == Selection::Copy2NotTarget;
}

// The receiver as the search found it, and the pack chosen for it.
struct ReceiverFacts {
    int32_t pid = 0;
    double version = 0.0;
    int32_t build = 0;
    int32_t running = 0;       // codePosition
    int32_t startPosition = 0;
    bool scrivetPack = false;  // table A; false: the Classic table
};

struct TargetFacts {
    int32_t pid = 0;
    double version = 0.0;
    int32_t build = 0;
    Selection reason = Selection::Rule;
};

// An update run as the record remembers it.
struct RecordedRun {
    int32_t pid = 0;          // the receiver's, as found
    double foundVersion = 0.0; // what it ran, as found (0: not recorded)
    int32_t foundBuild = 0;
    int32_t targetPid = 0;
    double targetVersion = 0.0;
    int32_t targetBuild = 0;
    std::optional<int> result; // none: the run was cut off
    QString id;               // the record's own name for it
    QString path;             // the path of its last completed step ("short", "full", "boot")
    int lastCompletedStep = -1; // none yet; 0: the restart on copy 2 before the path
    QString time;             // its rank: when its newest line was written (ISO, UTC), never before an earlier line of its file
};

// What the engine needs of a record of updates, and tells it. The
// selection asks for past runs; a run says when it begins to change the
// receiver, each step it completes (before the next change to the
// receiver) and how it ends; the search and the offer say what the
// session has come to while no update runs. Nothing here may stand in
// the way of an update: a record that cannot be kept forgets, and says so
// itself.
class UpdateRecord
{
public:
    virtual ~UpdateRecord() = default;

    // The newest run that `concerns` picks out.
    virtual std::optional<RecordedRun> LastRun(const std::function<bool(const RecordedRun &)> &concerns) = 0;

    virtual void RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path) = 0;
    virtual void StepCompleted(int step, const QString &line, const QString &path) = 0;
    virtual void RunEnds(int result, qint64 durationMs, const QString &path, int lastStep,
                         const QString &lastStepLine) = 0;
    // A cut-off run whose receiver turned out whole: it ends, with 0.
    virtual void RunFoundComplete(const RecordedRun &run) = 0;

    // The session so far, while it runs no update: a receiver was found;
    // an update was offered for it (`target`), or it was up to date (none).
    // Until then it has found no receiver; a run begun replaces all of it.
    virtual void ReceiverFound() = 0;
    virtual void Offered(const ReceiverFacts &receiver, const std::optional<TargetFacts> &target) = 0;

    // Whether what it is told now is kept where the next start finds it.
    virtual bool Keeps() = 0;
};

#endif
