#ifndef ORVEX_HISTORY_H
#define ORVEX_HISTORY_H

#include "updaterecord.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

// The history of updates: history.jsonl, one JSON object a line. A run
// gets a line as it begins to change the receiver and one as it ends, so
// a start without an end is a run that was cut off; a session that ran no
// update gets one line at its end. Without a folder it is kept in memory
// only. It never stands in the way: a file it cannot write costs one line
// on stderr; whatever stands damaged in the file's place is set aside
// under a name of its own, with what could be read carried over into a
// fresh file; it reads no more than kMaxBytes of any file and keeps its
// file within them.
class History
{
public:
    static constexpr const char *kFileName = "history.jsonl";
    // Beginning of the names of the set-aside copies.
    static constexpr const char *kSetAsidePrefix = "history.jsonl.damaged";
    static constexpr qint64 kMaxBytes = 1 << 20;

    explicit History(const QString &folder = QString());

    std::optional<RecordedRun> LastRun(const std::function<bool(const RecordedRun &)> &concerns);

    void RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path);
    void RunEnds(int result, qint64 durationMs, const QString &path, int lastStep, const QString &lastStepLine);
    // What a session that ran no update came to.
    void NoReceiver();
    void UpToDate(const ReceiverFacts &receiver);
    void Declined(const ReceiverFacts &receiver, const TargetFacts &target);

    // Drops the file's oldest lines until it is no larger than `bytes`.
    void KeepWithin(qint64 bytes);
    QString FilePath() const;

private:
    void Load();
    void SetAside(const QList<QByteArray> &readable);
    void Take(const QJsonObject &line);
    void Append(const QJsonObject &line);
    void CannotWrite(const QString &why);

    QString folder;
    bool loaded = false;
    bool writable = true;
    QList<RecordedRun> runs;
    QHash<QString, int> runIndex; // run id: index in runs
    QString currentRun;
};

#endif
