#include "catalogue.h"
#include "firmwareupdater.h"
#include "testsupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

class tst_UpdateSequence : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void paths_data();
    void paths();
    void failures_data();
    void failures();
    void progressAtEachStep_data();
    void progressAtEachStep();
    void flashInfoFormatFollowsTheVersion_data();
    void flashInfoFormatFollowsTheVersion();
    void runRecord_data();
    void runRecord();

private:
    // A receiver in the named state, opened, with its updater aimed at
    // rule `rule` of table A (> 0) or B (< 0).
    FirmwareUpdater Prepare(const QString &state, int rule, quint32 pid = 0x1317);

    EngineFixture fixture;
    std::shared_ptr<sim::Receiver> receiver;
};

namespace {

const QStringList kShortPath = {"Loading Copy Code 1", "Restarting Copy1", "Finish Flash Upgrade"};
const QStringList kFullPath = {"Loading Copy Code 2", "Restarting Copy1", "Loading Copy Code2",
                               "Restarting Copy2", "Loading Copy Code1", "Restarting Copy1",
                               "Finish Flash Upgrade"};
const QStringList kBootCodePath = {"Boot Code", "Write last 256 bytes", "Loading Copy Code2",
                                   "Restarting Copy2", "Loading Copy Code1", "Restarting Copy1",
                                   "Finish Flash Upgrade"};
const QStringList kAllStepLines = kShortPath + kFullPath + kBootCodePath;

const UpgradeRule &Rule(int rule)
{
    const UpgradeTable &table = rule > 0 ? ScrivetPackTable() : ScrivetPackClassicTable();
    return table.rules[qAbs(rule) - 1];
}

void PutTargetCopy2InSlot2(sim::Receiver &receiver, const FirmwareImage &image)
{
    receiver.codeSlots[1].header = Bytes(image.blocks.header2, 64);
    receiver.codeSlots[1].code = Bytes(image.blocks.code2, image.blocks.code2Size);
}

} // namespace

void tst_UpdateSequence::init()
{
    fixture.Begin();
}

void tst_UpdateSequence::cleanup()
{
    receiver.reset();
    fixture.End();
}

FirmwareUpdater tst_UpdateSequence::Prepare(const QString &state, int rule, quint32 pid)
{
    const FirmwareImage &target = Rule(rule).target;
    const bool old = state == QLatin1String("old protocol");
    if (state == QLatin1String("boot 4.4")) {
        receiver = AttachScenarioReceiver(QStringLiteral(R"({"pid": %1, "boot": {"version": 4.4, "build": 1}})").arg(pid));
    } else {
        receiver = AttachReceiver(pid, old ? 3.0 : 6.01, old ? 27 : 81, 2);
    }
    if (state.startsWith(QLatin1String("boot")) || state == QLatin1String("nothing runs")) {
        receiver->codeSlots = {};
        receiver->startPosition = state == QLatin1String("nothing runs") ? 0 : 2;
        receiver->Boot(2);
    } else if (state.startsWith(QLatin1String("short"))) {
        PutTargetCopy2InSlot2(*receiver, target);
    }
    if (state.endsWith(QLatin1String("start 1"))) {
        receiver->Boot(1);
        receiver->startPosition = 1;
    }
    OpenIntoReceiverState(pid);
    FirmwareUpdater updater;
    updater.Load(g_receiverState, nullptr);
    updater.target = &target;
    updater.pidChanges = int32_t(pid) != Rule(rule).targetPid;
    return updater;
}

void tst_UpdateSequence::paths_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("rule");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("restarts");

    QTest::newRow("full path to image 6") << "running copy 2" << 7 << 10 << kFullPath << 3;
    QTest::newRow("full path to image 4") << "running copy 2" << 1 << 10 << kFullPath << 3;
    QTest::newRow("short path to image 7") << "short" << 9 << 9 << kShortPath << 1;
    QTest::newRow("initial restart, short path to image 2") << "short, start 1" << -4 << 9
                                                            << (QStringList{"restarting Copy2"} + kShortPath) << 2;
    QTest::newRow("initial restart, then full path to image 1")
        << "running copy 1, start 1" << -1 << 10 << (QStringList{"restarting Copy2"} + kFullPath) << 4;
    QTest::newRow("boot-code path to image 5") << "boot" << 4 << 11 << kBootCodePath << 2;
    QTest::newRow("boot-code path at 4.4 to image 3") << "boot 4.4" << -3 << 11 << kBootCodePath << 2;
    QTest::newRow("nothing runs, start 0: full path") << "nothing runs" << 7 << 10 << kFullPath << 3;
    QTest::newRow("old protocol: full path to image 6") << "old protocol" << 7 << 10 << kFullPath << 3;
}

