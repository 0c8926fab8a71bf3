#include "runrecord.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

#include <algorithm>

namespace {

const char kFolderName[] = "orvex-updater";
const char kLogPattern[] = "run-*.log*";
const char kOldPartSuffix[] = ".old";

// The log this process writes, and what it leaves out of each line.
struct Log {
    QMutex mutex;
    QFile file;
    qint64 written = 0;
    QString programFolder;
    QString homeFolder;
    QtMessageHandler previous = nullptr;
};
Log *g_log = nullptr;

QString Redacted(QString message)
{
    message.replace(g_log->programFolder, QStringLiteral("<program folder>"));
    if (g_log->homeFolder.size() > 1)
        message.replace(g_log->homeFolder, QStringLiteral("<home>"));
    return message;
}

// Past its size the log starts again; its older part stays beside it.
void StartNextPart()
{
    const QString name = g_log->file.fileName();
    g_log->file.close();
    QFile::remove(name + QLatin1String(kOldPartSuffix));
    QFile::rename(name, name + QLatin1String(kOldPartSuffix));
    g_log->file.setFileName(name);
    g_log->written = 0;
    if (!g_log->file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        SayRecordUnusable(name, g_log->file.errorString());
}

void Tee(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    g_log->previous(type, context, message);
    QMutexLocker locker(&g_log->mutex);
    if (!g_log->file.isOpen())
        return;
    static const char *const kTypes[] = {"", "warning: ", "critical: ", "fatal: ", "info: "};
    const QByteArray line = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8() + ' '
        + kTypes[type < 0 || type > QtInfoMsg ? 0 : type] + Redacted(message).toUtf8() + '\n';
    if (g_log->written + line.size() > RunRecord::kLogPartBytes)
        StartNextPart();
    // Unbuffered: a killed updater leaves its last lines behind.
    if (g_log->file.isOpen() && g_log->file.write(line) != line.size()) {
        SayRecordUnusable(g_log->file.fileName(), g_log->file.errorString());
        g_log->file.close();
    }
    g_log->written += line.size();
}

// The folder is ours to write: made if missing, a folder, writable, and
// (where the system says) owned by this user.
bool Usable(const QString &folder, QString *why)
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

// Drops the oldest logs (both parts of a start count as one) until
// `kept` starts remain and they fit in `bytes`.
void DropOldLogs(const QDir &folder, int kept, qint64 bytes)
{
    QFileInfoList logs = folder.entryInfoList({QLatin1String(kLogPattern)}, QDir::Files, QDir::Name);
    std::reverse(logs.begin(), logs.end()); // newest first: names begin with the time
    QStringList starts;
    qint64 total = 0;
    for (const QFileInfo &log : logs) {
        QString start = log.fileName();
        start.chop(start.endsWith(QLatin1String(kOldPartSuffix)) ? int(qstrlen(kOldPartSuffix)) : 0);
        if (!starts.contains(start))
            starts << start;
        total += log.size();
        if (starts.size() > kept || total > bytes)
            QFile::remove(log.filePath());
    }
}

QString NewLogName(const QDir &folder)
{
    const QString time = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'"));
    QString name = QStringLiteral("run-%1.log").arg(time);
    for (int n = 2; folder.exists(name); ++n)
        name = QStringLiteral("run-%1-%2.log").arg(time).arg(n);
    return folder.filePath(name);
}

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

RunRecord::RunRecord(const QString &folder)
{
    QString why;
    if (!Usable(folder, &why)) {
        SayRecordUnusable(folder, why);
        history = std::make_unique<UpdateHistory>();
        UpdateHistory::SetCurrent(history.get());
        return;
    }
    history = std::make_unique<UpdateHistory>(folder);
    UpdateHistory::SetCurrent(history.get());
    history->KeepWithin(kHistoryBytes);

    const QDir dir(folder);
    const qint64 historyBytes = QFileInfo(dir.filePath(QLatin1String(UpdateHistory::kFileName))).size();
    // Room for this start's log, which grows to two parts.
    DropOldLogs(dir, kKeptLogs - 1, kFolderBytes - historyBytes - 2 * kLogPartBytes);

    g_log = new Log;
    g_log->programFolder = QCoreApplication::applicationDirPath();
    g_log->homeFolder = QDir::homePath();
    g_log->file.setFileName(NewLogName(dir));
    if (!g_log->file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        SayRecordUnusable(g_log->file.fileName(), g_log->file.errorString());
        delete g_log;
        g_log = nullptr;
        return;
    }
    g_log->previous = qInstallMessageHandler(Tee);
}

RunRecord::~RunRecord()
{
    history->WriteSessionNote();
    UpdateHistory::SetCurrent(nullptr);
    if (g_log) {
        qInstallMessageHandler(g_log->previous);
        delete g_log;
        g_log = nullptr;
    }
}

QString RunRecord::LogFile() const
{
    return g_log ? g_log->file.fileName() : QString();
}
