#include "commandline.h"

#include "arguments.h"
#include "batchrecord.h"
#include "output.h"
#include "progressline.h"
#include "receiversession.h"
#include "record.h"
#include "singleinstance.h"
#include "startup.h"
#include "sweeps.h"
#include "updaterun.h"
#include "verbosity.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <optional>
#include <vector>

namespace {

constexpr int kDefaultWaitS = 10;

QString Hex(int32_t pid)
{
    return QString::number(pid, 16);
}

QString Version(double version)
{
    return QString::number(version, 'f', 2);
}

QJsonObject ReceiverJson(const ReceiverFacts &receiver)
{
    return {{QStringLiteral("pid"), Hex(receiver.pid)},
            {QStringLiteral("version"), receiver.version},
            {QStringLiteral("build"), receiver.build},
            {QStringLiteral("running"), receiver.running},
            {QStringLiteral("startPosition"), receiver.startPosition}};
}

QJsonObject TargetJson(const TargetFacts &target)
{
    return {{QStringLiteral("pid"), Hex(target.pid)},
            {QStringLiteral("version"), target.version},
            {QStringLiteral("build"), target.build}};
}

QString PackName(bool scrivetPack)
{
    return scrivetPack ? QStringLiteral("scrivet") : QStringLiteral("classic");
}

ReceiverFacts Found(const ReceiverState &state)
{
    return {state.pid, state.versionInfo.version, state.versionInfo.build, state.versionInfo.codePosition,
            state.versionInfo.startPosition, state.newPackSelected};
}

// The words for what an update would do.
QString Offer(const UpdateRun &run, bool update)
{
    const ReceiverFacts from = run.Receiver();
    const TargetFacts to = run.Target();
    const QString installed = QStringLiteral("installed %1 build %2").arg(Version(from.version)).arg(from.build);
    if (!update)
        return installed + QStringLiteral(": up to date");
    const QString target = QStringLiteral("%1 build %2 (product ID %3)").arg(Version(to.version)).arg(to.build).arg(Hex(to.pid));
    if (Finishes(run.Reason()))
        return installed + QStringLiteral(": an earlier update did not finish; updating finishes it: ") + target;
    return installed + QStringLiteral(", new ") + target;
}

// One entry of the history, for programs.
QJsonObject EntryJson(const HistoryEntry &entry)
{
    QJsonObject json{{QStringLiteral("event"), entry.event},
                     {QStringLiteral("time"), entry.time},
                     {QStringLiteral("program"), entry.program}};
    if (entry.receiver) {
        json.insert(QStringLiteral("receiver"), ReceiverJson(*entry.receiver));
        json.insert(QStringLiteral("pack"), PackName(entry.receiver->scrivetPack));
    }
    if (entry.target) {
        json.insert(QStringLiteral("target"), TargetJson(*entry.target));
        json.insert(QStringLiteral("reason"), SelectionName(entry.target->reason));
    }
    if (entry.event != QLatin1String("run"))
        return json;
    json.insert(QStringLiteral("run"), entry.id);
    json.insert(QStringLiteral("path"), entry.path);
    json.insert(QStringLiteral("stepsDone"), entry.stepsDone);
    json.insert(QStringLiteral("running"), entry.running);
    json.insert(QStringLiteral("cutOff"), !entry.result && !entry.running);
    if (entry.result)
        json.insert(QStringLiteral("result"), *entry.result);
    if (entry.foundComplete)
        json.insert(QStringLiteral("foundComplete"), true);
    return json;
}

// The same, for a person.
QString EntryLine(const HistoryEntry &entry)
{
    QString line = QStringLiteral("%1  %2").arg(entry.time, entry.event);
    if (entry.receiver)
        line += QStringLiteral("  %1 %2 build %3").arg(Hex(entry.receiver->pid), Version(entry.receiver->version)).arg(entry.receiver->build);
    if (entry.event != QLatin1String("run") || !entry.target)
        return line;
    line += QStringLiteral(" -> %1 build %2 (%3, %4)")
                .arg(Version(entry.target->version))
                .arg(entry.target->build)
                .arg(SelectionName(entry.target->reason), entry.path);
    if (entry.result)
        return line + QStringLiteral(": ended %1%2").arg(*entry.result).arg(entry.foundComplete ? QStringLiteral(", found complete") : QString());
    if (entry.running)
        return line + QStringLiteral(": RUNNING NOW, %1 steps done").arg(entry.stepsDone);
    return line + QStringLiteral(": CUT OFF after %1 steps").arg(entry.stepsDone);
}

class CommandLine
{
public:
    CommandLine(const Arguments &arguments, const CommandLineContext &context, Output &output)
        : arguments(arguments)
        , context(context)
        , output(output)
    {
    }

