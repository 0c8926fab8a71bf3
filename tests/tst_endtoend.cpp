// The built program, run as a user runs it, against a persisted simulated
// receiver; a preloaded autopilot presses the buttons.

#include "catalogue.h"
#include "simulator.h"
#include "testsupport.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <unistd.h>

class tst_EndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void updatesThenFindsItUpToDate();
    void failedRunRestartsTheProgram();
    void secondStartCallsTheFirstForward();
    void killedUpdateIsFinishedByTheNextStart();
    void unusableStateFolderGivesWayToTheCache_data();
    void unusableStateFolderGivesWayToTheCache();

private:
    void WriteScenario(const QString &faults, int restartMs = 100);
    // As a user starts it, with the autopilot playing the user.
    QProcessEnvironment Environment(const QString &answer = QStringLiteral("No")) const;
    QStringList Run(const QString &answer = QStringLiteral("No"));
    QStringList LogLines() const;
    std::shared_ptr<sim::Receiver> SavedReceiver() const;
    QList<QJsonObject> History(const QString &base = QStringLiteral("state")) const;

    std::unique_ptr<QTemporaryDir> folder;
};

namespace {

constexpr int kRunLimitMs = 60000;

} // namespace

void tst_EndToEnd::init()
{
    folder = std::make_unique<QTemporaryDir>();
}

void tst_EndToEnd::WriteScenario(const QString &faults, int restartMs)
{
    QFile scenario(folder->filePath(QStringLiteral("scenario.json")));
    QVERIFY(scenario.open(QIODevice::WriteOnly));
    scenario.write(QStringLiteral(R"({"receivers": [{"pid": "1317", "version": 6.01, "build": 81,
        "running": 2, "restartMs": %2, "latencyMs": 0, "faults": {%1}}]})")
                       .arg(faults)
                       .arg(restartMs)
                       .toUtf8());
}

QStringList tst_EndToEnd::LogLines() const
{
    QFile log(folder->filePath(QStringLiteral("autopilot.log")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QProcessEnvironment tst_EndToEnd::Environment(const QString &answer) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Its own session and record: other tests start updaters at the same time.
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder->path());
    environment.insert(QStringLiteral("XDG_STATE_HOME"), folder->filePath(QStringLiteral("state")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), folder->filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(ORVEX_AUTOPILOT_PATH));
    environment.insert(QStringLiteral("ORVEX_AUTOPILOT_LOG"), folder->filePath(QStringLiteral("autopilot.log")));
    environment.insert(QStringLiteral("ORVEX_AUTOPILOT_PRESS"), QStringLiteral("1"));
    environment.insert(QStringLiteral("ORVEX_AUTOPILOT_ANSWER"), answer);
    environment.insert(QStringLiteral("ORVEX_SIM_SCENARIO"), folder->filePath(QStringLiteral("scenario.json")));
    environment.insert(QStringLiteral("ORVEX_SIM_STATE"), folder->filePath(QStringLiteral("receiver.state")));
    return environment;
}

QStringList tst_EndToEnd::Run(const QString &answer)
{
    QFile::remove(folder->filePath(QStringLiteral("autopilot.log")));
    QProcess program;
    program.setProcessEnvironment(Environment(answer));
    program.setStandardErrorFile(folder->filePath(QStringLiteral("stderr.txt")));
    program.start(QStringLiteral(ORVEX_UPDATER_PATH), {});
    if (!program.waitForFinished(kRunLimitMs))
        program.kill();
    if (program.exitStatus() != QProcess::NormalExit || program.exitCode() != 0)
        return {QStringLiteral("program failed")};
    return LogLines();
}

std::shared_ptr<sim::Receiver> tst_EndToEnd::SavedReceiver() const
{
    QFile state(folder->filePath(QStringLiteral("receiver.state")));
    QList<std::shared_ptr<sim::Receiver>> receivers;
    QString error;
    if (!state.open(QIODevice::ReadOnly) || !sim::Bus::ReadState(state.readAll(), &receivers, &error)
        || receivers.size() != 1)
        return nullptr;
    return receivers.first();
}

QList<QJsonObject> tst_EndToEnd::History(const QString &base) const
{
    QFile history(folder->filePath(base + QStringLiteral("/orvex-updater/history.jsonl")));
    QList<QJsonObject> lines;
    if (history.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : history.readAll().split('\n')) {
            if (!line.isEmpty())
                lines << QJsonDocument::fromJson(line).object();
        }
    }
    return lines;
}

