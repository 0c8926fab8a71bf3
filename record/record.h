#ifndef ORVEX_RECORD_H
#define ORVEX_RECORD_H

#include "history.h"
#include "runlog.h"
#include "statefolder.h"
#include "updaterecord.h"

#include <memory>

// The record of one start of the updater, in its folder: the history of
// updates and the log of this start, kept within the folder's budget
// (retention.h). From its making every message of the process is held for
// the log; nothing touches the disk until Open (the window opens it after
// its first paint), or until the record is first asked for or told
// something. A folder that cannot be used costs one line on stderr, and
// the updater runs as it would without the record. At its end it writes
// what the session came to, if it ran no update.
class Record : public UpdateRecord
{
public:
    explicit Record(const QString &folder = StateFolder());
    ~Record() override;
    Record(const Record &) = delete;
    Record &operator=(const Record &) = delete;

    void Open();
    // The log of this start, or "" when none is kept.
    QString LogFile() const;

    std::optional<RecordedRun> LastRun(const std::function<bool(const RecordedRun &)> &concerns) override;
    void RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path) override;
    void RunEnds(int result, qint64 durationMs, const QString &path, int lastStep,
                 const QString &lastStepLine) override;
    void ReceiverFound() override;
    void Offered(const ReceiverFacts &receiver, const std::optional<TargetFacts> &target) override;

    // Writes what the session has come to since the last time, if it ran
    // no update; nothing more is due until a receiver is found again.
    void WriteSessionOutcome();

private:
    enum class Session { NoReceiver, Found, UpToDate, Declined, Done };

    History &Opened();

    QString folder;
    RunLog log;
    std::unique_ptr<History> history;
    Session session = Session::NoReceiver;
    ReceiverFacts offeredFor;
    TargetFacts offered;
};

#endif
