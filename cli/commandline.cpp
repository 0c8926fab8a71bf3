#include "commandline.h"

#include "clock.h"
#include "history.h"
#include "output.h"
#include "progressline.h"
#include "receiversession.h"
#include "record.h"
#include "singleinstance.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonArray>

#include <algorithm>

#include <optional>

namespace {

constexpr int kDefaultWaitS = 10;
constexpr int kBetweenSweepsMs = 2000; // as the window's slow poll
constexpr int kLookMs = 100;           // how soon a wait notices a stop
constexpr int kGoneLookMs = 1000;      // how often a batch looks whether the receiver is gone

const char kUsage[] = R"(usage: orvex-updater-cli COMMAND [OPTIONS]

Commands:
  status [--json] [--wait SECONDS]
      the receiver plugged in, and what an update would do for each pack
  update [--pack scrivet|classic|none] [--yes] [--json] [--wait SECONDS]
      updates the receiver plugged in; asks first on a terminal without --yes
  batch --pack scrivet|classic|none [--count N] [--json] [--wait SECONDS]
      updates receiver after receiver, each one plugged in after the last is pulled
  history [--json] [--last N]
      the record of updates on this computer, newest first

Every command takes --verbose (the debug lines on standard error) and --help.
Exit status: 0 every receiver ends current, 1 an update failed, 2 bad usage,
3 no receiver within the wait, 4 another updater runs in this session.
)";

struct Options {
    QString command;
    bool json = false;
    bool yes = false;
    bool verbose = false;
    bool help = false;
    std::optional<bool> scrivetPack; // --pack
    int waitS = -1;                  // -1: the command's own
    int count = 0;                   // 0: without end
    int last = 0;                    // 0: all
};

// Reads the words; "" when they make a command, else what is wrong.
QString Parse(const QStringList &words, Options *options)
{
    const QStringList commands{QStringLiteral("status"), QStringLiteral("update"), QStringLiteral("batch"),
                               QStringLiteral("history")};
    if (words.isEmpty())
        return QStringLiteral("a command is missing");
    if (words.first() == QLatin1String("--help") || words.first() == QLatin1String("help")) {
        options->help = true;
        return QString();
    }
    if (!commands.contains(words.first()))
        return QStringLiteral("unknown command \"%1\"").arg(words.first());
    options->command = words.first();
    const QHash<QString, QStringList> allowed{
        {QStringLiteral("status"), {"--json", "--wait", "--verbose", "--help"}},
        {QStringLiteral("update"), {"--pack", "--yes", "--json", "--wait", "--verbose", "--help"}},
        {QStringLiteral("batch"), {"--pack", "--count", "--json", "--wait", "--verbose", "--help"}},
        {QStringLiteral("history"), {"--json", "--last", "--verbose", "--help"}},
    };
    for (int i = 1; i < words.size(); ++i) {
        QString word = words[i];
        QString value;
        const bool inline_ = word.startsWith(QLatin1String("--")) && word.contains(QLatin1Char('='));
        if (inline_) {
            value = word.section(QLatin1Char('='), 1);
            word = word.section(QLatin1Char('='), 0, 0);
        }
        if (!allowed.value(options->command).contains(word))
            return QStringLiteral("unknown word \"%1\" for %2").arg(words[i], options->command);
        const bool takesValue = word == QLatin1String("--pack") || word == QLatin1String("--wait")
            || word == QLatin1String("--count") || word == QLatin1String("--last");
        if (takesValue && !inline_) {
            if (i + 1 >= words.size())
                return QStringLiteral("%1 needs a value").arg(word);
            value = words[++i];
        } else if (!takesValue && inline_) {
            return QStringLiteral("%1 takes no value").arg(word);
        }
        bool number = false;
        const int n = value.toInt(&number);
        if (word == QLatin1String("--json"))
            options->json = true;
        else if (word == QLatin1String("--yes"))
            options->yes = true;
        else if (word == QLatin1String("--verbose"))
            options->verbose = true;
        else if (word == QLatin1String("--help"))
            options->help = true;
        else if (word == QLatin1String("--pack")) {
            if (value == QLatin1String("classic"))
                options->scrivetPack = false;
            else if (value == QLatin1String("scrivet") || value == QLatin1String("none"))
                options->scrivetPack = true;
            else
                return QStringLiteral("--pack must be scrivet, classic or none, not \"%1\"").arg(value);
        } else if (!number || n < 0 || (n == 0 && word != QLatin1String("--wait"))) {
            return QStringLiteral("%1 needs a whole number%2, not \"%3\"")
                .arg(word, word == QLatin1String("--wait") ? QString() : QStringLiteral(" from 1"), value);
        } else if (word == QLatin1String("--wait")) {
            options->waitS = n;
        } else if (word == QLatin1String("--count")) {
            options->count = n;
        } else {
            options->last = n;
        }
    }
    if (options->command == QLatin1String("batch") && !options->scrivetPack && !options->help)
        return QStringLiteral("batch needs --pack scrivet, classic or none");
    return QString();
}

