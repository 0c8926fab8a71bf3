#include "history.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSaveFile>

#include <algorithm>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Far longer than any line the updater writes.
constexpr qint64 kMaxLineBytes = 16 << 10;

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


// On the disk itself, not only handed to the system: a power cut after a
// step still finds it.
void Flush(QFile &file)
{
#ifdef Q_OS_WIN
    _commit(file.handle());
#else
    ::fsync(file.handle());
#endif
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

ReceiverFacts ReceiverFrom(const QJsonObject &line)
{
    const QJsonObject receiver = line.value(QStringLiteral("receiver")).toObject();
    ReceiverFacts facts;
    facts.pid = PidFrom(receiver.value(QStringLiteral("pid")));
    facts.version = receiver.value(QStringLiteral("version")).toDouble();
    facts.build = receiver.value(QStringLiteral("build")).toInt();
    facts.running = receiver.value(QStringLiteral("running")).toInt();
    facts.startPosition = receiver.value(QStringLiteral("startPosition")).toInt();
    facts.scrivetPack = line.value(QStringLiteral("pack")).toString() == QLatin1String("Scrivet Pack");
    return facts;
}

Selection SelectionNamed(const QString &name)
{
    for (const Selection selection : {Selection::UpToDate, Selection::FoundComplete, Selection::UnfinishedCopy2,
                                      Selection::UnfinishedRun, Selection::Copy2NotTarget}) {
        if (SelectionName(selection) == name)
            return selection;
    }
    return Selection::Rule;
}

TargetFacts TargetFrom(const QJsonObject &line)
{
    const QJsonObject target = line.value(QStringLiteral("target")).toObject();
    return {PidFrom(target.value(QStringLiteral("pid"))), target.value(QStringLiteral("version")).toDouble(),
            target.value(QStringLiteral("build")).toInt(), SelectionNamed(line.value(QStringLiteral("reason")).toString())};
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

// A name beside `path` that no earlier set-aside copy has: the time, and a
// number where that is taken too.
QString SetAsideName(const QString &folder)
{
    const QDir dir(folder);
    const QString base = QLatin1String(History::kSetAsidePrefix) + QLatin1Char('-')
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'"));
    QString name = base;
    for (int n = 2; QFileInfo(dir.filePath(name)).exists() || QFileInfo(dir.filePath(name)).isSymLink(); ++n)
        name = base + QStringLiteral("-%1").arg(n);
    return dir.filePath(name);
}

} // namespace

QString SelectionName(Selection reason)
{
    switch (reason) {
    case Selection::UnfinishedCopy2:
        return QStringLiteral("unfinished copy 2");
    case Selection::UnfinishedRun:
        return QStringLiteral("unfinished run");
    case Selection::Copy2NotTarget:
        return QStringLiteral("copy 2 not the target");
    case Selection::UpToDate:
        return QStringLiteral("up to date");
    case Selection::FoundComplete:
        return QStringLiteral("found complete");
    case Selection::Rule:
        break;
    }
    return QStringLiteral("rule");
}

QList<HistoryEntry> HistoryEntries(const QList<QJsonObject> &lines)
{
    QList<HistoryEntry> entries;
    QHash<QString, int> runs;
    for (const QJsonObject &line : lines) {
        const QString id = line.value(QStringLiteral("run")).toString();
        const QString event = line.value(QStringLiteral("event")).toString();
        if (!id.isEmpty() && runs.contains(id)) {
            HistoryEntry &run = entries[runs.value(id)];
            if (event == QLatin1String("run-step")) {
                ++run.stepsDone;
                if (!run.result)
                    run.path = line.value(QStringLiteral("path")).toString(run.path);
            } else if (event == QLatin1String("run-end") || event == QLatin1String("run-found-complete")) {
                run.result = line.value(QStringLiteral("result")).toInt(-1);
                run.foundComplete = event == QLatin1String("run-found-complete");
                if (!run.foundComplete)
                    run.path = line.value(QStringLiteral("path")).toString(run.path);
            }
            continue;
        }
        if (!id.isEmpty() && event != QLatin1String("run-start"))
            continue; // the end of a run begun beyond what is kept
        HistoryEntry entry;
        entry.event = event == QLatin1String("run-start") ? QStringLiteral("run") : event;
        entry.id = id;
        entry.time = line.value(QStringLiteral("time")).toString();
        entry.program = line.value(QStringLiteral("program")).toString();
        if (line.contains(QStringLiteral("receiver")))
            entry.receiver = ReceiverFrom(line);
        if (line.contains(QStringLiteral("target")))
            entry.target = TargetFrom(line);
        entry.path = line.value(QStringLiteral("path")).toString();
        if (!id.isEmpty())
            runs.insert(id, int(entries.size()));
        entries << entry;
    }
    return entries;
}

// Each readable line of the history in `folder`, oldest first, as it is
// read: no more than kMaxBytes of its end, a line at a time.
void History::ForEachLine(const QString &folder, const std::function<void(const QJsonObject &)> &take)
{
    const QFileInfo info(QDir(folder).filePath(QLatin1String(kFileName)));
    QFile file(info.filePath());
    if (info.isSymLink() || !info.isFile() || !file.open(QIODevice::ReadOnly))
        return;
    if (file.size() > kMaxBytes) {
        file.seek(file.size() - kMaxBytes);
        bool tooLong = false;
        ReadLine(file, &tooLong);
    }
    while (!file.atEnd()) {
        bool tooLong = false;
        const QJsonDocument document = QJsonDocument::fromJson(ReadLine(file, &tooLong));
        if (document.isObject())
            take(document.object());
    }
}

QList<QJsonObject> History::ReadLines(const QString &folder)
{
    QList<QJsonObject> lines;
    ForEachLine(folder, [&lines](const QJsonObject &line) { lines << line; });
    return lines;
}

History::History(const QString &folder, Access access)
    : folder(folder)
    , access(access)
{
}

QString History::FilePath() const
{
    return QDir(folder).filePath(QLatin1String(kFileName));
}

void History::CannotWrite(const QString &why)
{
    writable = false;
    problem = why;
}

void History::Load()
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
        if (access == Access::ReadWrite)
            CannotWrite(file.errorString());
        return;
    }
    if (file.size() > kMaxBytes) {
        // Only the newest part; the first line read there is a part line.
        file.seek(file.size() - kMaxBytes);
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
        readable << line;
    }
    // Windows renames no file that is open.
    file.close();
    if (damaged)
        SetAside(readable);
}