void tst_EndToEnd::updatesThenFindsItUpToDate()
{
    WriteScenario(QString());
    const QStringList first = Run();
    QVERIFY2(first.contains(QStringLiteral("[offered] Orvex Firmware Updater v1.0.0.6")),
             qPrintable(first.join('\n')));
    QVERIFY(first.contains(QStringLiteral("[search] Orvex Firmware Updater v1.0.0.6")));
    const int updated = first.indexOf(QStringLiteral("[updated] Orvex Firmware Updater v1.0.0.6"));
    QVERIFY(updated > 0);
    QCOMPARE(first.value(updated + 1), QStringLiteral("  Your Orvex receiver firmware has been updated."));

    sim::Bus bus;
    QString error;
    QVERIFY2(bus.LoadState(folder->filePath(QStringLiteral("receiver.state")), &error), qPrintable(error));
    QCOMPARE(bus.Receivers().first()->running, 1);
    QCOMPARE(bus.Receivers().first()->runningIdentity.build, 83);

    const QStringList second = Run();
    const int upToDate = second.indexOf(QStringLiteral("[up-to-date] Orvex Firmware Updater v1.0.0.6"));
    QVERIFY2(upToDate > 0, qPrintable(second.join('\n')));
    QCOMPARE(second.value(upToDate + 1), QStringLiteral("  Your Orvex receiver firmware is up to date."));
    QVERIFY(second.filter(QStringLiteral("[offered]")).isEmpty());
}

void tst_EndToEnd::failedRunRestartsTheProgram()
{
    WriteScenario(QStringLiteral(R"("WriteFlashCode": {"always": true})"));
    const QStringList lines = Run(QStringLiteral("Yes"));
    QVERIFY2(lines.contains(QStringLiteral("  Your Orvex receiver failed to update. Please provide Technical "
                                           "Support with the following error code: 119")),
             qPrintable(lines.join('\n')));
    // The fresh instance shows its window after the first one; end it.
    QTRY_VERIFY2_WITH_TIMEOUT(LogLines().filter(QStringLiteral("[search] ")).size() == 2,
                              qPrintable(LogLines().join(QLatin1Char('\n'))), 10000);
    const QStringList started = LogLines().filter(QStringLiteral("started "));
    const qint64 restarted = started.last().mid(8).toLongLong();
    QVERIFY(restarted > 0 && started.first() != started.last());
    QCOMPARE(::kill(pid_t(restarted), SIGTERM), 0);
}

void tst_EndToEnd::secondStartCallsTheFirstForward()
{
    WriteScenario(QString());
    QProcessEnvironment environment = Environment();
    environment.remove(QStringLiteral("LD_PRELOAD"));
    environment.remove(QStringLiteral("ORVEX_SIM_STATE"));
    environment.insert(QStringLiteral("ORVEX_SIM_SCENARIO"), QStringLiteral("no-receiver"));
    QProcess first;
    first.setProcessEnvironment(environment);
    first.setProcessChannelMode(QProcess::MergedChannels);
    first.start(QStringLiteral(ORVEX_UPDATER_PATH), {});
    QByteArray firstSaid;
    QTRY_VERIFY_WITH_TIMEOUT((firstSaid += first.readAll()).contains("Look for System with PID="), 10000);

    // Had the second one touched the device library, the simulator would
    // complain about this scenario.
    environment.insert(QStringLiteral("ORVEX_SIM_SCENARIO"), folder->filePath(QStringLiteral("missing.json")));
    QProcess second;
    second.setProcessEnvironment(environment);
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(QStringLiteral(ORVEX_UPDATER_PATH), {});
    QVERIFY(second.waitForFinished(kRunLimitMs));
    QCOMPARE(second.exitCode(), 0);
    const QByteArray said = second.readAll();
    QVERIFY2(!said.contains("orvex simulator") && !said.contains("Look for System"), said.constData());
    // Once when it opened, once more when asked.
    QTRY_COMPARE_WITH_TIMEOUT((firstSaid += first.readAll()).count("BringWindowToForeground"), 2, 10000);
    first.terminate();
    QVERIFY(first.waitForFinished(kRunLimitMs));
}

