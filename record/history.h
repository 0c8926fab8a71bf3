#ifndef ORVEX_HISTORY_H
#define ORVEX_HISTORY_H

#include "updaterecord.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

// The history of updates: history.jsonl, one JSON object a line. A run
// gets a line as it begins to change the receiver, one for each step it
// completes and one as it ends, so a start without an end is a run that
// was cut off, and its last step line says how far it got; a session that
// ran no update gets one line at its end. Without a folder it is kept in memory
// only. It never stands in the way: a file it cannot write costs one line
// on stderr; whatever stands damaged in the file's place is set aside
// under a name of its own, with what could be read carried over into a
// fresh file; it reads no more than kMaxBytes of any file and keeps its
// file within them. What it cannot write it forgets; Problem() says why,
// for its owner to tell.
// How the history names a selection's outcome ("rule", "unfinished run").
QString SelectionName(Selection selection);

// One entry of the history: an update run with what became of it, or what
// a session that ran no update came to.
struct HistoryEntry {
    QString event;   // "run"; else "no-receiver", "up-to-date", "declined"
    QString id;      // a run's
    QString time;    // of its first line (ISO, UTC)
    QString program; // the version that wrote it
    std::optional<ReceiverFacts> receiver; // as found, with the pack
    std::optional<TargetFacts> target;     // what was offered or written
    QString path;    // a run's, as of its last completed step
    int stepsDone = 0;
    std::optional<int> result; // none: the run did not end
    bool foundComplete = false; // a later start found its receiver whole
    bool running = false;       // no end, and another updater carries it out now
};

// The entries that `lines` (oldest first) make, oldest first; the lines
// of a run begun beyond what is kept are left out.
QList<HistoryEntry> HistoryEntries(const QList<QJsonObject> &lines);

class History
{
public:
    static constexpr const char *kFileName = "history.jsonl";
    // Beginning of the names of the set-aside copies.
    static constexpr const char *kSetAsidePrefix = "history.jsonl.damaged";
    static constexpr qint64 kMaxBytes = 1 << 20;

    enum class Access { ReadWrite, ReadOnly };
    // Read only, it sets nothing aside and writes nothing.
    explicit History(const QString &folder = QString(), Access access = Access::ReadWrite);

    // Every readable line of the history in `folder`, oldest first.
    static QList<QJsonObject> ReadLines(const QString &folder);
    static void ForEachLine(const QString &folder, const std::function<void(const QJsonObject &)> &take);

    // Hands over each run of the history as its lines make it: a run as
    // it ends, and at the end those that did not end here. The ends of
    // runs begun in another history go into `endingsOfOthers` (run id:
    // result). Only the runs not ended are held meanwhile: what a long
    // session writes is read from the file each time, never kept whole.
    void ForEachRun(const std::function<void(const RecordedRun &)> &take, QHash<QString, int> *endingsOfOthers = nullptr);
    std::optional<RecordedRun> LastRun(const std::function<bool(const RecordedRun &)> &concerns);

    // A run's lines go to disk, and are flushed there, before the engine
    // changes the receiver again.
    void RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path);
    void StepCompleted(int step, const QString &line, const QString &path);
    void RunEnds(int result, qint64 durationMs, const QString &path, int lastStep, const QString &lastStepLine);
    void RunFoundComplete(const RecordedRun &run);
    // The lines of the run under way, to be carried into another history.
    QList<QJsonObject> CurrentRunLines() const { return currentRunLines; }
    QString CurrentRunId() const { return currentRun; }
    void Carry(const QList<QJsonObject> &lines);
    // What a session that ran no update came to.
    void NoReceiver();
    void UpToDate(const ReceiverFacts &receiver);
    void Declined(const ReceiverFacts &receiver, const TargetFacts &target);

    // Drops the file's oldest lines until it is no larger than `bytes`.
    void KeepWithin(qint64 bytes);
    QString FilePath() const;
    // It has a file, and what it is told still goes there.
    bool Writes() const { return !folder.isEmpty() && writable && access == Access::ReadWrite; }
    // Why it no longer writes.
    QString Problem() const { return problem; }

private:
    void Load();
    void SetAside(const QList<QByteArray> &readable);
    void Append(const QJsonObject &line, bool flush = false);
    void AppendToRun(const QJsonObject &line);
    void CannotWrite(const QString &why);

    QString folder;
    Access access;
    bool loaded = false;
    bool writable = true;
    QList<QJsonObject> kept; // without a folder
    QString currentRun;
    QList<QJsonObject> currentRunLines;
    QString problem;
};

#endif
