// orvex-updater-cli as scripts and technicians run it: its exit statuses,
// its JSON (every line of standard output an object, nothing else there),
// boxes of receivers through batch, a stop asked for in a write, output
// that cannot be written, and commands that only look.

#include "catalogue.h"
#include "commandline.h"
#include "simulator.h"
#include "singleinstance.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void exitStatuses_data();
    void exitStatuses();
    void batchThroughABox();
    void batchCountsEachReceiverOnce_data();
    void batchCountsEachReceiverOnce();
    void stopDuringAWriteFinishesTheReceiver();
    void outputLostNeverStopsAWrite_data();
    void outputLostNeverStopsAWrite();
    void historyTellsRunningFromCutOff();
    void lookingWritesNothing_data();
    void lookingWritesNothing();
    void badWordsAreShownEscaped();
    void declinedHasItsOwnStatus();

private:
    struct Ran {
        int status = -1;
        QList<QJsonObject> events; // standard output, line by line
        QStringList notJson;       // lines of standard output that are no JSON object
        QString said;              // standard error
    };
    QProcessEnvironment Environment(const QString &scenario) const;
    Ran Run(const QStringList &arguments, const QString &scenario, const std::function<void(QProcess &)> &meanwhile = {});
    QString Scenario(const QString &faults, int restartMs = 100) const;
    QString Box(const QString &box) const;
    // The receiver kept in `state` is whole: copy 1 runs, both copies A7's target.
    static void CheckFinished(const QString &state);

    std::unique_ptr<QTemporaryDir> folder;
};

namespace {

constexpr int kRunLimitMs = 60000;

} // namespace

void tst_CommandLine::init()
{
    folder = std::make_unique<QTemporaryDir>();
}

QString tst_CommandLine::Scenario(const QString &faults, int restartMs) const
{
    const QString file = folder->filePath(QStringLiteral("scenario.json"));
    QFile scenario(file);
    if (scenario.open(QIODevice::WriteOnly))
        scenario.write(QStringLiteral(R"({"receivers": [{"pid": "1317", "version": 6.01, "build": 81, "running": 2,
            "latencyMs": 0, "restartMs": %2, "faults": {%1}}]})").arg(faults).arg(restartMs).toUtf8());
    return file;
}

QString tst_CommandLine::Box(const QString &box) const
{
    const QString file = folder->filePath(QStringLiteral("box.json"));
    QFile scenario(file);
    if (scenario.open(QIODevice::WriteOnly))
        scenario.write(QStringLiteral(R"({"box": %1})").arg(box).toUtf8());
    return file;
}

void tst_CommandLine::CheckFinished(const QString &state)
{
    QFile saved(state);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QList<std::shared_ptr<sim::Receiver>> receivers;
    QString error;
    QVERIFY2(sim::Bus::ReadState(saved.readAll(), &receivers, &error), qPrintable(error));
    const FirmwareBlocks &target = RuleNamed(QStringLiteral("A7")).target.blocks;
    QCOMPARE(receivers.first()->running, 1);
    QCOMPARE(receivers.first()->codeSlots[0].code.left(int(target.code1Size)), Bytes(target.code1, target.code1Size));
    QCOMPARE(receivers.first()->codeSlots[1].code.left(int(target.code2Size)), Bytes(target.code2, target.code2Size));
}

