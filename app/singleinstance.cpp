#include "singleinstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

namespace {

constexpr int kConnectTimeoutMs = 1000;

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
#ifdef Q_OS_WIN
    // Named pipes live in one namespace of their own.
    : serverName(BaseName())
#else
    : serverName(QDir(folder).filePath(BaseName() + QStringLiteral(".socket")))
#endif
    , lock(QDir(folder).filePath(BaseName() + QStringLiteral(".lock")))
{
    // Held for as long as the updater runs: only a dead holder's lock is
    // stale, never an old one.
    lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::Claim()
{
    if (!lock.tryLock(0))
        return false;
    // Holding the lock, whatever socket is left there is a dead updater's.
    QLocalServer::removeServer(serverName);
    server = std::make_unique<QLocalServer>();
    connect(server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *caller = server->nextPendingConnection())
            caller->deleteLater();
        emit ComeForwardRequested();
    });
    server->listen(serverName);
    return true;
}

bool SingleInstance::AskRunningToComeForward()
{
    GrantForegroundToOtherProcess();
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::Release()
{
    server.reset();
    lock.unlock();
}
