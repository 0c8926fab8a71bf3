#include "updatehistory.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTextStream>

#include <memory>

namespace {

// Far longer than any line the updater writes.
constexpr qint64 kMaxLineBytes = 16 << 10;

const char kDamagedSuffix[] = ".damaged";

UpdateHistory *g_current = nullptr;

std::unique_ptr<UpdateHistory> &InMemory()
{
    static std::unique_ptr<UpdateHistory> history = std::make_unique<UpdateHistory>();
    return history;
}

QString Hex(int32_t pid)
{
    return QString::number(pid, 16);
}

int32_t PidFrom(const QJsonValue &value)
{
    bool ok = false;
    const int32_t pid = int32_t(value.toString().toUInt(&ok, 16));
    return ok ? pid : -1;
}

QString ReasonName(TargetReason reason)
{
    switch (reason) {
    case TargetReason::UnfinishedCopy2:
        return QStringLiteral("unfinished copy 2");
    case TargetReason::UnfinishedRun:
        return QStringLiteral("unfinished run");
    case TargetReason::Rule:
        break;
    }
    return QStringLiteral("rule");
}

QJsonObject Receiver(const ReceiverFacts &receiver)
{
    return {{QStringLiteral("pid"), Hex(receiver.pid)},
            {QStringLiteral("version"), receiver.version},
            {QStringLiteral("build"), receiver.build},
            {QStringLiteral("running"), receiver.running},
            {QStringLiteral("startPosition"), receiver.startPosition}};
}

QString Pack(const ReceiverFacts &receiver)
{
    return receiver.scrivetPack ? QStringLiteral("Scrivet Pack") : QStringLiteral("Scrivet Pack Classic");
}

QJsonObject Target(const TargetFacts &target)
{
    return {{QStringLiteral("pid"), Hex(target.pid)},
            {QStringLiteral("version"), target.version},
            {QStringLiteral("build"), target.build}};
}

// A line the history writes: what happened, when, under which version.
QJsonObject Line(const char *event)
{
    return {{QStringLiteral("event"), QLatin1String(event)},
            {QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
            {QStringLiteral("program"), QCoreApplication::applicationVersion()}};
}

// Reads one line, at most kMaxLineBytes of it; an over-long line is read
// to its end and comes back empty.
QByteArray ReadLine(QFile &file, bool *tooLong)
{
    QByteArray line = file.readLine(kMaxLineBytes + 1);
    *tooLong = line.size() > kMaxLineBytes;
    while (*tooLong && !line.endsWith('\n') && !file.atEnd())
        line = file.readLine(kMaxLineBytes + 1);
    return *tooLong ? QByteArray() : line;
}

} // namespace

void SayRecordUnusable(const QString &where, const QString &why)
{
    static bool said = false;
    if (said)
        return;
    said = true;
    QTextStream(stderr) << "orvex-updater: " << where << ": " << why
                        << "; the update goes on without a record\n";
}

UpdateHistory &UpdateHistory::Current()
{
    return g_current ? *g_current : *InMemory();
}

void UpdateHistory::SetCurrent(UpdateHistory *history)
{
    g_current = history;
    if (!history)
        InMemory() = std::make_unique<UpdateHistory>();
}

UpdateHistory::UpdateHistory(const QString &folder)
    : folder(folder)
{
}

QString UpdateHistory::FilePath() const
{
    return QDir(folder).filePath(QLatin1String(kFileName));
}

void UpdateHistory::Load()
{
    if (loaded)
        return;
    loaded = true;
    if (folder.isEmpty())
        return;
    const QFileInfo info(FilePath());
    if (!info.exists() && !info.isSymLink())
        return;
    // A pipe would block the window, a link would write elsewhere.
    if (info.isSymLink() || !info.isFile()) {
        SetAside({});
        return;
    }
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) {
        writable = false;
        SayRecordUnusable(info.filePath(), file.errorString());
        return;
    }
    if (file.size() > kReadLimit) {
        // Only the newest part; the first line read there is a part line.
        file.seek(file.size() - kReadLimit);
        bool tooLong = false;
        ReadLine(file, &tooLong);
    }
    QList<QByteArray> readable;
    bool damaged = false;
    while (!file.atEnd()) {
        bool tooLong = false;
        const QByteArray line = ReadLine(file, &tooLong);
        const QJsonDocument document = QJsonDocument::fromJson(line);
        // A line cut short, by a killed writer or a full disk, is damage too.
        if (tooLong || !line.endsWith('\n') || !document.isObject()) {
            damaged = true;
            continue;
        }
        Take(document.object());
        readable << line;
    }
    if (damaged)
        SetAside(readable);
}