void History::SetAside(const QList<QByteArray> &readable)
{
    if (access == Access::ReadOnly)
        return;
    // Renaming moves whatever stands there, a folder or a link included,
    // and never what a link points to.
    if (!QDir(folder).rename(QLatin1String(kFileName), QFileInfo(SetAsideName(folder)).fileName())) {
        CannotWrite(QStringLiteral("damaged, and it cannot be set aside"));
        return;
    }
    const QByteArray carried = readable.join();
    QSaveFile fresh(FilePath());
    if (!fresh.open(QIODevice::WriteOnly) || fresh.write(carried) != carried.size() || !fresh.commit())
        CannotWrite(fresh.errorString());
}

namespace {

// Folds lines into runs, handing each over as it ends.
class RunFolder
{
public:
    RunFolder(const std::function<void(const RecordedRun &)> &take, QHash<QString, int> *endingsOfOthers)
        : take(take)
        , endingsOfOthers(endingsOfOthers)
    {
    }

    void Fold(const QJsonObject &line)
    {
        const QString rank = Rank(line.value(QStringLiteral("time")).toString());
        const QString event = line.value(QStringLiteral("event")).toString();
        const QString id = line.value(QStringLiteral("run")).toString();
        if (event == QLatin1String("run-start")) {
            const QJsonObject receiver = line.value(QStringLiteral("receiver")).toObject();
            const QJsonObject target = line.value(QStringLiteral("target")).toObject();
            RecordedRun run;
            run.id = id;
            run.pid = PidFrom(receiver.value(QStringLiteral("pid")));
            run.foundVersion = receiver.value(QStringLiteral("version")).toDouble();
            run.foundBuild = receiver.value(QStringLiteral("build")).toInt();
            run.targetPid = PidFrom(target.value(QStringLiteral("pid")));
            run.targetVersion = target.value(QStringLiteral("version")).toDouble();
            run.targetBuild = target.value(QStringLiteral("build")).toInt();
            run.path = line.value(QStringLiteral("path")).toString();
            open.insert(id, run);
        }
        const bool ends = event == QLatin1String("run-end") || event == QLatin1String("run-found-complete");
        const auto run = open.find(id);
        if (run == open.end()) {
            if (ends && !id.isEmpty() && endingsOfOthers)
                endingsOfOthers->insert(id, line.value(QStringLiteral("result")).toInt(-1));
            return;
        }
        run->time = rank;
        if (event == QLatin1String("run-step")) {
            run->lastCompletedStep = line.value(QStringLiteral("step")).toInt(-1);
            run->path = line.value(QStringLiteral("path")).toString();
        } else if (ends) {
            run->result = line.value(QStringLiteral("result")).toInt(-1);
            take(*run);
            open.erase(run);
        }
    }

    // The runs that did not end.
    void Finish()
    {
        for (const RecordedRun &run : std::as_const(open))
            take(run);
        open.clear();
    }

private:
    // Runs are ranked by the time of their newest line. A line is never
    // older than one before it in its file, whatever its time says (a clock
    // set back, a damaged time): it ranks as the newest before it, and the
    // file's order breaks the tie.
    QString Rank(const QString &time)
    {
        newest = std::max(newest, time);
        return newest + QStringLiteral("#%1").arg(++lines, 10, 10, QLatin1Char('0'));
    }

    const std::function<void(const RecordedRun &)> &take;
    QHash<QString, int> *endingsOfOthers;
    QHash<QString, RecordedRun> open;
    QString newest;
    qint64 lines = 0;
};

} // namespace