QString Hex(int32_t pid)
{
    return QString::number(pid, 16);
}

QString Version(double version)
{
    return QString::number(version, 'f', 2);
}

QJsonObject ReceiverJson(const ReceiverState &state)
{
    return {{QStringLiteral("pid"), Hex(state.pid)},
            {QStringLiteral("version"), state.versionInfo.version},
            {QStringLiteral("build"), state.versionInfo.build},
            {QStringLiteral("running"), state.versionInfo.codePosition},
            {QStringLiteral("startPosition"), state.versionInfo.startPosition}};
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

// The words for what an update would do.
QString Offer(const FirmwareUpdater &updater)
{
    const TargetFacts to = updater.Target();
    const QString installed = QStringLiteral("installed %1 build %2")
                                  .arg(Version(updater.versionInfo.version))
                                  .arg(updater.versionInfo.build);
    if (!Offers(updater.selection))
        return installed + QStringLiteral(": up to date");
    const QString target = QStringLiteral("%1 build %2 (product ID %3)").arg(Version(to.version)).arg(to.build).arg(Hex(to.pid));
    if (Finishes(updater.selection))
        return installed + QStringLiteral(": an earlier update did not finish; updating finishes it: ") + target;
    return installed + QStringLiteral(", new ") + target;
}

// The record as a batch hands it to the engine: a receiver this batch
// failed to update that comes back later is taken for one whose run
// failed, whatever run of the same firmware (on another receiver of the
// box) came after it, until a run finishes it. Receivers cannot be told
// apart through the device interface; where several failed runs could be
// its own, it is taken for the one that got least far, so that nothing
// is called whole on another receiver's word.
class BatchRecord : public UpdateRecord
{
public:
    explicit BatchRecord(Record &record) : record(record) {}

    std::optional<RecordedRun> LastRun(const std::function<bool(const RecordedRun &)> &concerns) override
    {
        const RecordedRun *least = nullptr;
        for (const RecordedRun &failed : failures) {
            if (concerns(failed) && (!least || failed.lastCompletedStep < least->lastCompletedStep))
                least = &failed;
        }
        asked = least ? least->id : QString();
        return least ? std::optional<RecordedRun>(*least) : record.LastRun(concerns);
    }
    void RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path) override
    {
        finishing = target.reason == Selection::UnfinishedRun ? asked : QString();
        record.RunBegins(receiver, target, path);
        current = RecordedRun{receiver.pid, target.pid, target.version, target.build, std::nullopt,
                              record.CurrentRunId(), path, -1, QString()};
    }
    void StepCompleted(int step, const QString &line, const QString &path) override
    {
        current.lastCompletedStep = step;
        current.path = path;
        record.StepCompleted(step, line, path);
    }
    void RunEnds(int result, qint64 durationMs, const QString &path, int lastStep, const QString &lastStepLine) override
    {
        record.RunEnds(result, durationMs, path, lastStep, lastStepLine);
        if (result != kUpdateSucceeded) {
            failures << current;
            return;
        }
        // A receiver cut before its path restarted it comes back on what
        // it ran, and takes its rule again.
        if (finishing.isEmpty()) {
            for (const RecordedRun &failed : failures) {
                if (!FirmwareUpdater::RestartedOnPath(failed) && failed.pid == current.pid
                    && failed.targetVersion == current.targetVersion && failed.targetBuild == current.targetBuild) {
                    finishing = failed.id;
                    break;
                }
            }
        }
        Forget(finishing);
    }
    void RunFoundComplete(const RecordedRun &run) override
    {
        Forget(run.id);
        record.RunFoundComplete(run);
    }
    void ReceiverFound() override { record.ReceiverFound(); }
    void Offered(const ReceiverFacts &receiver, const std::optional<TargetFacts> &target) override
    {
        record.Offered(receiver, target);
    }
    bool Keeps() override { return record.Keeps(); }

private:
    void Forget(const QString &id)
    {
        failures.erase(std::remove_if(failures.begin(), failures.end(), [&](const RecordedRun &run) { return run.id == id; }),
                       failures.end());
    }

    Record &record;
    QList<RecordedRun> failures; // this batch's runs that did not end with 0, not yet finished
    RecordedRun current;
    QString asked;     // the failure the selection was last given
    QString finishing; // the failure the run under way finishes
};

