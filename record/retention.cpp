#include "retention.h"

#include "heldlock.h"
#include "history.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace retention {

namespace {

// What an entry takes on disk; a link counts for nothing, being followed
// by nobody.
qint64 Size(const QFileInfo &entry)
{
    if (entry.isSymLink() || !entry.isDir())
        return entry.isSymLink() ? 0 : entry.size();
    qint64 bytes = 0;
    QDirIterator inside(entry.filePath(), QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
    while (inside.hasNext()) {
        inside.next();
        bytes += inside.fileInfo().isSymLink() ? 0 : inside.fileInfo().size();
    }
    return bytes;
}

void Remove(const QFileInfo &entry)
{
    // A set-aside folder goes with what is in it; a link goes, never what
    // it points to.
    if (entry.isDir() && !entry.isSymLink())
        QDir(entry.filePath()).removeRecursively();
    else
        QFile::remove(entry.filePath());
}

// When the entry was made, as its name says: logs and set-aside copies
// both carry the time after their first '-'; an entry without one is the
// oldest.
QString Made(const QString &name)
{
    const int dash = name.indexOf(QLatin1Char('-'));
    return dash < 0 ? QString() : name.mid(dash + 1);
}

} // namespace

void MakeRoom(const QString &folder)
{
    const QDir dir(folder);
    // A run's lock outlives a killed holder only where the system does
    // not remove it; whoever holds one still is running.
    for (const QFileInfo &lock : dir.entryInfoList({QLatin1String(kRunLockPrefix) + QLatin1Char('*') + QLatin1String(kRunLockSuffix)},
                                                     QDir::Files | QDir::Hidden)) {
        if (!HeldLock::IsHeld(lock.filePath()))
            QFile::remove(lock.filePath());
    }
    const qint64 history = QFileInfo(dir.filePath(QLatin1String(History::kFileName))).size();

    QFileInfoList entries = dir.entryInfoList(
        {QLatin1String(kLogPattern), QLatin1String(kLogPattern) + QLatin1String(kOldPartSuffix),
         QLatin1String(History::kSetAsidePrefix) + QLatin1Char('*')},
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    std::sort(entries.begin(), entries.end(), [](const QFileInfo &a, const QFileInfo &b) {
        return Made(a.fileName()) > Made(b.fileName());
    });
    QStringList starts;
    int setAside = 0;
    qint64 total = history + 2 * kLogPartBytes;
    for (const QFileInfo &entry : entries) {
        bool keep = true;
        if (entry.fileName().startsWith(QLatin1String(History::kSetAsidePrefix))) {
            keep = ++setAside <= kKeptSetAside;
        } else {
            QString start = entry.fileName();
            if (start.endsWith(QLatin1String(kOldPartSuffix)))
                start.chop(int(qstrlen(kOldPartSuffix)));
            if (!starts.contains(start))
                starts << start;
            keep = starts.size() < kKeptStarts;
        }
        total += Size(entry);
        if (!keep || total > kFolderBytes)
            Remove(entry);
    }
}

} // namespace retention