QProcessEnvironment tst_CommandLine::Environment(const QString &scenario) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder->path());
    environment.insert(QStringLiteral("XDG_STATE_HOME"), folder->filePath(QStringLiteral("state")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), folder->filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("ORVEX_SIM_SCENARIO"), scenario);
    environment.insert(QStringLiteral("ORVEX_SIM_CLOCK"), QStringLiteral("virtual"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return environment;
}

tst_CommandLine::Ran tst_CommandLine::Run(const QStringList &arguments, const QString &scenario,
                                          const std::function<void(QProcess &)> &meanwhile)
{
    QProcess program;
    program.setProcessEnvironment(Environment(scenario));
    program.start(QStringLiteral(ORVEX_CLI_PATH), arguments);
    program.closeWriteChannel();
    if (meanwhile)
        meanwhile(program);
    Ran ran;
    if (!program.waitForFinished(kRunLimitMs)) {
        program.kill();
        return ran;
    }
    ran.status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    for (const QByteArray &line : program.readAllStandardOutput().split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            ran.events << document.object();
        else if (!line.isEmpty())
            ran.notJson << QString::fromUtf8(line);
    }
    ran.said = QString::fromLocal8Bit(program.readAllStandardError());
    return ran;
}

void tst_CommandLine::exitStatuses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("scenario"); // a built-in one, or faults of the 0x1317 receiver
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("last"); // the last event

    const QStringList json{QStringLiteral("--json")};
    QTest::newRow("status") << QStringList{"status"} + json << "default" << 0 << "status";
    QTest::newRow("status, no receiver within the wait") << QStringList{"status", "--wait", "0"} + json << "no-receiver" << 3 << "error";
    QTest::newRow("update --yes: updated") << QStringList{"update", "--yes", "--pack", "scrivet"} + json << "" << 0 << "result";
    QTest::newRow("update --yes, up to date: nothing to do is success")
        << QStringList{"update", "--yes", "--pack", "scrivet"} + json << "up-to-date" << 0 << "result";
    QTest::newRow("update --yes, a failure") << QStringList{"update", "--yes", "--pack=classic"} + json
                                             << R"("WriteFlashCode": {"always": true})" << 1 << "result";
    QTest::newRow("update without --yes and no terminal") << QStringList{"update", "--pack", "scrivet"} + json << "" << 2 << "error";
    QTest::newRow("update of 0x1317 without --pack") << QStringList{"update", "--yes"} + json << "" << 2 << "error";
    QTest::newRow("an unknown word") << QStringList{"update", "--yess"} + json << "" << 2 << "error";
    QTest::newRow("a value missing") << QStringList{"batch", "--pack"} + json << "" << 2 << "error";
    QTest::newRow("another updater in the session") << QStringList{"status"} + json << "busy" << 4 << "error";
    QTest::newRow("history") << QStringList{"history"} + json << "" << 0 << "";
    QTest::newRow("--help --json: the usage as an event") << QStringList{"--help"} + json << "" << 0 << "usage";
    QTest::newRow("--version --json") << QStringList{"--version"} + json << "" << 0 << "version";
}

void tst_CommandLine::exitStatuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, scenario);
    QFETCH(int, status);
    QFETCH(QString, last);
    std::unique_ptr<SingleInstance> other;
    if (scenario == QLatin1String("busy")) {
        other = std::make_unique<SingleInstance>(folder->path());
        QVERIFY(other->Claim());
    }
    const bool builtIn = scenario == QLatin1String("default") || scenario.contains(QLatin1Char('-')) || scenario == QLatin1String("busy");
    const Ran ran = Run(arguments, builtIn ? (scenario == QLatin1String("busy") ? QStringLiteral("default") : scenario) : Scenario(scenario));
    QCOMPARE(ran.status, status);
    QCOMPARE(ran.notJson, QStringList());
    if (last.isEmpty())
        return;
    QVERIFY(!ran.events.isEmpty());
    const QJsonObject end = ran.events.last();
    QCOMPARE(end.value(QStringLiteral("event")).toString(), last);
    // Every failure says its code, in its event and in one line on stderr.
    if (last == QLatin1String("error"))
        QCOMPARE(end.value(QStringLiteral("code")).toInt(), status);
    if (last == QLatin1String("result"))
        QCOMPARE(end.value(QStringLiteral("code")).toInt() != 0, status == 1);
    if (status != 0)
        QVERIFY2(ran.said.contains(QStringLiteral("orvex-updater-cli: ")) || last == QLatin1String("result"), qPrintable(ran.said));
}