void tst_EndToEnd::killedUpdateIsFinishedByTheNextStart()
{
    // Restarts of a second: the receiver runs the new firmware's copy 1
    // alone for about that long before copy 2 is rewritten.
    WriteScenario(QString(), 1000);
    QProcess program;
    program.setProcessEnvironment(Environment());
    program.setStandardErrorFile(QProcess::nullDevice());
    program.start(QStringLiteral(ORVEX_UPDATER_PATH), {});
    QTRY_VERIFY_WITH_TIMEOUT(SavedReceiver() && SavedReceiver()->running == 1, kRunLimitMs);
    program.kill();
    QVERIFY(program.waitForFinished(kRunLimitMs));
    const std::shared_ptr<sim::Receiver> cut = SavedReceiver();
    QVERIFY(cut);
    QCOMPARE(cut->runningIdentity.build, 83);
    const FirmwareBlocks &target = RuleNamed(QStringLiteral("A7")).target.blocks;
    QVERIFY(cut->codeSlots[1].code.left(int(target.code2Size)) != Bytes(target.code2, target.code2Size));

    const QStringList lines = Run();
    QVERIFY2(lines.filter(QStringLiteral("[offered]")).size() == 1 && lines.filter(QStringLiteral("[updated]")).size() == 1,
             qPrintable(lines.join('\n')));
    const std::shared_ptr<sim::Receiver> finished = SavedReceiver();
    QCOMPARE(finished->running, 1);
    QCOMPARE(finished->codeSlots[0].code.left(int(target.code1Size)), Bytes(target.code1, target.code1Size));
    QCOMPARE(finished->codeSlots[1].code.left(int(target.code2Size)), Bytes(target.code2, target.code2Size));

    // The cut-off run has a start and no end; the one that finished it says why.
    QStringList events;
    for (const QJsonObject &line : History()) {
        if (line.value(QStringLiteral("event")) == QLatin1String("run-step"))
            continue;
        events << line.value(QStringLiteral("event")).toString() + QLatin1Char(' ')
                + line.value(QStringLiteral("reason")).toString() + line.value(QStringLiteral("result")).toVariant().toString();
    }
    QCOMPARE(events, QStringList({"run-start rule", "run-start unfinished run", "run-end 0"}));
}

void tst_EndToEnd::unusableStateFolderGivesWayToTheCache_data()
{
    QTest::addColumn<QString>("stateHome");
    QTest::newRow("a file in its place") << "file";
    QTest::newRow("a folder that cannot be made") << "/proc/orvex-test";
    QTest::newRow("another user's folder") << "other";
}

void tst_EndToEnd::unusableStateFolderGivesWayToTheCache()
{
    QFETCH(QString, stateHome);
    WriteScenario(QString());
    QProcessEnvironment environment = Environment();
    QString home = stateHome;
    if (stateHome == QLatin1String("file")) {
        home = folder->filePath(QStringLiteral("file"));
        QFile file(home);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (stateHome == QLatin1String("other")) {
        home = folder->filePath(QStringLiteral("other"));
        QVERIFY(QDir().mkpath(home + QStringLiteral("/orvex-updater")));
        if (::chown(QFile::encodeName(home + QStringLiteral("/orvex-updater")).constData(), 65534, 65534) != 0)
            QSKIP("giving a folder to another user needs root");
    }
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ORVEX_UPDATER_PATH), {});
    QVERIFY(program.waitForFinished(kRunLimitMs));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(LogLines().filter(QStringLiteral("[updated]")).size() == 1);
    const QStringList said = QString::fromLocal8Bit(program.readAllStandardError()).split(QLatin1Char('\n'));
    QCOMPARE(said.filter(QStringLiteral("orvex-updater: ")).size(), 1);
    QVERIFY2(said.filter(QStringLiteral("orvex-updater: ")).first().endsWith(QStringLiteral("the record goes to ")
                                                                          + folder->filePath(QStringLiteral("cache/orvex-updater"))),
             qPrintable(said.join('\n')));
    QCOMPARE(History(QStringLiteral("cache")).last().value(QStringLiteral("result")).toInt(-1), 0);
}

QTEST_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
