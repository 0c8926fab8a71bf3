// The real updater killed (SIGKILL) at moments spread over an update,
// against a simulated receiver (the default one, slower on the wire) kept
// in a state file, then started again
// and left to a preloaded autopilot that plays the user. For each kill it
// prints what the receiver runs as the next start meets it, what that
// start offers and why, and whether the receiver ended with both copies
// the target, copy 1 running; the state file loaded; the history shows
// the cut-off run. docs/reliability.md quotes it.
//
// With --state-folder-unusable, a file stands in the place of the state
// folder for every start, so that the record goes to the cache folder.
//
// orvex-killcampaign [kills, default 40] [--state-folder-unusable]

#include "catalogue.h"
#include "simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <cstdio>

namespace {

constexpr int kRunLimitMs = 120000;
// The update begins this long after Update is pressed (the page's timer).
constexpr int kRunStartsAfterMs = 500;
// The default receiver, slower on the wire, so that the kills land in the
// writes about as often as in the restarts.
const char kScenario[] = R"({"receivers": [{"pid": "1317", "version": 6.01, "build": 81, "running": 2,
    "latencyMs": 30, "restartMs": 1500}]})";

QTextStream out(stdout);
bool g_stateFolderUnusable = false;

// Where the starts keep their record: the state folder, or (unusable)
// the cache folder.
QString RecordFolder(const QTemporaryDir &folder)
{
    return folder.filePath(g_stateFolderUnusable ? QStringLiteral("cache/orvex-updater") : QStringLiteral("state/orvex-updater"));
}

struct Start {
    QProcess program;
    QString log;
};

// The updater started as a user starts it, in `folder`'s session and state.
void Launch(Start &start, const QTemporaryDir &folder)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    environment.insert(QStringLiteral("XDG_STATE_HOME"), folder.filePath(QStringLiteral("state")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), folder.filePath(QStringLiteral("cache")));
    if (g_stateFolderUnusable) {
        QDir().mkpath(folder.filePath(QStringLiteral("state")));
        QFile(folder.filePath(QStringLiteral("state/orvex-updater"))).open(QIODevice::WriteOnly);
    }
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(ORVEX_AUTOPILOT_PATH));
    start.log = folder.filePath(QStringLiteral("autopilot.log"));
    QFile::remove(start.log);
    environment.insert(QStringLiteral("ORVEX_AUTOPILOT_LOG"), start.log);
    environment.insert(QStringLiteral("ORVEX_AUTOPILOT_PRESS"), QStringLiteral("1"));
    environment.insert(QStringLiteral("ORVEX_SIM_STATE"), folder.filePath(QStringLiteral("receiver.state")));
    environment.insert(QStringLiteral("ORVEX_SIM_SCENARIO"), folder.filePath(QStringLiteral("scenario.json")));
    QFile scenario(folder.filePath(QStringLiteral("scenario.json")));
    if (scenario.open(QIODevice::WriteOnly))
        scenario.write(kScenario);
    start.program.setProcessEnvironment(environment);
    start.program.setStandardOutputFile(QProcess::nullDevice());
    start.program.setStandardErrorFile(QProcess::nullDevice());
    start.program.start(QStringLiteral(ORVEX_UPDATER_PATH), {});
}

