#ifndef ORVEX_UPDATEHISTORY_H
#define ORVEX_UPDATEHISTORY_H

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
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

// An update run as the history remembers it.
struct RecordedRun {
    int32_t pid = 0;          // the receiver's, as found
    int32_t targetPid = 0;
    double targetVersion = 0.0;
    int32_t targetBuild = 0;
    std::optional<int> result; // none: the run was cut off
};

// The updater's record, for support and for the selection: history.jsonl,
// one JSON object a line. A run gets a line as it begins to change the
// receiver and one as it ends, so a start without an end is a run that was
// cut off; a session that ran no update gets one line at its end. Without
// a folder the history is kept in memory only. It never stands in the
// way: a file it cannot write costs one line on stderr, a damaged one is
// set aside with what could be read carried over, and it reads no more
// than its size limit of any file.
class UpdateHistory
{
public:
    // The history of this process; tests install their own.
    static UpdateHistory &Current();
    // nullptr puts back a fresh history kept in memory.
    static void SetCurrent(UpdateHistory *history);

    UpdateHistory() = default;
    explicit UpdateHistory(const QString &folder);

    static constexpr const char *kFileName = "history.jsonl";
    // Beyond this, only the newest part of a file is read.
    static constexpr qint64 kReadLimit = 5 << 20;

    // The newest run that `concerns` picks out.
    std::optional<RecordedRun> LastRun(const std::function<bool(const RecordedRun &)> &concerns);

    void RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path);
    void RunEnds(int result, qint64 durationMs, const QString &path, int lastStep, const QString &lastStepLine);

    // What the session has come to while it runs no update; each note
    // replaces the one before, a run clears it, and WriteSessionNote
    // writes what is left (at exit).
    void NoteNoReceiver();
    void NoteUpToDate(const ReceiverFacts &receiver);
    void NoteDeclined(const ReceiverFacts &receiver, const TargetFacts &target);
    void ClearSessionNote();
    void WriteSessionNote();

    // Drops the file's oldest lines until it is no larger than `bytes`.
    void KeepWithin(qint64 bytes);

private:
    QString FilePath() const;
    void Load();
    void SetAside(const QList<QByteArray> &readable);
    void Take(const QJsonObject &line);
    void Append(QJsonObject line);

    QString folder;
    bool loaded = false;
    bool writable = true;
    QList<RecordedRun> runs;
    QHash<QString, int> runIndex; // run id: index in runs
    QString currentRun;
    QJsonObject sessionNote;
};

// Says once a process, on stderr, that the record cannot be kept.
void SayRecordUnusable(const QString &where, const QString &why);

#endif