// The box: every path, both tables, a receiver on copy 2 of its firmware,
// one already current, one cut in its first update that comes back.
void tst_CommandLine::batchThroughABox()
{
    const Ran ran = Run({QStringLiteral("batch"), QStringLiteral("--pack"), QStringLiteral("classic"), QStringLiteral("--count"),
                         QStringLiteral("9"), QStringLiteral("--json")},
                        QStringLiteral("box"));
    // One update failed (the cut), so the batch says so.
    QCOMPARE(ran.status, 1);
    QCOMPARE(ran.notJson, QStringList());
    QStringList outcomes;
    int unplugs = 0;
    for (const QJsonObject &event : ran.events) {
        if (event.value(QStringLiteral("event")) == QLatin1String("result"))
            outcomes << event.value(QStringLiteral("outcome")).toString();
        unplugs += event.value(QStringLiteral("event")) == QLatin1String("unplug");
    }
    QCOMPARE(outcomes, QStringList({"updated", "updated", "updated", "updated", "current", "failed", "updated", "updated", "updated"}));
    QCOMPARE(unplugs, 9);
    const QJsonObject summary = ran.events.last();
    QCOMPARE(summary.value(QStringLiteral("event")).toString(), QStringLiteral("summary"));
    QCOMPARE(summary.value(QStringLiteral("handled")).toInt(), 9);
    QCOMPARE(summary.value(QStringLiteral("failed")).toArray().size(), 1);
}

// Ctrl-C (twice) while the receiver is written: it says so once, finishes
// the receiver and ends with its status; both copies are the target's.
void tst_CommandLine::stopDuringAWriteFinishesTheReceiver()
{
    const QString state = folder->filePath(QStringLiteral("receiver.state"));
    QProcessEnvironment environment = Environment(Scenario(QString()));
    environment.insert(QStringLiteral("ORVEX_SIM_STATE"), state);
    environment.remove(QStringLiteral("ORVEX_SIM_CLOCK"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ORVEX_CLI_PATH), {QStringLiteral("update"), QStringLiteral("--yes"), QStringLiteral("--pack"),
                                                   QStringLiteral("scrivet"), QStringLiteral("--json")});
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += program.readAllStandardOutput()).contains("\"writing copy 2\""), kRunLimitMs);
    ::kill(pid_t(program.processId()), SIGINT);
    ::kill(pid_t(program.processId()), SIGINT);
    QVERIFY(program.waitForFinished(kRunLimitMs));
    said += program.readAllStandardOutput();
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(said.count("\"stop-deferred\""), 1);
    QVERIFY(said.contains("\"outcome\":\"updated\""));
    CheckFinished(state);
}

// Each receiver counted once, however long it stays and under whatever ID
// its update leaves it; each with its own progress from its start; a
// whole receiver is not written again on another receiver's failure.
void tst_CommandLine::batchCountsEachReceiverOnce_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("outcomes");
    QTest::addColumn<int>("reminders"); // "still plugged in"

    const QString own = QStringLiteral(R"({"pid": "1317", "version": 6.01, "build": 81, "running": 2, "startPosition": 2})");
    const QString whole = QStringLiteral(
        R"({"pid": "1400", "running": 1, "startPosition": 1, "slot1": {"firmware": "image3"}, "slot2": {"firmware": "image3"}})");
    const QString failing = QStringLiteral(
        R"({"pid": "1317", "version": 6.01, "build": 81, "running": 2, "startPosition": 2, "faults": {"WriteFlashCode": {"always": true}}})");
    QTest::newRow("two receivers, each its own progress")
        << QStringLiteral(R"({"unplugAfterMs": 2000, "receivers": [%1, %1]})").arg(own) << QStringList{"updated", "updated"} << 0;
    QTest::newRow("its ID changes with the update, and it stays in for 35 s")
        << QStringLiteral(R"({"unplugAfterMs": 35000, "receivers": [%1]})").arg(own) << QStringList{"updated"} << 1;
    QTest::newRow("a whole receiver after another's failure in its first write")
        << QStringLiteral(R"({"unplugAfterMs": 2000, "receivers": [%1, %2]})").arg(failing, whole) << QStringList{"failed", "current"} << 0;
}