QByteArray Read(const QString &file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

bool WaitFor(const Start &start, const char *state)
{
    QElapsedTimer waited;
    waited.start();
    while (!Read(start.log).contains(state)) {
        if (waited.elapsed() > kRunLimitMs)
            return false;
        QThread::msleep(5);
    }
    return true;
}

std::shared_ptr<sim::Receiver> Saved(const QTemporaryDir &folder, bool *loaded)
{
    QList<std::shared_ptr<sim::Receiver>> receivers;
    QString error;
    *loaded = sim::Bus::ReadState(Read(folder.filePath(QStringLiteral("receiver.state"))), &receivers, &error)
        && receivers.size() == 1;
    return *loaded ? receivers.first() : nullptr;
}

bool Holds(const sim::Receiver &receiver, int position, const FirmwareBlocks &target)
{
    const sim::Slot &slot = receiver.codeSlots[position - 1];
    const unsigned char *code = position == 1 ? target.code1 : target.code2;
    const uint32_t size = position == 1 ? target.code1Size : target.code2Size;
    const unsigned char *header = position == 1 ? target.header1 : target.header2;
    return slot.header == QByteArray(reinterpret_cast<const char *>(header), 64)
        && slot.code.left(int(size)) == QByteArray(reinterpret_cast<const char *>(code), int(size));
}

QList<QJsonObject> History(const QTemporaryDir &folder)
{
    QList<QJsonObject> lines;
    for (const QByteArray &line : Read(QDir(RecordFolder(folder)).filePath(QStringLiteral("history.jsonl"))).split('\n')) {
        // A run's steps are not what this campaign looks at.
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        if (!line.isEmpty() && object.value(QStringLiteral("event")) != QLatin1String("run-step"))
            lines << object;
    }
    return lines;
}

QString Running(const sim::Receiver &receiver)
{
    if (receiver.running <= 0)
        return receiver.running == 0 ? QStringLiteral("boot code") : QStringLiteral("nothing");
    return QStringLiteral("copy %1, %2.%3")
        .arg(receiver.running)
        .arg(receiver.runningIdentity.version, 0, 'f', 2)
        .arg(receiver.runningIdentity.build);
}

// How long an update takes from Update to the end, left alone.
qint64 UpdateLength()
{
    QTemporaryDir folder;
    Start start;
    Launch(start, folder);
    if (!WaitFor(start, "[running]"))
        return -1;
    QElapsedTimer length;
    length.start();
    if (!WaitFor(start, "[updated]"))
        return -1;
    const qint64 ms = length.elapsed();
    start.program.waitForFinished(kRunLimitMs);
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    g_stateFolderUnusable = arguments.removeAll(QStringLiteral("--state-folder-unusable")) > 0;
    const int kills = arguments.isEmpty() ? 40 : arguments.first().toInt();
    const FirmwareBlocks &target = ScrivetPackTable().rules[6].target.blocks; // A7
    const qint64 length = UpdateLength();
    if (length < 0) {
        out << "the update left alone did not end\n";
        return 1;
    }
    out << "A receiver 0x1317 at 6.01 build 81 on copy 2, 30 ms a call, restarting in 1.5 s; Scrivet Pack: an update takes "
        << length << " ms from Update. Killed at " << kills << " moments spread over it, then started again"
        << (g_stateFolderUnusable ? ", a file in the state folder's place for every start" : "") << ".\n\n";
    out << "| kill | ms after the run began | receiver as the next start meets it | next start offered | its result | both copies the target, copy 1 running | state loaded | cut-off run in the history |\n";
    out << "|---|---|---|---|---|---|---|---|\n";
    int good = 0;
    for (int kill = 1; kill <= kills; ++kill) {
        QTemporaryDir folder;
        Start first;
        Launch(first, folder);
        if (!WaitFor(first, "[running]"))
            return 1;
        const qint64 at = (length - kRunStartsAfterMs) * kill / (kills + 1);
        QThread::msleep(kRunStartsAfterMs + at);
        first.program.kill();
        first.program.waitForFinished(kRunLimitMs);
        bool loadedAfterKill = false;
        const auto cut = Saved(folder, &loadedAfterKill);

        Start second;
        Launch(second, folder);
        second.program.waitForFinished(kRunLimitMs);
        const QByteArray seen = Read(second.log);
        bool loaded = false;
        const auto after = Saved(folder, &loaded);
        const bool both = after && after->running == 1 && Holds(*after, 1, target) && Holds(*after, 2, target);

        const QList<QJsonObject> history = History(folder);
        const bool cutOff = !history.isEmpty() && history.first().value(QStringLiteral("event")) == QLatin1String("run-start")
            && (history.size() == 1 || history[1].value(QStringLiteral("event")) != QLatin1String("run-end"));
        QString offered = seen.contains("[offered]") ? QStringLiteral("update") : QStringLiteral("nothing");
        QString result = seen.contains("[updated]") ? QStringLiteral("updated") : seen.contains("[up-to-date]") ? QStringLiteral("up to date") : QStringLiteral("?");
        for (const QJsonObject &line : history.mid(1)) {
            if (line.value(QStringLiteral("event")) == QLatin1String("run-start"))
                offered = QStringLiteral("update (%1)").arg(line.value(QStringLiteral("reason")).toString());
            if (line.value(QStringLiteral("event")) == QLatin1String("run-found-complete"))
                offered = QStringLiteral("nothing: found complete");
        }
        const bool ok = both && loadedAfterKill && loaded && cutOff;
        good += ok ? 1 : 0;
        out << "| " << kill << " | " << at << " | " << (cut ? Running(*cut) : QStringLiteral("?")) << " | " << offered << " | "
            << result << " | " << (both ? "yes" : "NO") << " | " << (loadedAfterKill && loaded ? "yes" : "NO") << " | "
            << (cutOff ? "yes" : "NO") << " |\n";
        out.flush();
    }
    out << "\n" << good << " of " << kills << " kills: both copies the target, state loaded, cut-off run in the history.\n";
    return good == kills ? 0 : 1;
}
