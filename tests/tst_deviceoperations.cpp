#include "firmwareupdater.h"
#include "testsupport.h"

#include <QtTest>

class tst_DeviceOperations : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void loadCopiesTheRecord();
    void versionRetries_data();
    void versionRetries();
    void flashInfoRetries_data();
    void flashInfoRetries();
    void restart_data();
    void restart();
    void reconnectGivesUpAfterAMinute();

private:
    FirmwareUpdater LoadedUpdater();

    EngineFixture fixture;
    std::shared_ptr<sim::Receiver> receiver;
};

namespace {

constexpr quint32 kPid = 0x1317;
constexpr int kRestartMs = 2000;
constexpr int kSettleMs = 500;

} // namespace

void tst_DeviceOperations::init()
{
    fixture.Begin();
    receiver = AttachReceiver(kPid, 6.01, 81);
    receiver->restartTimeMs = kRestartMs;
    QVERIFY(OpenIntoReceiverState(kPid));
}

void tst_DeviceOperations::cleanup()
{
    receiver.reset();
    fixture.End();
}

FirmwareUpdater tst_DeviceOperations::LoadedUpdater()
{
    FirmwareUpdater updater;
    updater.Load(g_receiverState, nullptr);
    receiver->log.clear();
    receiver->callCounts = {};
    return updater;
}

void tst_DeviceOperations::loadCopiesTheRecord()
{
    g_receiverState.newPackSelected = true;
    FirmwareUpdater updater;
    QCOMPARE(updater.commandHandler, nullptr);
    QCOMPARE(updater.stepCount, 1);
    QCOMPARE(updater.step, 0);
    updater.Load(g_receiverState, nullptr);
    QCOMPARE(updater.commandHandler, g_receiverState.commandHandler);
    QCOMPARE(updater.pid, int32_t(kPid));
    QVERIFY(updater.newPackSelected);
    // The engine works on its copy only.
    updater.versionInfo.build = 1;
    QCOMPARE(g_receiverState.versionInfo.build, 81);
}

void tst_DeviceOperations::versionRetries_data()
{
    QTest::addColumn<bool>("handler");
    QTest::addColumn<int>("answerFrom");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("calls");
    QTest::newRow("no handler: no call") << false << 0 << false << 0;
    QTest::newRow("answers at once") << true << 0 << true << 1;
    QTest::newRow("answers on the third call") << true << 3 << true << 3;
    QTest::newRow("never answers") << true << 1000 << false << 3;
}

void tst_DeviceOperations::versionRetries()
{
    QFETCH(bool, handler);
    QFETCH(int, answerFrom);
    QFETCH(bool, result);
    QFETCH(int, calls);
    FirmwareUpdater updater = LoadedUpdater();
    if (!handler)
        updater.commandHandler = nullptr;
    receiver->faults[sim::Op::GetVersion].answerFrom = answerFrom;
    updater.errorCode = 0;
    QCOMPARE(updater.GetVersionWithRetry(), result);
    QCOMPARE(receiver->callCounts[sim::Op::GetVersion], calls);
    QCOMPARE(fixture.Clock().NowMs(), 0);
    QCOMPARE(updater.errorCode, 0);
}

void tst_DeviceOperations::flashInfoRetries_data()
{
    QTest::addColumn<int>("answerFrom");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("calls");
    QTest::addColumn<int>("waitedMs");
    QTest::newRow("answers at once") << 0 << true << 1 << 0;
    QTest::newRow("answers on the third call") << 3 << true << 3 << 50;
    QTest::newRow("answers only on an unread call") << 2 << true << 3 << 50;
    QTest::newRow("answers on the ninth call") << 9 << true << 9 << 200;
    QTest::newRow("never answers: 17") << 1000 << false << 10 << 250;
}

void tst_DeviceOperations::flashInfoRetries()
{
    QFETCH(int, answerFrom);
    QFETCH(bool, result);
    QFETCH(int, calls);
    QFETCH(int, waitedMs);
    FirmwareUpdater updater = LoadedUpdater();
    receiver->faults[sim::Op::GetFlashInfo].answerFrom = answerFrom;
    CMDHAND_FLASH_INFOstruct info{};
    QCOMPARE(updater.GetFlashInfoWithRetry(info, true), result);
    QCOMPARE(receiver->callCounts[sim::Op::GetFlashInfo], calls);
    QCOMPARE(fixture.Clock().NowMs(), qint64(waitedMs));
    QCOMPARE(updater.errorCode, result ? 0 : 17);
}