void UpdateHistory::SetAside(const QList<QByteArray> &readable)
{
    const QString path = FilePath();
    const QString aside = path + QLatin1String(kDamagedSuffix);
    QFile::remove(aside);
    if (!QFile::rename(path, aside)) {
        writable = false;
        SayRecordUnusable(path, QStringLiteral("damaged, and it cannot be set aside"));
        return;
    }
    QSaveFile fresh(path);
    if (!fresh.open(QIODevice::WriteOnly) || fresh.write(readable.join()) != readable.join().size()
        || !fresh.commit()) {
        writable = false;
        SayRecordUnusable(path, fresh.errorString());
    }
}

void UpdateHistory::Take(const QJsonObject &line)
{
    const QString event = line.value(QStringLiteral("event")).toString();
    const QString id = line.value(QStringLiteral("run")).toString();
    if (event == QLatin1String("run-start")) {
        const QJsonObject target = line.value(QStringLiteral("target")).toObject();
        RecordedRun run;
        run.pid = PidFrom(line.value(QStringLiteral("receiver")).toObject().value(QStringLiteral("pid")));
        run.targetPid = PidFrom(target.value(QStringLiteral("pid")));
        run.targetVersion = target.value(QStringLiteral("version")).toDouble();
        run.targetBuild = target.value(QStringLiteral("build")).toInt();
        runIndex.insert(id, int(runs.size()));
        runs << run;
    } else if (event == QLatin1String("run-end") && runIndex.contains(id)) {
        runs[runIndex.value(id)].result = line.value(QStringLiteral("result")).toInt(-1);
    }
}

void UpdateHistory::Append(QJsonObject line)
{
    Load();
    Take(line);
    if (folder.isEmpty() || !writable)
        return;
    const QByteArray bytes = QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    QFile file(FilePath());
    if (!file.open(QIODevice::Append | QIODevice::Unbuffered) || file.write(bytes) != bytes.size()) {
        writable = false;
        SayRecordUnusable(FilePath(), file.errorString());
    }
}

std::optional<RecordedRun> UpdateHistory::LastRun(const std::function<bool(const RecordedRun &)> &concerns)
{
    Load();
    for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
        if (concerns(*run))
            return *run;
    }
    return std::nullopt;
}

void UpdateHistory::RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path)
{
    sessionNote = {};
    currentRun = QString::number(QRandomGenerator::global()->generate64(), 16);
    QJsonObject line = Line("run-start");
    line.insert(QStringLiteral("run"), currentRun);
    line.insert(QStringLiteral("receiver"), Receiver(receiver));
    line.insert(QStringLiteral("pack"), Pack(receiver));
    line.insert(QStringLiteral("target"), Target(target));
    line.insert(QStringLiteral("reason"), ReasonName(target.reason));
    line.insert(QStringLiteral("path"), path);
    Append(line);
}

void UpdateHistory::RunEnds(int result, qint64 durationMs, const QString &path, int lastStep,
                            const QString &lastStepLine)
{
    QJsonObject line = Line("run-end");
    line.insert(QStringLiteral("run"), currentRun);
    line.insert(QStringLiteral("result"), result);
    line.insert(QStringLiteral("durationMs"), durationMs);
    line.insert(QStringLiteral("path"), path);
    line.insert(QStringLiteral("lastStep"), lastStep);
    line.insert(QStringLiteral("lastStepLine"), lastStepLine);
    Append(line);
    currentRun.clear();
}

void UpdateHistory::NoteNoReceiver()
{
    sessionNote = Line("no-receiver");
}

void UpdateHistory::NoteUpToDate(const ReceiverFacts &receiver)
{
    sessionNote = Line("up-to-date");
    sessionNote.insert(QStringLiteral("receiver"), Receiver(receiver));
    sessionNote.insert(QStringLiteral("pack"), Pack(receiver));
}

void UpdateHistory::NoteDeclined(const ReceiverFacts &receiver, const TargetFacts &target)
{
    sessionNote = Line("declined");
    sessionNote.insert(QStringLiteral("receiver"), Receiver(receiver));
    sessionNote.insert(QStringLiteral("pack"), Pack(receiver));
    sessionNote.insert(QStringLiteral("target"), Target(target));
    sessionNote.insert(QStringLiteral("reason"), ReasonName(target.reason));
}

void UpdateHistory::ClearSessionNote()
{
    sessionNote = {};
}

void UpdateHistory::WriteSessionNote()
{
    if (sessionNote.isEmpty())
        return;
    Append(sessionNote);
    sessionNote = {};
}

void UpdateHistory::KeepWithin(qint64 bytes)
{
    const QFileInfo info(FilePath());
    // Anything but a plain file is Load's to set aside.
    if (folder.isEmpty() || !writable || info.isSymLink() || !info.isFile() || info.size() <= bytes)
        return;
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return;
    file.seek(file.size() - bytes);
    bool tooLong = false;
    ReadLine(file, &tooLong);
    const QByteArray newest = file.readAll();
    file.close();
    QSaveFile trimmed(FilePath());
    if (!trimmed.open(QIODevice::WriteOnly) || trimmed.write(newest) != newest.size() || !trimmed.commit()) {
        writable = false;
        SayRecordUnusable(FilePath(), trimmed.errorString());
    }
}