class CommandLine
{
public:
    CommandLine(const Options &options, const CommandLineContext &context)
        : options(options)
        , context(context)
        , output(*context.out, *context.err, options.json, context.outIsTerminal)
    {
    }

    int Run();

private:
    enum class Outcome { Updated, Current, Failed, Declined };
    struct Handled {
        Outcome outcome;
        int code;
        QString pid;
    };

    bool StopAsked() const { return context.stopsAsked() > 0; }
    bool WaitForReceiver(ReceiverSession &session, qint64 waitMs);
    void WaitUntilGone(ReceiverSession &session, int pid);
    void SayFound();
    std::optional<bool> PackFor(int32_t pid);
    Handled UpdateOne(UpdateRecord &record, bool scrivetPack, bool ask);
    bool Confirm();
    int Status(Record &record);
    int Update(Record &record);
    int Batch(Record &record);
    int History(const Record &record);

    const Options &options;
    const CommandLineContext &context;
    Output output;
};

// Sweeps as the window does until a receiver is accepted, the wait is
// over (negative: without end), or a stop is asked.
bool CommandLine::WaitForReceiver(ReceiverSession &session, qint64 waitMs)
{
    Stopwatch waited;
    waited.Start();
    for (;;) {
        if (session.SearchForReceiver([this] { return !StopAsked(); }))
            return true;
        if (StopAsked() || (waitMs >= 0 && waited.ElapsedMs() >= waitMs))
            return false;
        for (int slept = 0; slept < kBetweenSweepsMs && !StopAsked(); slept += kLookMs)
            Clock::Current().Wait(kLookMs);
    }
}

void CommandLine::WaitUntilGone(ReceiverSession &session, int pid)
{
    while (!StopAsked() && session.Open(pid)) {
        session.Release();
        for (int slept = 0; slept < kGoneLookMs && !StopAsked(); slept += kLookMs)
            Clock::Current().Wait(kLookMs);
    }
}

void CommandLine::SayFound()
{
    ReceiverSession(g_receiverState).SayFound();
    output.Event(QStringLiteral("receiver"), ReceiverJson(g_receiverState));
    output.Say(QStringLiteral("Receiver %1: firmware %2 build %3, running copy %4.")
                   .arg(Hex(g_receiverState.pid), Version(g_receiverState.versionInfo.version))
                   .arg(g_receiverState.versionInfo.build)
                   .arg(g_receiverState.versionInfo.codePosition));
}

// The pack that chooses the table: the one given, or none needed.
std::optional<bool> CommandLine::PackFor(int32_t pid)
{
    if (!ReceiverSession::PackIsChosenFor(pid))
        return true;
    return options.scrivetPack;
}