void tst_CommandLine::batchCountsEachReceiverOnce()
{
    QFETCH(QString, box);
    QFETCH(QStringList, outcomes);
    QFETCH(int, reminders);

    const Ran ran = Run({QStringLiteral("batch"), QStringLiteral("--pack"), QStringLiteral("classic"), QStringLiteral("--count"),
                         QString::number(outcomes.size() + 1), QStringLiteral("--wait"), QStringLiteral("20"), QStringLiteral("--json")},
                        Box(box));
    QStringList seen;
    int reminded = 0;
    QList<int> percents; // of the receiver under way
    for (const QJsonObject &event : ran.events) {
        const QString name = event.value(QStringLiteral("event")).toString();
        reminded += name == QLatin1String("unplug-reminder");
        if (name == QLatin1String("receiver"))
            percents.clear();
        if (name == QLatin1String("progress"))
            percents << event.value(QStringLiteral("percent")).toInt();
        if (name != QLatin1String("result"))
            continue;
        seen << event.value(QStringLiteral("outcome")).toString();
        // Written from its start: the bar moves up from the bottom.
        if (seen.last() == QLatin1String("updated"))
            QVERIFY2(percents.size() >= 5 && percents.first() < 20, qPrintable(QStringLiteral("%1").arg(percents.size())));
    }
    QCOMPARE(seen, outcomes);
    QCOMPARE(reminded, reminders);
    const QJsonObject summary = ran.events.last();
    QCOMPARE(summary.value(QStringLiteral("event")).toString(), QStringLiteral("summary"));
    QCOMPARE(summary.value(QStringLiteral("handled")).toInt(), outcomes.size());
}

// A reader that goes away, or a full disk: the receiver is finished and
// recorded, and the status says that output was lost.
void tst_CommandLine::outputLostNeverStopsAWrite_data()
{
    QTest::addColumn<bool>("json");
    QTest::addColumn<QString>("output"); // "pipe": read and then closed; else a file
    QTest::newRow("a reader that stops after the first line (head -n 1)") << true << "pipe";
    QTest::newRow("standard output on a full disk") << false << "/dev/full";
}

void tst_CommandLine::outputLostNeverStopsAWrite()
{
    QFETCH(bool, json);
    QFETCH(QString, output);
    const QString state = folder->filePath(QStringLiteral("receiver.state"));
    QProcessEnvironment environment = Environment(Scenario(QString()));
    environment.insert(QStringLiteral("ORVEX_SIM_STATE"), state);
    // Real time, so that the reader is gone while the receiver is written.
    environment.remove(QStringLiteral("ORVEX_SIM_CLOCK"));
    QProcess program;
    program.setProcessEnvironment(environment);
    QStringList arguments{QStringLiteral("update"), QStringLiteral("--yes"), QStringLiteral("--pack"), QStringLiteral("scrivet")};
    if (json)
        arguments << QStringLiteral("--json");
    if (output == QLatin1String("pipe")) {
        program.start(QStringLiteral("bash"), QStringList{QStringLiteral("-c"), QStringLiteral("\"$0\" \"$@\" | head -n 1 >/dev/null; "
                                                                                                  "exit ${PIPESTATUS[0]}"),
                                                          QStringLiteral(ORVEX_CLI_PATH)} + arguments);
    } else {
        program.setStandardOutputFile(output);
        program.start(QStringLiteral(ORVEX_CLI_PATH), arguments);
    }
    QVERIFY(program.waitForFinished(kRunLimitMs));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 7);
    QVERIFY(program.readAllStandardError().contains("standard output cannot be written"));
    CheckFinished(state);
    const Ran history = Run({QStringLiteral("history"), QStringLiteral("--json")}, QStringLiteral("default"));
    QCOMPARE(history.events.size(), 1);
    QCOMPARE(history.events.first().value(QStringLiteral("entry")).toObject().value(QStringLiteral("result")).toInt(-1), 0);
}