    int Run();

private:
    enum class Outcome { Updated, Current, Failed, Declined };
    struct Handled {
        Outcome outcome;
        int code;
    };

    bool StopAsked() const { return context.stopsAsked() > 0; }
    // Waits for a receiver as the command's --wait says; on none, the
    // status that says why (no receiver, or stopped).
    std::optional<int> Find(Sweeps &sweeps, qint64 waitMs);
    void SayFound();
    std::optional<bool> PackFor(int32_t pid) const;
    Handled UpdateOne(UpdateRecord &record, bool scrivetPack, bool ask);
    bool Confirm();
    int Status();
    int Update();
    int Batch();
    int History();

    const Arguments &arguments;
    const CommandLineContext &context;
    Output &output;
    ReceiverState receiver; // the one found, open while it is handled
};

std::optional<int> CommandLine::Find(Sweeps &sweeps, qint64 waitMs)
{
    if (sweeps.UntilFound(waitMs))
        return std::nullopt;
    if (StopAsked()) {
        output.Error(kExitStopped, QStringLiteral("stopped while looking for a receiver; nothing was written"));
        return kExitStopped;
    }
    output.Error(kExitNoReceiver, QStringLiteral("no receiver found within %1 s").arg(waitMs / 1000));
    return kExitNoReceiver;
}

void CommandLine::SayFound()
{
    ReceiverSession(receiver).SayFound();
    output.Event(QStringLiteral("receiver"), ReceiverJson(Found(receiver)));
    output.Say(QStringLiteral("Receiver %1: firmware %2 build %3, running copy %4.")
                   .arg(Hex(receiver.pid), Version(receiver.versionInfo.version))
                   .arg(receiver.versionInfo.build)
                   .arg(receiver.versionInfo.codePosition));
}

// The pack that chooses the table: the one given, or none needed.
std::optional<bool> CommandLine::PackFor(int32_t pid) const
{
    if (!ReceiverSession::PackIsChosenFor(pid))
        return true;
    return arguments.scrivetPack;
}

bool CommandLine::Confirm()
{
    if (arguments.yes)
        return true;
    output.Say(QStringLiteral("Update it now? Do not unplug it until it is done. [y/N] "));
    const QString answer = context.in->readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

CommandLine::Handled CommandLine::UpdateOne(UpdateRecord &record, bool scrivetPack, bool ask)
{
    ReceiverState state = receiver;
    state.newPackSelected = scrivetPack;
    ProgressLine progress(output, [this] { return StopAsked(); });
    UpdateRun run(state, &record, &progress);
    const bool update = run.Aim();
    QJsonObject offer{{QStringLiteral("pack"), PackName(scrivetPack)}, {QStringLiteral("update"), update},
                      {QStringLiteral("reason"), SelectionName(run.Reason())}};
    if (update)
        offer.insert(QStringLiteral("target"), TargetJson(run.Target()));
    output.Event(QStringLiteral("offer"), offer);
    output.Say(Offer(run, update));
    if (!update) {
        output.Event(QStringLiteral("result"), {{QStringLiteral("code"), 0}, {QStringLiteral("outcome"), QStringLiteral("current")}});
        return {Outcome::Current, 0};
    }
    if (ask && !Confirm()) {
        output.Event(QStringLiteral("result"), {{QStringLiteral("code"), 0}, {QStringLiteral("outcome"), QStringLiteral("declined")}});
        output.Say(QStringLiteral("Not updated."));
        return {Outcome::Declined, 0};
    }
    const int result = run.Run();
    progress.Finish();
    const CMDHAND_VERSIONstruct &now = run.Installed();
    output.Event(QStringLiteral("result"), {{QStringLiteral("code"), result},
                                            {QStringLiteral("outcome"), result == 0 ? QStringLiteral("updated") : QStringLiteral("failed")},
                                            {QStringLiteral("installed"), QJsonObject{{QStringLiteral("version"), now.version},
                                                                                      {QStringLiteral("build"), now.build},
                                                                                      {QStringLiteral("running"), now.codePosition}}}});
    if (result != kUpdateSucceeded) {
        output.Say(QStringLiteral("The update failed with error code %1.").arg(result));
        return {Outcome::Failed, result};
    }
    output.Say(QStringLiteral("Updated: firmware %1 build %2.").arg(Version(now.version)).arg(now.build));
    return {Outcome::Updated, 0};
}

// Looks only: past runs are read for the selection, and nothing is
// written, made or trimmed.
int CommandLine::Status()
{
    Record record(RecordFolders(), Record::Access::ReadOnly);
    ReceiverSession session(receiver);
    Sweeps sweeps(session, [this] { return StopAsked(); });
    const int waitS = arguments.waitS >= 0 ? arguments.waitS : kDefaultWaitS;
    if (const std::optional<int> none = Find(sweeps, qint64(waitS) * 1000))
        return *none;
    SayFound();
    const QList<bool> packs = ReceiverSession::PackIsChosenFor(receiver.pid) ? QList<bool>{true, false} : QList<bool>{true};
    for (const bool scrivetPack : packs) {
        ReceiverState state = receiver;
        state.newPackSelected = scrivetPack;
        UpdateRun run(state, &record, nullptr);
        const bool update = run.Aim();
        QJsonObject status{{QStringLiteral("pack"), PackName(scrivetPack)}, {QStringLiteral("update"), update},
                           {QStringLiteral("reason"), SelectionName(run.Reason())}};
        if (update)
            status.insert(QStringLiteral("target"), TargetJson(run.Target()));
        output.Event(QStringLiteral("status"), status);
        output.Say(QStringLiteral("  %1: %2").arg(scrivetPack ? QStringLiteral("Scrivet Pack") : QStringLiteral("Scrivet Pack Classic"),
                                                  Offer(run, update)));
    }
    session.Release();
    return kExitCurrent;
}

int CommandLine::Update()
{
    const bool ask = !arguments.yes;
    if (ask && (arguments.json || !context.inIsTerminal || !context.outIsTerminal)) {
        output.Error(kExitUsage, QStringLiteral("no terminal to ask on: run it with --yes to update without asking"));
        return kExitUsage;
    }
    Record record;
    record.Open();
    ReceiverSession session(receiver, &record);
    Sweeps sweeps(session, [this] { return StopAsked(); });
    const int waitS = arguments.waitS >= 0 ? arguments.waitS : kDefaultWaitS;
    if (const std::optional<int> none = Find(sweeps, qint64(waitS) * 1000))
        return *none;
    SayFound();
    const std::optional<bool> pack = PackFor(receiver.pid);
    if (!pack) {
        session.Release();
        output.Error(kExitUsage, QStringLiteral("receiver %1 needs a pack: give --pack scrivet, classic or none").arg(Hex(receiver.pid)));
        return kExitUsage;
    }
    const Handled handled = UpdateOne(record, *pack, ask);
    session.Release();
    switch (handled.outcome) {
    case Outcome::Failed:
        return kExitFailed;
    case Outcome::Declined:
        return kExitDeclined;
    case Outcome::Updated:
    case Outcome::Current:
        break;
    }
    return kExitCurrent;
}

int CommandLine::Batch()
{
    Record record;
    record.Open();
    BatchRecord batchRecord(record);
    ReceiverSession session(receiver, &batchRecord);
    Sweeps sweeps(session, [this] { return StopAsked(); });
    const qint64 waitMs = arguments.waitS >= 0 ? qint64(arguments.waitS) * 1000 : -1;
    int handled = 0;
    int updated = 0;
    int current = 0;
    // One block for a day of receivers: nothing of each stays scattered
    // over the heap.
    struct Failure {
        int32_t pid;
        int code;
    };
    std::vector<Failure> failures;
    while ((arguments.count == 0 || handled < arguments.count) && !StopAsked()) {
        output.Event(QStringLiteral("waiting"));
        output.Say(QStringLiteral("Plug in a receiver."));
        if (!sweeps.UntilFound(waitMs))
            break;
        SayFound();
        const int32_t pid = receiver.pid;
        const Handled one = UpdateOne(batchRecord, *PackFor(pid), false);
        ++handled;
        updated += one.outcome == Outcome::Updated;
        current += one.outcome == Outcome::Current;
        if (one.outcome == Outcome::Failed)
            failures.push_back({pid, one.code});
        session.Release();
        record.WriteSessionOutcome();
        output.Event(QStringLiteral("unplug"), {{QStringLiteral("pid"), Hex(pid)}});
        output.Say(QStringLiteral("Unplug the receiver now."));
        if (context.afterReceiver)
            context.afterReceiver(handled);
        if (StopAsked())
            break;
        // Under whatever product ID it answers now: it is counted once.
        sweeps.UntilNoneLeft([&] {
            output.Event(QStringLiteral("unplug-reminder"), {{QStringLiteral("pid"), Hex(pid)}});
            output.Say(QStringLiteral("A receiver is still plugged in: unplug it; it will not be counted again."));
        });
    }
    QJsonArray failed;
    QStringList said;
    for (const Failure &failure : failures) {
        failed.append(QJsonObject{{QStringLiteral("pid"), Hex(failure.pid)}, {QStringLiteral("code"), failure.code}});
        said << QStringLiteral("%1: code %2").arg(Hex(failure.pid)).arg(failure.code);
    }
    output.Event(QStringLiteral("summary"), {{QStringLiteral("handled"), handled},
                                             {QStringLiteral("updated"), updated},
                                             {QStringLiteral("current"), current},
                                             {QStringLiteral("failed"), failed}});
    output.Say(QStringLiteral("%1 receivers: %2 updated, %3 already current, %4 failed%5")
                   .arg(handled)
                   .arg(updated)
                   .arg(current)
                   .arg(failures.size())
                   .arg(said.isEmpty() ? QString() : QStringLiteral(" (") + said.join(QStringLiteral(", ")) + QLatin1Char(')')));
    if (handled == 0 && StopAsked()) {
        output.Error(kExitStopped, QStringLiteral("stopped before any receiver was handled"));
        return kExitStopped;
    }
    if (handled == 0 && waitMs >= 0) {
        output.Error(kExitNoReceiver, QStringLiteral("no receiver found within %1 s").arg(arguments.waitS));
        return kExitNoReceiver;
    }
    return failures.empty() ? kExitCurrent : kExitFailed;
}

// Reads only, as the record's room hands the runs over.
int CommandLine::History()
{
    const QList<HistoryEntry> entries = Record(RecordFolders(), Record::Access::ReadOnly).Entries();
    int shown = 0;
    for (auto entry = entries.crbegin(); entry != entries.crend() && (arguments.last == 0 || shown < arguments.last); ++entry, ++shown) {
        output.Event(QStringLiteral("history"), {{QStringLiteral("entry"), EntryJson(*entry)}});
        output.Say(EntryLine(*entry));
    }
    return kExitCurrent;
}

int CommandLine::Run()
{
    if (arguments.command == Arguments::Command::History)
        return History();
    const QString libraryProblem = DeviceLibraryProblem();
    if (!libraryProblem.isEmpty()) {
        output.Error(kExitNoLibrary, libraryProblem);
        return kExitNoLibrary;
    }
    // One updater per session, the window or another command line: no two
    // talk to one receiver.
    SingleInstance instance;
    if (!instance.Claim()) {
        output.Error(kExitBusy, QStringLiteral("another updater is running in this session"));
        return kExitBusy;
    }
    QObject::connect(&instance, &SingleInstance::ComeForwardRequested, &instance,
                     [&instance] { instance.AnswerCannotComeForward(); });
    switch (arguments.command) {
    case Arguments::Command::Status:
        return Status();
    case Arguments::Command::Update:
        return Update();
    case Arguments::Command::Batch:
        return Batch();
    case Arguments::Command::Help:
    case Arguments::Command::Version:
    case Arguments::Command::History:
        break;
    }
    return kExitUsage;
}

} // namespace

int RunCommandLine(const QStringList &words, const CommandLineContext &context)
{
    Arguments arguments;
    const QString problem = ParseArguments(words, &arguments);
    Output output(*context.out, *context.err, arguments.json, context.outIsTerminal);
    int status = kExitCurrent;
    if (!problem.isEmpty()) {
        output.Error(kExitUsage, problem);
        output.Aside(UsageText());
        return kExitUsage;
    }
    if (arguments.command == Arguments::Command::Help) {
        output.Text(QStringLiteral("usage"), UsageText());
    } else if (arguments.command == Arguments::Command::Version) {
        output.Text(QStringLiteral("version"), VersionText(QStringLiteral("orvex-updater-cli")));
    } else {
        const Verbosity verbosity(arguments.verbose);
        status = CommandLine(arguments, context, output).Run();
    }
    return output.Lost() ? kExitOutputLost : status;
}
