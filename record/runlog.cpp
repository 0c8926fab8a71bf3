#include "runlog.h"

#include "retention.h"
#include "statefolder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QList>
#include <QMutex>
#include <QMutexLocker>

namespace {

struct Held {
    qint64 msecsSinceEpoch;
    QtMsgType type;
    QString message;
};

// What the log of this process holds, writes and leaves out.
struct Log {
    QMutex mutex;
    QFile file;
    qint64 written = 0;
    QList<Held> held; // until the file opens
    qint64 heldBytes = 0;
    bool holding = true;
    QString programFolder;
    QString homeFolder;
    QtMessageHandler previous = nullptr;
};
Log *g_log = nullptr;

QByteArray Format(const Held &message)
{
    static const char *const kTypes[] = {"", "warning: ", "critical: ", "fatal: ", "info: "};
    QString text = message.message;
    text.replace(g_log->programFolder, QStringLiteral("<program folder>"));
    if (g_log->homeFolder.size() > 1)
        text.replace(g_log->homeFolder, QStringLiteral("<home>"));
    return QDateTime::fromMSecsSinceEpoch(message.msecsSinceEpoch, Qt::UTC).toString(Qt::ISODateWithMs).toUtf8()
        + ' ' + kTypes[message.type < 0 || message.type > QtInfoMsg ? 0 : message.type] + text.toUtf8() + '\n';
}

// Past its size the log starts again; its older part stays beside it.
void StartNextPart()
{
    const QString name = g_log->file.fileName();
    const QString older = name + QLatin1String(retention::kOldPartSuffix);
    g_log->file.close();
    QFile::remove(older);
    QFile::rename(name, older);
    g_log->file.setFileName(name);
    g_log->written = 0;
    if (!g_log->file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        SayAboutRecord(name, g_log->file.errorString());
}

void Write(const Held &message)
{
    const QByteArray line = Format(message);
    if (g_log->written + line.size() > retention::kLogPartBytes)
        StartNextPart();
    if (g_log->file.isOpen() && g_log->file.write(line) != line.size()) {
        SayAboutRecord(g_log->file.fileName(), g_log->file.errorString());
        g_log->file.close();
    }
    g_log->written += line.size();
}

void Tee(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    g_log->previous(type, context, message);
    QMutexLocker locker(&g_log->mutex);
    const Held said{QDateTime::currentMSecsSinceEpoch(), type, message};
    if (g_log->file.isOpen()) {
        Write(said);
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
{
    g_log = new Log;
    g_log->previous = qInstallMessageHandler(Tee);
}

RunLog::~RunLog()
{
    qInstallMessageHandler(g_log->previous);
    delete g_log;
    g_log = nullptr;
}

bool RunLog::Open(const QString &folder)
{
    QMutexLocker locker(&g_log->mutex);
    g_log->programFolder = QCoreApplication::applicationDirPath();
    g_log->homeFolder = QDir::homePath();
    bool opened = false;
    if (!folder.isEmpty()) {
        g_log->file.setFileName(NewLogName(QDir(folder)));
        opened = g_log->file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered);
    }
    if (opened) {
        for (const Held &message : std::as_const(g_log->held))
            Write(message);
    }
    g_log->held.clear();
    g_log->holding = false;
    return opened && g_log->file.isOpen();
}

QString RunLog::File() const
{
    return g_log->file.isOpen() ? g_log->file.fileName() : QString();
}
