#include "runlog.h"

#include "retention.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QList>
#include <QMutex>
#include <QMutexLocker>

// A message said before the log opened.
struct Held {
    qint64 msecsSinceEpoch;
    QtMsgType type;
    QString message;
};

// What the log of this process holds, writes and leaves out.
struct RunLogState {
    QMutex mutex;
    QFile file;
    qint64 written = 0;
    QList<Held> held; // until the file opens
    qint64 heldBytes = 0;
    bool holding = true;
    bool broken = false; // a line did not land: the record moves on
    QString programFolder;
    QString homeFolder;
    QtMessageHandler previous = nullptr;
};

namespace {

RunLogState *g_log = nullptr;

QByteArray Format(const RunLogState &log, const Held &message)
{
    static const char *const kTypes[] = {"", "warning: ", "critical: ", "fatal: ", "info: "};
    QString text = message.message;
    text.replace(log.programFolder, QStringLiteral("<program folder>"));
    if (log.homeFolder.size() > 1)
        text.replace(log.homeFolder, QStringLiteral("<home>"));
    return QDateTime::fromMSecsSinceEpoch(message.msecsSinceEpoch, Qt::UTC).toString(Qt::ISODateWithMs).toUtf8()
        + ' ' + kTypes[message.type < 0 || message.type > QtInfoMsg ? 0 : message.type] + text.toUtf8() + '\n';
}

// Past its size the log starts again; its older part stays beside it.
void StartNextPart(RunLogState &log)
{
    const QString name = log.file.fileName();
    const QString older = name + QLatin1String(retention::kOldPartSuffix);
    log.file.close();
    QFile::remove(older);
    QFile::rename(name, older);
    log.file.setFileName(name);
    log.written = 0;
    if (!log.file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        log.broken = true;
}

// False, with the log closed, when the line could not be written.
bool Write(RunLogState &log, const Held &message)
{
    const QByteArray line = Format(log, message);
    if (log.written + line.size() > retention::kLogPartBytes)
        StartNextPart(log);
    if (log.file.isOpen() && log.file.write(line) != line.size()) {
        log.file.close();
        return false;
    }
    log.written += line.size();
    return true;
}

void Tee(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    g_log->previous(type, context, message);
    QMutexLocker locker(&g_log->mutex);
    const Held said{QDateTime::currentMSecsSinceEpoch(), type, message};
    if (g_log->file.isOpen()) {
        if (!Write(*g_log, said))
            g_log->broken = true;
    } else if (g_log->holding && g_log->heldBytes < retention::kLogPartBytes) {
        g_log->held << said;
        g_log->heldBytes += message.size();
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

RunLog::RunLog()
    : log(new RunLogState)
{
    // The first log of the process takes its messages; another (a test
    // reading an earlier start's record) takes none.
    if (g_log)
        return;
    g_log = log;
    log->previous = qInstallMessageHandler(Tee);
}

RunLog::~RunLog()
{
    if (g_log == log) {
        qInstallMessageHandler(log->previous);
        g_log = nullptr;
    }
    delete log;
}

bool RunLog::Open(const QString &folder)
{
    QMutexLocker locker(&log->mutex);
    log->programFolder = QCoreApplication::applicationDirPath();
    log->homeFolder = QDir::homePath();
    log->file.close();
    log->written = 0;
    log->broken = false;
    log->file.setFileName(NewLogName(QDir(folder)));
    if (!log->file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return false;
    for (const Held &message : std::as_const(log->held)) {
        if (!Write(*log, message)) {
            // A full disk takes the file and not its lines.
            QFile::remove(log->file.fileName());
            return false;
        }
    }
    log->held.clear();
    log->holding = false;
    return true;
}

void RunLog::Drop()
{
    QMutexLocker locker(&log->mutex);
    log->file.close();
    log->held.clear();
    log->holding = false;
}

bool RunLog::Broken() const
{
    QMutexLocker locker(&log->mutex);
    return log->broken;
}

QString RunLog::File() const
{
    return log->file.isOpen() ? log->file.fileName() : QString();
}
