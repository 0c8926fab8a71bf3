// The built program, run as a user runs it, against a persisted simulated
// receiver; a preloaded autopilot presses the buttons.

#include "simulator.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class tst_EndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void updatesThenFindsItUpToDate();
    void failedRunRestartsTheProgram();
    void secondStartCallsTheFirstForward();

private:
    void WriteScenario(const QString &faults);
    QStringList Run(const QString &answer = QStringLiteral("No"));
    QStringList LogLines() const;

    std::unique_ptr<QTemporaryDir> folder;
};

namespace {

constexpr int kRunLimitMs = 60000;

} // namespace

void tst_EndToEnd::init()
{
    folder = std::make_unique<QTemporaryDir>();
}

void tst_EndToEnd::WriteScenario(const QString &faults)
{
    QFile scenario(folder->filePath(QStringLiteral("scenario.json")));
    QVERIFY(scenario.open(QIODevice::WriteOnly));
    scenario.write(QStringLiteral(R"({"receivers": [{"pid": "1317", "version": 6.01, "build": 81,
        "running": 2, "restartMs": 100, "latencyMs": 0, "faults": {%1}}]})")
                       .arg(faults)
                       .toUtf8());
}

QStringList tst_EndToEnd::LogLines() const
{
    QFile log(folder->filePath(QStringLiteral("autopilot.log")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList tst_EndToEnd::Run(const QString &answer)
{
    QFile::remove(folder->filePath(QStringLiteral("autopilot.log")));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // Its own session: other tests start updaters at the same time.
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder->path());
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(ORVEX_AUTOPILOT_PATH));
    environment.insert(QStringLiteral("ORVEX_AUTOPILOT_LOG"), folder->filePath(QStringLiteral("autopilot.log")));
    environment.insert(QStringLiteral("ORVEX_AUTOPILOT_PRESS"), QStringLiteral("1"));
    environment.insert(QStringLiteral("ORVEX_AUTOPILOT_ANSWER"), answer);
    environment.insert(QStringLiteral("ORVEX_SIM_SCENARIO"), folder->filePath(QStringLiteral("scenario.json")));
    environment.insert(QStringLiteral("ORVEX_SIM_STATE"), folder->filePath(QStringLiteral("receiver.state")));
    program.setProcessEnvironment(environment);
    program.setStandardErrorFile(folder->filePath(QStringLiteral("stderr.txt")));
    program.start(QStringLiteral(ORVEX_UPDATER_PATH), {});
    if (!program.waitForFinished(kRunLimitMs))
        program.kill();
    if (program.exitStatus() != QProcess::NormalExit || program.exitCode() != 0)
        return {QStringLiteral("program failed")};
    return LogLines();
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
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder->path());
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

QTEST_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
