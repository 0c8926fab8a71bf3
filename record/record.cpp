#include "record.h"

#include "retention.h"

#include <QDir>
#include <QJsonObject>

#include <algorithm>
#include <QFileInfo>

namespace {

const char kLogBroken[] = "the log cannot be written any more";

} // namespace

Record::Record(const QStringList &folders, Access access)
    : folders(folders)
    , access(access)
{
    if (access == Access::ReadOnly)
        log.Drop();
}

Record::~Record()
{
    WriteSessionOutcome();
    // A log that failed after the record's last line is still told of.
    if (current >= 0 && log.Broken())
        Say(folders[current], QLatin1String(kLogBroken));
}

void Record::Open()
{
    if (opened)
        return;
    opened = true;
    if (access == Access::ReadOnly) {
        session = Session::Done;
        history = std::make_unique<History>();
    } else {
        Settle(0, QString(), QString());
    }
    for (int i = 0; i < folders.size(); ++i) {
        const QFileInfo other(QDir(folders[i]).filePath(QLatin1String(History::kFileName)));
        if (i != current && other.isFile())
            elsewhere.push_back(std::make_unique<History>(folders[i], History::Access::ReadOnly));
    }
}

bool Record::Use(int index, QString *why)
{
    const QString &folder = folders[index];
    if (!FolderUsable(folder, why))
        return false;
    auto candidate = std::make_unique<History>(folder);
    candidate->KeepWithin(History::kMaxBytes);
    if (!candidate->Writes()) {
        *why = candidate->Problem();
        return false;
    }
    retention::MakeRoom(folder);
    if (!log.Open(folder)) {
        *why = QStringLiteral("cannot be written");
        return false;
    }
    history = std::move(candidate);
    current = index;
    return true;
}

void Record::Settle(int from, const QString &where, const QString &why)
{
    QString firstWhere = where;
    QString firstWhy = why;
    for (int i = from; i < folders.size(); ++i) {
        QString problem;
        if (Use(i, &problem)) {
            if (!firstWhere.isEmpty())
                Say(firstWhere, firstWhy + QStringLiteral("; the record goes to ") + folders[i]);
            return;
        }
        if (firstWhere.isEmpty()) {
            firstWhere = folders[i];
            firstWhy = problem;
        }
    }
    Say(firstWhere.isEmpty() ? QStringLiteral("the record") : firstWhere,
                   (firstWhy.isEmpty() ? QStringLiteral("has no folder") : firstWhy)
                       + QStringLiteral("; the update goes on without a record"));
    history = std::make_unique<History>();
    current = -1;
    log.Drop();
}

void Record::Write(const std::function<void(History &)> &tell)
{
    Open();
    tell(*history);
    if (current < 0 || (history->Writes() && !log.Broken()))
        return;
    // The run under way goes on, with its log, in the next folder that
    // takes it.
    const QList<QJsonObject> carried = history->CurrentRunLines();
    const QString where = folders[current];
    const QString why = history->Writes() ? QString(kLogBroken) : history->Problem();
    elsewhere.push_back(std::move(history));
    Settle(current + 1, where, why);
    history->Carry(carried);
}

void Record::Say(const QString &where, const QString &what)
{
    if (said)
        return;
    said = true;
    SayAboutRecord(where, what);
}

QString Record::Folder() const
{
    return current >= 0 ? folders[current] : QString();
}

QString Record::LogFile() const
{
    return log.File();
}

std::optional<RecordedRun> Record::LastRun(const std::function<bool(const RecordedRun &)> &concerns)
{
    Open();
    std::optional<RecordedRun> newest;
    const auto consider = [&](const RecordedRun &run) {
        if (concerns(run) && (!newest || run.time >= newest->time))
            newest = run;
    };
    // A run not ended in its own history may have ended in another's.
    QList<RecordedRun> notEnded;
    QHash<QString, int> endings;
    const auto take = [&](const RecordedRun &run) {
        if (run.result)
            consider(run);
        else
            notEnded << run;
    };
    history->ForEachRun(take, &endings);
    for (const auto &other : elsewhere)
        other->ForEachRun(take, &endings);
    for (RecordedRun &run : notEnded) {
        if (endings.contains(run.id))
            run.result = endings.value(run.id);
        consider(run);
    }
    return newest;
}

void Record::RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path)
{
    session = Session::Done;
    Write([&](History &h) { h.RunBegins(receiver, target, path); });
    if (current >= 0) {
        runLock = std::make_unique<HeldLock>(QDir(folders[current]).filePath(RunLockName(CurrentRunId())),
                                             HeldLock::File::RemovedOnRelease);
        runLock->Take();
    }
}

void Record::StepCompleted(int step, const QString &line, const QString &path)
{
    Write([&](History &h) { h.StepCompleted(step, line, path); });
}

void Record::RunEnds(int result, qint64 durationMs, const QString &path, int lastStep, const QString &lastStepLine)
{
    Write([&](History &h) { h.RunEnds(result, durationMs, path, lastStep, lastStepLine); });
    runLock.reset();
}

void Record::RunFoundComplete(const RecordedRun &run)
{
    Write([&](History &h) { h.RunFoundComplete(run); });
}

void Record::ReceiverFound()
{
    session = Session::Found;
}

void Record::Offered(const ReceiverFacts &receiver, const std::optional<TargetFacts> &target)
{
    session = target ? Session::Declined : Session::UpToDate;
    offeredFor = receiver;
    offered = target.value_or(TargetFacts{});
}

QList<QJsonObject> Record::Lines() const
{
    QList<QJsonObject> lines;
    for (const QString &folder : folders)
        lines += History::ReadLines(folder);
    std::stable_sort(lines.begin(), lines.end(), [](const QJsonObject &a, const QJsonObject &b) {
        return a.value(QStringLiteral("time")).toString() < b.value(QStringLiteral("time")).toString();
    });
    return lines;
}

QList<HistoryEntry> Record::Entries() const
{
    QList<HistoryEntry> entries = HistoryEntries(Lines());
    for (HistoryEntry &entry : entries) {
        if (entry.event != QLatin1String("run") || entry.result)
            continue;
        for (const QString &folder : folders)
            entry.running = entry.running || HeldLock::IsHeld(QDir(folder).filePath(RunLockName(entry.id)));
    }
    return entries;
}

QString Record::RunLockName(const QString &runId)
{
    return QLatin1String(retention::kRunLockPrefix) + runId + QLatin1String(retention::kRunLockSuffix);
}

bool Record::Keeps()
{
    Open();
    return current >= 0;
}

void Record::WriteSessionOutcome()
{
    if (access == Access::ReadOnly)
        return;
    const Session outcome = session;
    session = Session::Done;
    switch (outcome) {
    case Session::NoReceiver:
        Write([](History &h) { h.NoReceiver(); });
        break;
    case Session::UpToDate:
        Write([&](History &h) { h.UpToDate(offeredFor); });
        break;
    case Session::Declined:
        Write([&](History &h) { h.Declined(offeredFor, offered); });
        break;
    case Session::Found:
    case Session::Done:
        break;
    }
}