// Another updater's run under way is running, not cut off; once that
// updater is killed, it is cut off.
void tst_CommandLine::historyTellsRunningFromCutOff()
{
    QProcessEnvironment environment = Environment(Scenario(QString(), 60000));
    environment.remove(QStringLiteral("ORVEX_SIM_CLOCK"));
    QProcess update;
    update.setProcessEnvironment(environment);
    update.start(QStringLiteral(ORVEX_CLI_PATH), {QStringLiteral("update"), QStringLiteral("--yes"), QStringLiteral("--pack"),
                                                  QStringLiteral("scrivet"), QStringLiteral("--json")});
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += update.readAllStandardOutput()).contains("restart-wait-begins"), kRunLimitMs);
    const auto run = [this] {
        const Ran ran = Run({QStringLiteral("history"), QStringLiteral("--json")}, QStringLiteral("default"));
        return ran.events.value(0).value(QStringLiteral("entry")).toObject();
    };
    const QJsonObject during = run();
    QCOMPARE(during.value(QStringLiteral("running")).toBool(), true);
    QCOMPARE(during.value(QStringLiteral("cutOff")).toBool(), false);
    update.kill();
    QVERIFY(update.waitForFinished(kRunLimitMs));
    const QJsonObject after = run();
    QCOMPARE(after.value(QStringLiteral("running")).toBool(), false);
    QCOMPARE(after.value(QStringLiteral("cutOff")).toBool(), true);
}

// status and history read the record and leave every folder as it was;
// where there is none, they make none.
void tst_CommandLine::lookingWritesNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("updatedBefore");
    QTest::newRow("status, after an update") << QStringList{"status"} << true;
    QTest::newRow("history, after an update") << QStringList{"history"} << true;
    QTest::newRow("status, on a new computer") << QStringList{"status"} << false;
    QTest::newRow("history, on a new computer") << QStringList{"history"} << false;
}

void tst_CommandLine::lookingWritesNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, updatedBefore);
    if (updatedBefore)
        QCOMPARE(Run({QStringLiteral("update"), QStringLiteral("--yes"), QStringLiteral("--pack"), QStringLiteral("scrivet")},
                     QStringLiteral("default")).status, 0);
    const auto files = [this] {
        QStringList found;
        QDirIterator all(folder->path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (all.hasNext()) {
            all.next();
            found << QStringLiteral("%1 %2 %3").arg(all.filePath()).arg(all.fileInfo().size())
                         .arg(all.fileInfo().lastModified().toMSecsSinceEpoch());
        }
        found.sort();
        return found;
    };
    const QStringList before = files();
    for (int i = 0; i < 3; ++i)
        QCOMPARE(Run(arguments, QStringLiteral("default")).status, 0);
    QCOMPARE(files(), before);
}

// A word is shown in the error line with its control characters escaped:
// the line stays one line, and no escape sequence reaches a terminal.
void tst_CommandLine::badWordsAreShownEscaped()
{
    const Ran ran = Run({QStringLiteral("update"), QStringLiteral("--pack"), QStringLiteral("a\nb\x1b[2J")}, QStringLiteral("default"));
    QCOMPARE(ran.status, 2);
    const QString first = ran.said.section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(first.contains(QStringLiteral("\"a\\nb\\x1b[2J\"")), qPrintable(first));
    QVERIFY(!ran.said.contains(QChar(0x1b)));
}

// Asked on a terminal, the answer no leaves the receiver as it was, and
// says so in the status.
void tst_CommandLine::declinedHasItsOwnStatus()
{
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder->path()));
    qputenv("XDG_STATE_HOME", QFile::encodeName(folder->filePath(QStringLiteral("state"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(folder->filePath(QStringLiteral("cache"))));
    EngineFixture fixture;
    fixture.Begin();
    const auto receiver = AttachReceiver(0x1317, 6.01, 81);
    QString said;
    QTextStream out(&said);
    QString answer = QStringLiteral("n\n");
    QTextStream in(&answer);
    CommandLineContext context;
    context.out = &out;
    context.err = &out;
    context.in = &in;
    context.outIsTerminal = context.inIsTerminal = true;
    QCOMPARE(RunCommandLine({QStringLiteral("update"), QStringLiteral("--pack"), QStringLiteral("scrivet")}, context), 5);
    QVERIFY(CallsOf(*receiver, sim::Op::WriteFlashCode).isEmpty());
    QVERIFY2(said.contains(QStringLiteral("Not updated.")), qPrintable(said));
    fixture.End();
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
