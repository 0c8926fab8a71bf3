#ifndef ORVEX_RUNRECORD_H
#define ORVEX_RUNRECORD_H

#include "updatehistory.h"

#include <QString>

#include <memory>

// Where the updater keeps its record: $XDG_STATE_HOME/orvex-updater, else
// ~/.local/state/orvex-updater; on Windows the local application-data
// folder.
QString StateFolder();

// The record of one start of the updater: the history of updates (the
// process's history while this lives) and a log of this start, in which
// every message of the process also goes down, time-stamped, with the
// program's folder and the home folder left out. Old logs go, oldest
// first, so that at most kKeptLogs remain and the folder stays under
// kFolderBytes. A folder that cannot be made or written costs one line on
// stderr, and the updater runs as it would without the record.
class RunRecord
{
public:
    static constexpr int kKeptLogs = 20;
    static constexpr qint64 kFolderBytes = 5 << 20;
    // The log of a start grows to twice this at most: past it, the older
    // half is dropped.
    static constexpr qint64 kLogPartBytes = 1 << 20;
    static constexpr qint64 kHistoryBytes = 1 << 20;

    explicit RunRecord(const QString &folder = StateFolder());
    // Writes what the session came to, and stops logging.
    ~RunRecord();
    RunRecord(const RunRecord &) = delete;
    RunRecord &operator=(const RunRecord &) = delete;

    // The log of this start, or "" when none is kept.
    QString LogFile() const;

private:
    std::unique_ptr<UpdateHistory> history;
};

#endif
