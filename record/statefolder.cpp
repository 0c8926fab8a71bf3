#include "statefolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

const char kFolderName[] = "orvex-updater";

} // namespace

QString StateFolder()
{
#ifdef Q_OS_WIN
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#else
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // The base directory specification ignores a relative path.
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
#endif
    return QDir(base).filePath(QLatin1String(kFolderName));
}

QStringList RecordFolders()
{
    QStringList folders{StateFolder()};
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty())
        folders << QDir(cache).filePath(QLatin1String(kFolderName));
#ifdef Q_OS_WIN
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
#else
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
#endif
    if (QDir::isAbsolutePath(runtime))
        folders << QDir(runtime).filePath(QLatin1String(kFolderName));
    return folders;
}

bool FolderUsable(const QString &folder, QString *why)
{
    if (!QDir().mkpath(folder)) {
        *why = QStringLiteral("cannot be made");
        return false;
    }
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isWritable()) {
        *why = QStringLiteral("cannot be written");
        return false;
    }
#ifndef Q_OS_WIN
    if (info.ownerId() != ::getuid()) {
        *why = QStringLiteral("belongs to another user");
        return false;
    }
#endif
    return true;
}

void SayAboutRecord(const QString &where, const QString &what)
{
    QTextStream(stderr) << "orvex-updater: " << where << ": " << what << '\n';
}
