#include "record.h"

#include "retention.h"

Record::Record(const QString &folder)
    : folder(folder)
{
}

Record::~Record()
{
    WriteSessionOutcome();
}

void Record::Open()
{
    if (history)
        return;
    QString why;
    if (!FolderUsable(folder, &why)) {
        SayAboutRecord(folder, why + QStringLiteral("; the update goes on without a record"));
        history = std::make_unique<History>();
        log.Open(QString());
        return;
    }
    history = std::make_unique<History>(folder);
    history->KeepWithin(History::kMaxBytes);
    retention::MakeRoom(folder);
    if (!log.Open(folder))
        SayAboutRecord(folder, QStringLiteral("the log cannot be written; the update goes on without it"));
}

History &Record::Opened()
{
    Open();
    return *history;
}

QString Record::LogFile() const
{
    return log.File();
}

std::optional<RecordedRun> Record::LastRun(const std::function<bool(const RecordedRun &)> &concerns)
{
    return Opened().LastRun(concerns);
}

void Record::RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path)
{
    session = Session::Done;
    Opened().RunBegins(receiver, target, path);
}

void Record::RunEnds(int result, qint64 durationMs, const QString &path, int lastStep, const QString &lastStepLine)
{
    Opened().RunEnds(result, durationMs, path, lastStep, lastStepLine);
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

void Record::WriteSessionOutcome()
{
    switch (session) {
    case Session::NoReceiver:
        Opened().NoReceiver();
        break;
    case Session::UpToDate:
        Opened().UpToDate(offeredFor);
        break;
    case Session::Declined:
        Opened().Declined(offeredFor, offered);
        break;
    case Session::Found:
    case Session::Done:
        break;
    }
    session = Session::Done;
}
