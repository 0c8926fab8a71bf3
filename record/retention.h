#ifndef ORVEX_RETENTION_H
#define ORVEX_RETENTION_H

#include <QString>

// How much of the record a folder keeps, as one rule over every file the
// record writes there: the history, kept within History::kMaxBytes; the log of
// this start, at most two parts of kLogPartBytes; and, newest first, the
// logs of earlier starts and the set-aside copies of damaged histories,
// as many as fit with those in kFolderBytes, at most kKeptStarts - 1
// earlier starts and kKeptSetAside copies. The oldest go first. The lock
// of a run that no one holds any more goes too.
namespace retention {

constexpr qint64 kFolderBytes = 5 << 20;
constexpr qint64 kLogPartBytes = 1 << 20;
constexpr int kKeptStarts = 20;
constexpr int kKeptSetAside = 3;

// The names the record gives this start's log and its older part, and
// the locks of runs under way.
constexpr const char *kLogPattern = "run-*.log";
constexpr const char *kRunLockPrefix = "running-";
constexpr const char *kRunLockSuffix = ".lock";
constexpr const char *kOldPartSuffix = ".old";

// Makes room in `folder` for this start's log, which is yet to be made,
// beside its history, already kept within its size.
void MakeRoom(const QString &folder);

} // namespace retention

#endif