void tst_DeviceOperations::restart_data()
{
    QTest::addColumn<QString>("failing");  // operation that always fails
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("pidChanges");
    QTest::addColumn<bool>("breakCopy"); // the requested copy cannot boot
    QTest::addColumn<int>("errorCode");   // 0: success
    QTest::addColumn<int>("waitedMs");    // -1: not checked
    // When the page is told that the receiver restarts, and that it answers
    // (ms on the virtual clock, an end at t written as -t - 1).
    QTest::addColumn<QList<qint64>>("restartShown");
    const QList<qint64> untilReconnected = {0, -kRestartMs - 1};

    QTest::newRow("onto copy 1") << "" << 1 << false << false << 0 << kRestartMs + kSettleMs << untilReconnected;
    QTest::newRow("onto copy 2") << "" << 2 << false << false << 0 << kRestartMs + kSettleMs << untilReconnected;
    QTest::newRow("product ID changes: 50 s more")
        << "" << 1 << true << false << 0 << kRestartMs + 50000 + kSettleMs << QList<qint64>{0, -kRestartMs - 50000 - 1};
    QTest::newRow("CloseConnection fails: goes on") << "CloseConnection" << 1 << false << false << 0
                                                    << kRestartMs + kSettleMs << untilReconnected;
    QTest::newRow("PrepareToCloseConnection fails: no restart to show") << "PrepareToCloseConnection" << 1 << false
                                                                         << false << 10 << 0 << QList<qint64>();
    QTest::newRow("RestartWithCodeInPosition fails: no restart to show") << "RestartWithCodeInPosition" << 1
                                                                          << false << false << 10 << 0 << QList<qint64>();
    QTest::newRow("no version after the reconnect") << "GetVersion" << 1 << false << false << 12 << -1 << untilReconnected;
    QTest::newRow("the other copy boots: 13") << "" << 1 << false << true << 13 << -1 << untilReconnected;
}

void tst_DeviceOperations::restart()
{
    QFETCH(QString, failing);
    QFETCH(int, position);
    QFETCH(bool, pidChanges);
    QFETCH(bool, breakCopy);
    QFETCH(int, errorCode);
    QFETCH(int, waitedMs);
    QFETCH(QList<qint64>, restartShown);
    FirmwareUpdater updater = LoadedUpdater();
    ProgressRecorder view;
    updater.progressView = &view;
    updater.pidChanges = pidChanges;
    updater.stepFraction = 0.5;
    if (!failing.isEmpty())
        receiver->faults[*sim::OpNamed(failing)].always = true;
    if (breakCopy)
        receiver->codeSlots[position - 1].code[100] ^= 1;

    QCOMPARE(updater.RestartWithCopy(position), errorCode == 0);
    QCOMPARE(updater.stepFraction, errorCode == 0 ? 1.0 : 0.0);
    if (errorCode != 0)
        QCOMPARE(updater.errorCode, errorCode);
    else
        QCOMPARE(updater.versionInfo.codePosition, position);
    if (waitedMs >= 0)
        QCOMPARE(fixture.Clock().NowMs(), qint64(waitedMs));
    QCOMPARE(view.waits, restartShown);
    QVERIFY(view.shown.isEmpty()); // the sequence reports progress, not the restart
}

void tst_DeviceOperations::reconnectGivesUpAfterAMinute()
{
    FirmwareUpdater updater = LoadedUpdater();
    ProgressRecorder view;
    updater.progressView = &view;
    receiver->faults[sim::Op::InitializeConnection].always = true;
    DebugCapture capture;
    QVERIFY(!updater.RestartWithCopy(1));
    // The page's line shows through every reconnect pause, and goes.
    QCOMPARE(view.waits, (QList<qint64>{0, -(kRestartMs + 60500) - 1}));
    QCOMPARE(updater.errorCode, 11);
    // Tries at 0, 500, ... 60500 ms after the restart wait; the first
    // failure past 60000 ms ends it.
    QCOMPARE(receiver->callCounts[sim::Op::InitializeConnection], 122);
    QCOMPARE(fixture.Clock().NowMs(), qint64(kRestartMs + 60500));
    QCOMPARE(capture.lines.count(QStringLiteral("InitializeConnection")), 122);
    QCOMPARE(capture.lines.mid(0, 4),
             (QStringList{"PrepareToCloseConnection", "RestartWithCodeInPosition", "CloseConnection",
                          "RestartWithCopy MsToRestart= 2000"}));
}

QTEST_MAIN(tst_DeviceOperations)
#include "tst_deviceoperations.moc"
