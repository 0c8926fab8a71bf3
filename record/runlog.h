#ifndef ORVEX_RUNLOG_H
#define ORVEX_RUNLOG_H

#include <QString>

// The log of one start: every message of the process, time-stamped in
// UTC, with the program's folder and the home folder left out. From the
// moment the log is made the messages are held in memory; Open writes
// them first and every later one as it comes, unbuffered, so that a
// killed updater leaves its last lines. Past retention::kLogPartBytes the
// log starts again and keeps its older part beside it. The process's
// messages go to the first log made, while it lives.
class RunLog
{
public:
    RunLog();
    ~RunLog();
    RunLog(const RunLog &) = delete;
    RunLog &operator=(const RunLog &) = delete;

    // A new log in `folder`, in place of any before; false (what is held
    // stays held) when it cannot be made or written.
    bool Open(const QString &folder);
    // No log: what is held goes, and nothing more is held.
    void Drop();
    // A line could not be written since the log opened (a full disk).
    bool Broken() const;
    // The log's file, or "" while none is open.
    QString File() const;

private:
    struct RunLogState *log;
};

#endif
