// orvex-updater-cli as scripts and technicians run it: its exit statuses,
// its JSON (every line of standard output an object, nothing else there),
// a box of receivers through batch, and a stop asked for in a write.

#include "catalogue.h"
#include "commandline.h"
#include "simulator.h"
#include "singleinstance.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
    void stopDuringAWriteFinishesTheReceiver();

private:
    struct Ran {
        int status = -1;
        QList<QJsonObject> events; // standard output, line by line
        QStringList notJson;       // lines of standard output that are no JSON object
        QString said;              // standard error
    };
    QProcessEnvironment Environment(const QString &scenario) const;
    Ran Run(const QStringList &arguments, const QString &scenario, const std::function<void(QProcess &)> &meanwhile = {});
    QString Scenario(const QString &faults) const;

    std::unique_ptr<QTemporaryDir> folder;
};

namespace {

constexpr int kRunLimitMs = 60000;

} // namespace

void tst_CommandLine::init()
{
    folder = std::make_unique<QTemporaryDir>();
}

QString tst_CommandLine::Scenario(const QString &faults) const
{
    const QString file = folder->filePath(QStringLiteral("scenario.json"));
    QFile scenario(file);
    if (scenario.open(QIODevice::WriteOnly))
        scenario.write(QStringLiteral(R"({"receivers": [{"pid": "1317", "version": 6.01, "build": 81, "running": 2,
            "latencyMs": 0, "restartMs": 100, "faults": {%1}}]})").arg(faults).toUtf8());
    return file;
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

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