void History::Append(const QJsonObject &line, bool flush)
{
    Load();
    if (folder.isEmpty())
        kept << line;
    if (!Writes())
        return;
    const QByteArray bytes = QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    QFile file(FilePath());
    if (!file.open(QIODevice::Append | QIODevice::Unbuffered) || file.write(bytes) != bytes.size()) {
        CannotWrite(file.errorString());
        return;
    }
    if (flush)
        Flush(file);
    const qint64 size = file.size();
    file.close();
    // A long session (a box of receivers) keeps it within its size too.
    if (size > kMaxBytes)
        KeepWithin(kMaxBytes * 3 / 4);
}

void History::AppendToRun(const QJsonObject &line)
{
    currentRunLines << line;
    Append(line, true);
}

void History::Carry(const QList<QJsonObject> &lines)
{
    for (const QJsonObject &line : lines) {
        currentRun = line.value(QStringLiteral("run")).toString();
        AppendToRun(line);
    }
}

void History::ForEachRun(const std::function<void(const RecordedRun &)> &take, QHash<QString, int> *endingsOfOthers)
{
    Load();
    RunFolder runs(take, endingsOfOthers);
    if (folder.isEmpty()) {
        for (const QJsonObject &line : std::as_const(kept))
            runs.Fold(line);
    } else {
        ForEachLine(folder, [&runs](const QJsonObject &line) { runs.Fold(line); });
    }
    runs.Finish();
}

std::optional<RecordedRun> History::LastRun(const std::function<bool(const RecordedRun &)> &concerns)
{
    std::optional<RecordedRun> newest;
    ForEachRun([&](const RecordedRun &run) {
        if (concerns(run) && (!newest || run.time >= newest->time))
            newest = run;
    });
    return newest;
}

void History::RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path)
{
    currentRun = QString::number(QRandomGenerator::global()->generate64(), 16);
    QJsonObject line = Line("run-start");
    line.insert(QStringLiteral("run"), currentRun);
    line.insert(QStringLiteral("receiver"), Receiver(receiver));
    line.insert(QStringLiteral("pack"), Pack(receiver));
    line.insert(QStringLiteral("target"), Target(target));
    line.insert(QStringLiteral("reason"), SelectionName(target.reason));
    line.insert(QStringLiteral("path"), path);
    currentRunLines.clear();
    AppendToRun(line);
}

void History::StepCompleted(int step, const QString &stepLine, const QString &path)
{
    QJsonObject line = Line("run-step");
    line.insert(QStringLiteral("run"), currentRun);
    line.insert(QStringLiteral("step"), step);
    line.insert(QStringLiteral("line"), stepLine);
    line.insert(QStringLiteral("path"), path);
    AppendToRun(line);
}

void History::RunEnds(int result, qint64 durationMs, const QString &path, int lastStep, const QString &lastStepLine)
{
    QJsonObject line = Line("run-end");
    line.insert(QStringLiteral("run"), currentRun);
    line.insert(QStringLiteral("result"), result);
    line.insert(QStringLiteral("durationMs"), durationMs);
    line.insert(QStringLiteral("path"), path);
    line.insert(QStringLiteral("lastStep"), lastStep);
    line.insert(QStringLiteral("lastStepLine"), lastStepLine);
    AppendToRun(line);
    currentRun.clear();
    currentRunLines.clear();
}

void History::RunFoundComplete(const RecordedRun &run)
{
    QJsonObject line = Line("run-found-complete");
    line.insert(QStringLiteral("run"), run.id);
    line.insert(QStringLiteral("result"), 0);
    Append(line);
}

void History::NoReceiver()
{
    Append(Line("no-receiver"));
}

void History::UpToDate(const ReceiverFacts &receiver)
{
    QJsonObject line = Line("up-to-date");
    line.insert(QStringLiteral("receiver"), Receiver(receiver));
    line.insert(QStringLiteral("pack"), Pack(receiver));
    Append(line);
}

void History::Declined(const ReceiverFacts &receiver, const TargetFacts &target)
{
    QJsonObject line = Line("declined");
    line.insert(QStringLiteral("receiver"), Receiver(receiver));
    line.insert(QStringLiteral("pack"), Pack(receiver));
    line.insert(QStringLiteral("target"), Target(target));
    line.insert(QStringLiteral("reason"), SelectionName(target.reason));
    Append(line);
}

void History::KeepWithin(qint64 bytes)
{
    Load();
    const QFileInfo info(FilePath());
    // Anything but a plain file is Load's to set aside.
    if (!Writes() || info.isSymLink() || !info.isFile() || info.size() <= bytes)
        return;
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return;
    file.seek(file.size() - bytes);
    bool tooLong = false;
    ReadLine(file, &tooLong);
    // The newest lines, copied a piece at a time.
    constexpr qint64 kPiece = 64 << 10;
    QSaveFile trimmed(FilePath());
    bool copied = trimmed.open(QIODevice::WriteOnly);
    while (copied && !file.atEnd()) {
        const QByteArray piece = file.read(kPiece);
        copied = trimmed.write(piece) == piece.size();
    }
    file.close();
    if (!copied || !trimmed.commit())
        CannotWrite(trimmed.errorString());
}
