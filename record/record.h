#ifndef ORVEX_RECORD_H
#define ORVEX_RECORD_H

#include "heldlock.h"
#include "history.h"
#include "runlog.h"
#include "statefolder.h"
#include "updaterecord.h"

#include <memory>
#include <vector>

// The record of one start of the updater: the history of updates and the
// log of this start, in the first of its folders that can be written
// (RecordFolders), kept within the folder's budget (retention.h). From its
// making every message of the process is held for the log; nothing
// touches the disk until Open (the window opens it after its first
// paint), or until the record is first asked for or told something.
// A folder that cannot be used, or stops taking what is written, gives way
// to the next, the run under way carried over; that costs one line on
// stderr. Only where none can be written does the updater run without a
// record, and Keeps() says so. Past runs are read from every folder. At
// its end it writes what the session came to, if it ran no update.
// While a run is under way its record holds a lock beside the history,
// so that others see it running, not cut off. Read only, it reads the
// folders that exist and writes, makes and trims nothing.
class Record : public UpdateRecord
{
public:
    enum class Access { ReadWrite, ReadOnly };
    explicit Record(const QStringList &folders = RecordFolders(), Access access = Access::ReadWrite);
    ~Record() override;
    Record(const Record &) = delete;
    Record &operator=(const Record &) = delete;

    void Open();
    // The folder written to, or "" when none can be.
    QString Folder() const;
    // The log of this start, or "" when none is kept.
    QString LogFile() const;
    // The record's name for the run under way.
    QString CurrentRunId() const { return history ? history->CurrentRunId() : QString(); }

    std::optional<RecordedRun> LastRun(const std::function<bool(const RecordedRun &)> &concerns) override;
    void RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path) override;
    void StepCompleted(int step, const QString &line, const QString &path) override;
    void RunEnds(int result, qint64 durationMs, const QString &path, int lastStep,
                 const QString &lastStepLine) override;
    void RunFoundComplete(const RecordedRun &run) override;
    void ReceiverFound() override;
    void Offered(const ReceiverFacts &receiver, const std::optional<TargetFacts> &target) override;
    bool Keeps() override;

    // Writes what the session has come to since the last time, if it ran
    // no update; nothing more is due until a receiver is found again.
    void WriteSessionOutcome();
    // A session that only looks (the receiver, the record) leaves no line.
    void ForgetSessionOutcome() { session = Session::Done; }

    // The lines of the histories of every folder, oldest first.
    QList<QJsonObject> Lines() const;
    // The entries they make, oldest first; a run without an end is running
    // where another updater holds its lock.
    QList<HistoryEntry> Entries() const;
    // The name of the lock a run under way holds in the folder written.
    static QString RunLockName(const QString &runId);

private:
    enum class Session { NoReceiver, Found, UpToDate, Declined, Done };

    // Takes folder `index` if it can be written; false says why.
    bool Use(int index, QString *why);
    // The folder from `from` on that can be written, or none.
    void Settle(int from, const QString &where, const QString &why);
    // Tells the history, then moves on when its folder stopped taking it.
    void Write(const std::function<void(History &)> &tell);
    // On stderr, once.
    void Say(const QString &where, const QString &what);

    QStringList folders;
    Access access;
    int current = -1;
    bool opened = false;
    bool said = false;
    RunLog log;
    std::unique_ptr<History> history;
    std::vector<std::unique_ptr<History>> elsewhere; // the other folders' histories, read only
    std::unique_ptr<HeldLock> runLock;
    Session session = Session::NoReceiver;
    ReceiverFacts offeredFor;
    TargetFacts offered;
};

#endif
