#include "singleinstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Per user, also in a temporary folder that several users share.
QString BaseName()
{
    return QStringLiteral("orvex-updater-%1").arg(qHash(QDir::homePath()), 0, 16);
}

} // namespace

QString SingleInstance::SessionFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime).isDir() ? runtime : QDir::tempPath();
}

SingleInstance::SingleInstance(const QString &folder)
    : nudgeFile(QDir(folder).filePath(BaseName() + QStringLiteral(".front")))
    , lock(QDir(folder).filePath(BaseName() + QStringLiteral(".lock")))
{
    // Held for as long as the updater runs: only a dead holder's lock is
    // stale, never an old one.
    lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (lock.isLocked())
        Release();
}

bool SingleInstance::Claim()
{
    if (!lock.tryLock(0))
        return false;
    QFile nudge(nudgeFile);
    nudge.open(QIODevice::WriteOnly | QIODevice::Truncate);
    nudge.close();
    watcher = std::make_unique<QFileSystemWatcher>(QStringList{nudgeFile});
    connect(watcher.get(), &QFileSystemWatcher::fileChanged, this, [this] {
        QFile asked(nudgeFile);
        if (asked.size() == 0)
            return; // our own emptying
        asked.resize(0);
        emit ComeForwardRequested();
    });
    return true;
}

bool SingleInstance::AskRunningToComeForward()
{
    GrantForegroundToOtherProcess();
    QFile nudge(nudgeFile);
    return nudge.open(QIODevice::Append | QIODevice::ExistingOnly) && nudge.write("\n", 1) == 1;
}

void SingleInstance::Release()
{
    watcher.reset();
    QFile::remove(nudgeFile);
    lock.unlock();
}