void tst_UpdateSequence::paths()
{
    QFETCH(QString, state);
    QFETCH(int, rule);
    QFETCH(int, mode);
    QFETCH(QStringList, steps);
    QFETCH(int, restarts);
    FirmwareUpdater updater = Prepare(state, rule);
    receiver->log.clear();
    DebugCapture capture;
    QCOMPARE(updater.RunFlashUpgrade(), 0);
    QCOMPARE(updater.mode, mode);

    QStringList stepLines;
    for (const QString &line : capture.lines) {
        if (kAllStepLines.contains(line) || line == QLatin1String("restarting Copy2"))
            stepLines << line;
    }
    QCOMPARE(stepLines, steps);
    QCOMPARE(CallsOf(*receiver, sim::Op::RestartWithCodeInPosition).size(), restarts);

    // The flash holds exactly the target, and copy 1 of it runs.
    const FirmwareImage &image = Rule(rule).target;
    const FirmwareBlocks &b = image.blocks;
    QCOMPARE(receiver->codeSlots[0].header, Bytes(b.header1, 64));
    QCOMPARE(receiver->codeSlots[0].code.left(int(b.code1Size)), Bytes(b.code1, b.code1Size));
    // Copy 2 written from the 4.4 boot code carries the old header layout.
    if (state == QLatin1String("boot 4.4"))
        QVERIFY(receiver->SlotIntact(2));
    else
        QCOMPARE(receiver->codeSlots[1].header, Bytes(b.header2, 64));
    QCOMPARE(receiver->codeSlots[1].code.left(int(b.code2Size)), Bytes(b.code2, b.code2Size));
    QCOMPARE(receiver->running, 1);
    QCOMPARE(receiver->runningIdentity.version, image.version);
    QCOMPARE(receiver->runningIdentity.build, image.build);
    QCOMPARE(updater.versionInfo.codePosition, 1);
    if (mode == 11)
        QCOMPARE(receiver->boot.left(906), Bytes(b.bootCode, 906));
    if (state == QLatin1String("old protocol")) {
        const auto writes = CallsOf(*receiver, sim::Op::WriteFlashCode);
        QCOMPARE(writes.first().b, 1u);
        QCOMPARE(writes.at(276).a, 276u); // block offsets: 17666 bytes are 277 blocks
        QCOMPARE(writes.at(277).b, 5u);   // the new firmware speaks the new protocol
    }
}

void tst_UpdateSequence::failures_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("faults"); // as in a scenario
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("stored"); // errorCode afterwards; -1: not looked at

    QTest::newRow("no version at the start: 18")
        << "running copy 2" << R"({"GetVersion": {"always": true}})" << 18 << 9 << -1;
    QTest::newRow("version on the third try")
        << "running copy 2" << R"({"GetVersion": {"fail": [2, 3]}})" << 0 << 10 << -1;
    QTest::newRow("boot code: write mode 1")
        << "boot" << R"({"SetWriteMode": {"fail": [1]}})" << 1 << 11 << 1;
    QTest::newRow("boot code: write mode 2")
        << "boot" << R"({"SetWriteMode": {"fail": [2]}})" << 2 << 11 << 2;
    QTest::newRow("boot code: sector")
        << "boot" << R"({"WriteFlashSector": {"fail": [5]}})" << 3 << 11 << 3;
    QTest::newRow("last 256 bytes: write mode 1")
        << "boot 4.4" << R"({"SetWriteMode": {"fail": [17]}})" << 7 << 11 << 7;
    QTest::newRow("last 256 bytes: write mode 2")
        << "boot 4.4" << R"({"SetWriteMode": {"fail": [18]}})" << 8 << 11 << 8;
    QTest::newRow("last 256 bytes: sector")
        << "boot 4.4" << R"({"WriteFlashSector": {"fail": [16]}})" << 9 << 11 << 9;
    QTest::newRow("initial restart times out: 10, 11 stored")
        << "running copy 1, start 1" << R"({"InitializeConnection": {"always": true}})" << 10 << 9 << 11;
    QTest::newRow("restart step refused: 10")
        << "running copy 2" << R"({"PrepareToCloseConnection": {"always": true}})" << 10 << 10 << 10;
    QTest::newRow("restart step times out: 11")
        << "running copy 2" << R"({"InitializeConnection": {"always": true}})" << 11 << 10 << 11;
    QTest::newRow("short path restart times out: 11")
        << "short" << R"({"InitializeConnection": {"always": true}})" << 11 << 9 << 11;
    QTest::newRow("no version after a restart: 12")
        << "running copy 2" << R"({"GetVersion": {"fail": [3, 4, 5]}})" << 12 << 10 << 12;
    QTest::newRow("the other copy boots: 13")
        << "running copy 2" << R"({"WriteFlashCode": {"corrupt": [1]}})" << 13 << 10 << 13;
    QTest::newRow("full path: flash info never answers")
        << "running copy 2" << R"({"GetFlashInfo": {"always": true}})" << 17 << 10 << 17;
    QTest::newRow("short path: flash info fails, sums match")
        << "short" << R"({"GetFlashInfo": {"fail": [1]}})" << 17 << 9 << -1;
    QTest::newRow("sums unread, flash info fails once: full path")
        << "short" << R"({"GetHeader2Checksum": {"always": true}, "GetFlashInfo": {"fail": [1]}})" << 0 << 10 << -1;
    QTest::newRow("copy write fails twice: 119, 5 stored")
        << "running copy 2" << R"({"WriteFlashCode": {"always": true}})" << 119 << 10 << 5;
    QTest::newRow("header refused twice: 119, 6 stored")
        << "short" << R"({"WriteFlashHeader": {"always": true}})" << 119 << 9 << 6;
    QTest::newRow("copy write fails once: goes on")
        << "running copy 2" << R"({"WriteFlashHeader": {"fail": [1]}})" << 0 << 10 << -1;
    QTest::newRow("each copy write gets its own retry")
        << "running copy 2" << R"({"WriteFlashHeader": {"fail": [1, 3, 5]}})" << 0 << 10 << -1;
}