bool CommandLine::Confirm()
{
    if (options.yes)
        return true;
    output.Say(QStringLiteral("Update it now? Do not unplug it until it is done. [y/N] "));
    const QString answer = context.in->readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

CommandLine::Handled CommandLine::UpdateOne(UpdateRecord &record, bool scrivetPack, bool ask)
{
    g_receiverState.newPackSelected = scrivetPack;
    const QString pid = Hex(g_receiverState.pid);
    FirmwareUpdater updater;
    ProgressLine progress(output, [this] { return StopAsked(); });
    ReceiverSession session(g_receiverState, &record);
    const bool update = session.Aim(updater, &progress);
    QJsonObject offer{{QStringLiteral("pack"), PackName(scrivetPack)}, {QStringLiteral("update"), update},
                      {QStringLiteral("reason"), SelectionName(updater.selection)}};
    if (update)
        offer.insert(QStringLiteral("target"), TargetJson(updater.Target()));
    output.Event(QStringLiteral("offer"), offer);
    output.Say(Offer(updater));
    if (!update) {
        output.Event(QStringLiteral("result"), {{QStringLiteral("code"), 0}, {QStringLiteral("outcome"), QStringLiteral("current")}});
        return {Outcome::Current, 0, pid};
    }
    if (ask && !Confirm()) {
        output.Say(QStringLiteral("Not updated."));
        return {Outcome::Declined, 0, pid};
    }
    const int result = updater.RunFlashUpgrade();
    progress.Finish();
    output.Event(QStringLiteral("result"), {{QStringLiteral("code"), result},
                                            {QStringLiteral("outcome"), result == 0 ? QStringLiteral("updated") : QStringLiteral("failed")},
                                            {QStringLiteral("installed"), QJsonObject{{QStringLiteral("version"), updater.versionInfo.version},
                                                                                      {QStringLiteral("build"), updater.versionInfo.build},
                                                                                      {QStringLiteral("running"), updater.versionInfo.codePosition}}}});
    if (result != kUpdateSucceeded) {
        output.Say(QStringLiteral("The update failed with error code %1.").arg(result));
        return {Outcome::Failed, result, pid};
    }
    output.Say(QStringLiteral("Updated: firmware %1 build %2.").arg(Version(updater.versionInfo.version)).arg(updater.versionInfo.build));
    return {Outcome::Updated, 0, pid};
}

int CommandLine::Status(Record &record)
{
    record.ForgetSessionOutcome();
    ReceiverSession session(g_receiverState);
    const int waitS = options.waitS >= 0 ? options.waitS : kDefaultWaitS;
    if (!WaitForReceiver(session, qint64(waitS) * 1000)) {
        output.Error(kExitNoReceiver, QStringLiteral("no receiver found within %1 s").arg(waitS));
        return kExitNoReceiver;
    }
    SayFound();
    const QList<bool> packs = ReceiverSession::PackIsChosenFor(g_receiverState.pid) ? QList<bool>{true, false}
                                                                                      : QList<bool>{true};
    for (const bool scrivetPack : packs) {
        ReceiverState state = g_receiverState;
        state.newPackSelected = scrivetPack;
        FirmwareUpdater updater;
        updater.Load(state, nullptr, &record);
        const bool update = updater.FindUpgrade();
        QJsonObject status{{QStringLiteral("pack"), PackName(scrivetPack)}, {QStringLiteral("update"), update},
                           {QStringLiteral("reason"), SelectionName(updater.selection)}};
        if (update)
            status.insert(QStringLiteral("target"), TargetJson(updater.Target()));
        output.Event(QStringLiteral("status"), status);
        output.Say(QStringLiteral("  %1: %2").arg(scrivetPack ? QStringLiteral("Scrivet Pack") : QStringLiteral("Scrivet Pack Classic"),
                                                  Offer(updater)));
    }
    session.Release();
    return kExitCurrent;
}

int CommandLine::Update(Record &record)
{
    const bool ask = !options.yes;
    if (ask && (options.json || !context.inIsTerminal || !context.outIsTerminal)) {
        output.Error(kExitUsage, QStringLiteral("no terminal to ask on: run it with --yes to update without asking"));
        return kExitUsage;
    }
    ReceiverSession session(g_receiverState, &record);
    const int waitS = options.waitS >= 0 ? options.waitS : kDefaultWaitS;
    if (!WaitForReceiver(session, qint64(waitS) * 1000)) {
        output.Error(kExitNoReceiver, QStringLiteral("no receiver found within %1 s").arg(waitS));
        return kExitNoReceiver;
    }
    SayFound();
    const std::optional<bool> pack = PackFor(g_receiverState.pid);
    if (!pack) {
        session.Release();
        output.Error(kExitUsage, QStringLiteral("receiver %1 needs a pack: give --pack scrivet, classic or none")
                                     .arg(Hex(g_receiverState.pid)));
        return kExitUsage;
    }
    const Handled handled = UpdateOne(record, *pack, ask);
    session.Release();
    return handled.outcome == Outcome::Failed ? kExitFailed : kExitCurrent;
}

int CommandLine::Batch(Record &record)
{
    BatchRecord batchRecord(record);
    ReceiverSession session(g_receiverState, &batchRecord);
    const qint64 waitMs = options.waitS >= 0 ? qint64(options.waitS) * 1000 : -1;
    int handled = 0;
    int updated = 0;
    int current = 0;
    QJsonArray failures;
    QStringList failed;
    while ((options.count == 0 || handled < options.count) && !StopAsked()) {
        output.Event(QStringLiteral("waiting"));
        output.Say(QStringLiteral("Plug in a receiver."));
        if (!WaitForReceiver(session, waitMs))
            break;
        SayFound();
        const int32_t pid = g_receiverState.pid;
        const Handled one = UpdateOne(batchRecord, *PackFor(pid), false);
        ++handled;
        updated += one.outcome == Outcome::Updated;
        current += one.outcome == Outcome::Current;
        if (one.outcome == Outcome::Failed) {
            failures.append(QJsonObject{{QStringLiteral("pid"), one.pid}, {QStringLiteral("code"), one.code}});
            failed << QStringLiteral("%1: code %2").arg(one.pid).arg(one.code);
        }
        session.Release();
        record.WriteSessionOutcome();
        output.Event(QStringLiteral("unplug"), {{QStringLiteral("pid"), one.pid}});
        output.Say(QStringLiteral("Unplug the receiver now."));
        if (context.afterReceiver)
            context.afterReceiver(handled);
        if (StopAsked())
            break;
        WaitUntilGone(session, pid);
    }
    output.Event(QStringLiteral("summary"), {{QStringLiteral("handled"), handled},
                                             {QStringLiteral("updated"), updated},
                                             {QStringLiteral("current"), current},
                                             {QStringLiteral("failed"), failures}});
    output.Say(QStringLiteral("%1 receivers: %2 updated, %3 already current, %4 failed%5")
                   .arg(handled)
                   .arg(updated)
                   .arg(current)
                   .arg(failures.size())
                   .arg(failed.isEmpty() ? QString() : QStringLiteral(" (") + failed.join(QStringLiteral(", ")) + QLatin1Char(')')));
    if (handled == 0 && !StopAsked() && waitMs >= 0) {
        output.Error(kExitNoReceiver, QStringLiteral("no receiver found within %1 s").arg(options.waitS));
        return kExitNoReceiver;
    }
    return failures.isEmpty() ? kExitCurrent : kExitFailed;
}

int CommandLine::History(const Record &record)
{
    // Each run with its lines, and each session that ran no update.
    struct Entry {
        QJsonObject first;
        QJsonObject last;
        int steps = 0;
    };
    QList<Entry> entries;
    QHash<QString, int> runs;
    for (const QJsonObject &line : record.Lines()) {
        const QString id = line.value(QStringLiteral("run")).toString();
        const QString event = line.value(QStringLiteral("event")).toString();
        if (!id.isEmpty() && runs.contains(id)) {
            Entry &entry = entries[runs.value(id)];
            entry.steps += event == QLatin1String("run-step");
            if (event != QLatin1String("run-step") || !entry.last.contains(QStringLiteral("result")))
                entry.last = line;
            continue;
        }
        if (event == QLatin1String("run-start"))
            runs.insert(id, int(entries.size()));
        else if (!id.isEmpty())
            continue; // the end of a run begun beyond what is kept
        entries << Entry{line, line, 0};
    }
    int shown = 0;
    for (auto entry = entries.crbegin(); entry != entries.crend() && (options.last == 0 || shown < options.last); ++entry, ++shown) {
        QJsonObject json = entry->first;
        const bool run = json.value(QStringLiteral("event")) == QLatin1String("run-start");
        const bool ended = entry->last.contains(QStringLiteral("result"));
        if (run) {
            json.insert(QStringLiteral("event"), QStringLiteral("run"));
            json.insert(QStringLiteral("cutOff"), !ended);
            json.insert(QStringLiteral("stepsDone"), entry->steps);
            if (ended)
                json.insert(QStringLiteral("result"), entry->last.value(QStringLiteral("result")));
            if (entry->last.value(QStringLiteral("event")) == QLatin1String("run-found-complete"))
                json.insert(QStringLiteral("foundComplete"), true);
        }
        output.Event(QStringLiteral("history"), {{QStringLiteral("entry"), json}});
        const QJsonObject receiver = entry->first.value(QStringLiteral("receiver")).toObject();
        const QJsonObject target = entry->first.value(QStringLiteral("target")).toObject();
        QString line = QStringLiteral("%1  %2").arg(entry->first.value(QStringLiteral("time")).toString(),
                                                    json.value(QStringLiteral("event")).toString());
        if (!receiver.isEmpty())
            line += QStringLiteral("  %1 %2 build %3").arg(receiver.value(QStringLiteral("pid")).toString(),
                                                           Version(receiver.value(QStringLiteral("version")).toDouble()))
                        .arg(receiver.value(QStringLiteral("build")).toInt());
        if (run) {
            line += QStringLiteral(" -> %1 build %2 (%3, %4)")
                        .arg(Version(target.value(QStringLiteral("version")).toDouble()))
                        .arg(target.value(QStringLiteral("build")).toInt())
                        .arg(entry->first.value(QStringLiteral("reason")).toString(), entry->last.value(QStringLiteral("path")).toString());
            line += ended ? QStringLiteral(": ended %1%2").arg(entry->last.value(QStringLiteral("result")).toInt())
                                .arg(json.contains(QStringLiteral("foundComplete")) ? QStringLiteral(", found complete") : QString())
                          : QStringLiteral(": CUT OFF after %1 steps").arg(entry->steps);
        }
        output.Say(line);
    }
    return kExitCurrent;
}

int CommandLine::Run()
{
    if (options.command == QLatin1String("history")) {
        Record record;
        record.ForgetSessionOutcome();
        return History(record);
    }
    // One updater per session: the window or another command line.
    SingleInstance instance;
    if (!instance.Claim()) {
        output.Error(kExitBusy, QStringLiteral("another updater is running in this session"));
        return kExitBusy;
    }
    QObject::connect(&instance, &SingleInstance::ComeForwardRequested, &instance,
                     [&instance] { instance.AnswerCannotComeForward(); });
    Record record;
    record.Open();
    const int status = options.command == QLatin1String("status") ? Status(record)
        : options.command == QLatin1String("update")              ? Update(record)
                                                                  : Batch(record);
    g_receiverState = ReceiverState();
    return status;
}

bool g_verbose = false;
QtMessageHandler g_previous = nullptr;

// The debug stream goes into the run log; on stderr only when asked for.
void Quiet(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg || g_verbose)
        g_previous(type, context, message);
}

} // namespace

int RunCommandLine(const QStringList &arguments, const CommandLineContext &context)
{
    Options options;
    const QString problem = Parse(arguments, &options);
    // Wherever it stands, --json makes even a usage error an event.
    options.json = arguments.contains(QStringLiteral("--json"));
    if (!problem.isEmpty() || options.help) {
        Output output(*context.out, *context.err, options.json, context.outIsTerminal);
        if (!problem.isEmpty())
            output.Error(kExitUsage, problem);
        (problem.isEmpty() ? *context.out : *context.err) << kUsage;
        (problem.isEmpty() ? context.out : context.err)->flush();
        return problem.isEmpty() ? kExitCurrent : kExitUsage;
    }
    g_verbose = options.verbose;
    g_previous = qInstallMessageHandler(Quiet);
    const int status = CommandLine(options, context).Run();
    qInstallMessageHandler(g_previous);
    return status;
}
