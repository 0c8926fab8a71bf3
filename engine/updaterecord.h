#ifndef ORVEX_UPDATERECORD_H
#define ORVEX_UPDATERECORD_H

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// Why the selection chose its target.
enum class TargetReason {
    Rule,            // a rule of the table applies
    UnfinishedCopy2, // the receiver runs copy 2: every finished update ends on copy 1
    UnfinishedRun,   // the last update of this receiver on this computer did not end with 0
};

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
    TargetReason reason = TargetReason::Rule;
};

// An update run as the record remembers it.
struct RecordedRun {
    int32_t pid = 0;          // the receiver's, as found
    int32_t targetPid = 0;
    double targetVersion = 0.0;
    int32_t targetBuild = 0;
    std::optional<int> result; // none: the run was cut off
};

// What the engine needs of a record of updates, and tells it. The
// selection asks for past runs; a run says when it begins to change the
// receiver and how it ends; the search and the offer say what the session
// has come to while no update runs. Nothing here may stand in the way of
// an update: a record that cannot be kept forgets, and says so itself.
class UpdateRecord
{
public:
    virtual ~UpdateRecord() = default;

    // The newest run that `concerns` picks out.
    virtual std::optional<RecordedRun> LastRun(const std::function<bool(const RecordedRun &)> &concerns) = 0;

    virtual void RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path) = 0;
    virtual void RunEnds(int result, qint64 durationMs, const QString &path, int lastStep,
                         const QString &lastStepLine) = 0;

    // The session so far, while it runs no update: a receiver was found;
    // an update was offered for it (`target`), or it was up to date (none).
    // Until then it has found no receiver; a run begun replaces all of it.
    virtual void ReceiverFound() = 0;
    virtual void Offered(const ReceiverFacts &receiver, const std::optional<TargetFacts> &target) = 0;
};

#endif