void tst_UpdateSequence::failures()
{
    QFETCH(QString, state);
    QFETCH(QString, faults);
    QFETCH(int, result);
    QFETCH(int, mode);
    QFETCH(int, stored);
    FirmwareUpdater updater = Prepare(state, 7);
    QString problem;
    QVERIFY2(sim::SetFaults(*receiver, faults.toUtf8(), &problem), qPrintable(problem));
    QCOMPARE(updater.RunFlashUpgrade(), result);
    QCOMPARE(updater.mode, mode);
    if (stored >= 0)
        QCOMPARE(updater.errorCode, stored);
}

void tst_UpdateSequence::progressAtEachStep_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QList<int>>("shown");
    QTest::newRow("full path") << "running copy 2" << QList<int>{10, 28, 42, 57, 71, 85, 100};
    QTest::newRow("full path after a restart") << "running copy 1, start 1" << QList<int>{14, 28, 42, 57, 71, 85, 100};
    QTest::newRow("short path") << "short" << QList<int>{10, 66, 100};
    QTest::newRow("short path after a restart") << "short, start 1" << QList<int>{33, 66, 100};
    QTest::newRow("boot-code path") << "boot" << QList<int>{10, 28, 42, 57, 71, 85, 100};
}

void tst_UpdateSequence::progressAtEachStep()
{
    QFETCH(QString, state);
    QFETCH(QList<int>, shown);
    ProgressRecorder view;
    FirmwareUpdater updater = Prepare(state, 7);
    updater.progressView = &view;
    DebugCapture capture;
    QCOMPARE(updater.RunFlashUpgrade(), 0);

    QList<int> atSteps;
    int last = -1;
    int previous = 0;
    for (const QString &line : capture.lines) {
        if (line.startsWith(QLatin1String("UpdateProgress: "))) {
            last = line.mid(16).toInt();
            QVERIFY(last >= previous);
            previous = last;
        } else if (kAllStepLines.contains(line)) {
            atSteps << last;
        }
    }
    QCOMPARE(atSteps, shown);
    QCOMPARE(view.shown.last(), 100);
}

void tst_UpdateSequence::flashInfoFormatFollowsTheVersion_data()
{
    QTest::addColumn<double>("version");
    QTest::addColumn<uint>("newFormat");
    QTest::newRow("4.4: the old format") << 4.4 << 0u;
    QTest::newRow("4.5: the new format") << 4.5 << 1u;
    QTest::newRow("6.01: the new format") << 6.01 << 1u;
}

void tst_UpdateSequence::flashInfoFormatFollowsTheVersion()
{
    QFETCH(double, version);
    QFETCH(uint, newFormat);
    receiver = AttachScenarioReceiver(QStringLiteral(R"({"pid": "1317", "version": %1, "build": 81})").arg(version));
    QVERIFY(OpenIntoReceiverState(0x1317));
    FirmwareUpdater updater;
    updater.Load(g_receiverState, nullptr);
    updater.target = &Rule(7).target;
    receiver->log.clear();
    QCOMPARE(updater.RunFlashUpgrade(), 0);
    // Every request for the flash information until the first restart,
    // which brings up the target's version: the short path's check, the
    // full path's, and the first copy write's.
    QList<uint> asked;
    for (const sim::Call &call : receiver->log) {
        if (call.op == sim::Op::RestartWithCodeInPosition)
            break;
        if (call.op == sim::Op::GetFlashInfo)
            asked << call.a;
    }
    QCOMPARE(asked, QList<uint>(3, newFormat));
}

