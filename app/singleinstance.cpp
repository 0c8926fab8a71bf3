#include "singleinstance.h"

#include "clock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const char kCannot[] = "cannot\n";
// The running updater answers within a wait slice; a hung one not at all.
constexpr int kAnswerMs = 3000;
constexpr int kLookEveryMs = 50;

// Per user, also in a temporary folder that several users share. The
// hash is fixed by its definition, so updaters built with another Qt
// still meet under the same name.
QString BaseName()
{
    const QByteArray home = QCryptographicHash::hash(QDir::homePath().toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("orvex-updater-%1").arg(QString::fromLatin1(home.toHex().left(16)));
}

} // namespace

QString SingleInstance::SessionFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime).isDir() ? runtime : QDir::tempPath();
}

SingleInstance::SingleInstance(const QString &folder)
    : nudgeFile(QDir(folder).filePath(BaseName() + QStringLiteral(".front")))
    , lock(QDir(folder).filePath(BaseName() + QStringLiteral(".lock")), HeldLock::File::RemovedOnRelease)
{
}

SingleInstance::~SingleInstance()
{
    if (lock.Taken())
        Release();
}

bool SingleInstance::Claim()
{
    if (!lock.Take())
        return false;
    QFile nudge(nudgeFile);
    nudge.open(QIODevice::WriteOnly | QIODevice::Truncate);
    nudge.close();
    watcher = std::make_unique<QFileSystemWatcher>(QStringList{nudgeFile});
    connect(watcher.get(), &QFileSystemWatcher::fileChanged, this, [this] {
        QFile asked(nudgeFile);
        if (!asked.open(QIODevice::ReadWrite))
            return;
        const QByteArray said = asked.readAll();
        if (said.isEmpty() || said == kCannot)
            return; // our own answer
        answeredCannot = false;
        emit ComeForwardRequested();
        if (!answeredCannot)
            asked.resize(0);
    });
    return true;
}

bool SingleInstance::AskRunningToComeForward()
{
    GrantForegroundToOtherProcess();
    QFile nudge(nudgeFile);
    if (!nudge.open(QIODevice::Append | QIODevice::ExistingOnly) || nudge.write("\n", 1) != 1)
        return false;
    nudge.close();
    Stopwatch waited;
    waited.Start();
    while (waited.ElapsedMs() < kAnswerMs) {
        Clock::Current().Wait(kLookEveryMs);
        QFile answer(nudgeFile);
        if (!answer.open(QIODevice::ReadOnly))
            return false;
        const QByteArray said = answer.readAll();
        if (said.isEmpty() || said == kCannot)
            return said.isEmpty();
    }
    return false;
}

void SingleInstance::AnswerCannotComeForward()
{
    answeredCannot = true;
    QFile asked(nudgeFile);
    if (asked.open(QIODevice::WriteOnly | QIODevice::Truncate))
        asked.write(kCannot);
}

void SingleInstance::Release()
{
    watcher.reset();
    QFile::remove(nudgeFile);
    lock.Release();
}