void tst_UpdateSequence::runRecord_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("faults"); // as in a scenario
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("startPath"); // as the start record names it
    QTest::addColumn<QString>("endPath");
    QTest::addColumn<int>("lastStep");
    QTest::addColumn<QString>("lastStepLine");

    QTest::newRow("full path") << "running copy 2" << "{}" << 0 << "full" << "full" << 7 << "Finish Flash Upgrade";
    QTest::newRow("short path, decided after the restart on copy 2")
        << "short, start 1" << "{}" << 0 << "short or full" << "short" << 3 << "Finish Flash Upgrade";
    QTest::newRow("boot-code path") << "boot" << "{}" << 0 << "boot" << "boot" << 7 << "Finish Flash Upgrade";
    QTest::newRow("no receiver: nothing changed")
        << "running copy 2" << R"({"GetVersion": {"always": true}})" << 18 << "none" << "none" << 0 << "";
    QTest::newRow("a restart step times out")
        << "running copy 2" << R"({"InitializeConnection": {"always": true}})" << 11 << "full" << "full" << 2
        << "Restarting Copy1";
    QTest::newRow("a copy write fails twice")
        << "running copy 2" << R"({"WriteFlashCode": {"always": true}})" << 119 << "full" << "full" << 1
        << "Loading Copy Code 2";
}

void tst_UpdateSequence::runRecord()
{
    QFETCH(QString, state);
    QFETCH(QString, faults);
    QFETCH(int, result);
    QFETCH(QString, startPath);
    QFETCH(QString, endPath);
    QFETCH(int, lastStep);
    QFETCH(QString, lastStepLine);
    QTemporaryDir folder;
    const ScopedHistory history(folder.path());
    FirmwareUpdater updater = Prepare(state, 7);
    QString problem;
    QVERIFY2(sim::SetFaults(*receiver, faults.toUtf8(), &problem), qPrintable(problem));

    const auto lines = [&folder] {
        QFile file(folder.filePath(QLatin1String(UpdateHistory::kFileName)));
        QList<QJsonObject> objects;
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : file.readAll().split('\n'))
                objects << QJsonDocument::fromJson(line).object();
        }
        objects.removeAll(QJsonObject());
        return objects;
    };
    // What the file held when the receiver was first to be changed: a run
    // killed from then on has left its start behind.
    int recordedBeforeChange = -1;
    DebugCapture capture;
    capture.onLine = [&](const QString &line) {
        if (recordedBeforeChange < 0 && (line == QLatin1String("PrepareToCloseConnection") || kAllStepLines.contains(line)))
            recordedBeforeChange = int(lines().size());
    };
    QCOMPARE(updater.RunFlashUpgrade(), result);
    QCOMPARE(recordedBeforeChange, result == kReceiverNotReachable ? -1 : 1);

    const QList<QJsonObject> records = lines();
    QCOMPARE(records.size(), 2);
    const QJsonObject start = records[0];
    const QJsonObject end = records[1];
    QCOMPARE(start.value(QStringLiteral("event")).toString(), QStringLiteral("run-start"));
    QCOMPARE(start.value(QStringLiteral("path")).toString(), startPath);
    QCOMPARE(start.value(QStringLiteral("receiver")).toObject().value(QStringLiteral("build")).toInt(),
             g_receiverState.versionInfo.build);
    QCOMPARE(start.value(QStringLiteral("target")).toObject().value(QStringLiteral("build")).toInt(), 83);
    QCOMPARE(end.value(QStringLiteral("event")).toString(), QStringLiteral("run-end"));
    QCOMPARE(end.value(QStringLiteral("run")), start.value(QStringLiteral("run")));
    QCOMPARE(end.value(QStringLiteral("result")).toInt(), result);
    QCOMPARE(end.value(QStringLiteral("path")).toString(), endPath);
    QCOMPARE(end.value(QStringLiteral("lastStep")).toInt(), lastStep);
    QCOMPARE(end.value(QStringLiteral("lastStepLine")).toString(), lastStepLine);
}

QTEST_MAIN(tst_UpdateSequence)
#include "tst_updatesequence.moc"
