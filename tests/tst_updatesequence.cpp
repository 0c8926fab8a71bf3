#include "catalogue.h"
#include "firmwareupdater.h"
#include "testsupport.h"

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
    // The receiver, attached and opened, with its updater aimed at `rule`.
    FirmwareUpdater Prepare(const BeforeUpdate &before, const QString &rule = QStringLiteral("A7"),
                            quint32 pid = 0x1317);

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

const BeforeUpdate kOwnFirmware = BeforeUpdate::OwnFirmware();
const BeforeUpdate kShortPathReady = BeforeUpdate::TargetCopy2Running();
const BeforeUpdate kOnBootCode = BeforeUpdate::OnBootCode();

} // namespace

Q_DECLARE_METATYPE(BeforeUpdate)

void tst_UpdateSequence::init()
{
    fixture.Begin();
}

void tst_UpdateSequence::cleanup()
{
    receiver.reset();
    fixture.End();
}

FirmwareUpdater tst_UpdateSequence::Prepare(const BeforeUpdate &before, const QString &rule, quint32 pid)
{
    receiver = before.Attach(pid, RuleNamed(rule).target);
    // A receiver running the target's copy answers under the target's ID.
    OpenIntoReceiverState(receiver->pid);
    FirmwareUpdater updater;
    ReceiverSession().AimAt(updater, RuleNamed(rule));
    return updater;
}

void tst_UpdateSequence::paths_data()
{
    QTest::addColumn<BeforeUpdate>("before");
    QTest::addColumn<QString>("rule");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("restarts");
    QTest::addColumn<bool>("oldProtocol"); // code a block a call until the new firmware runs

    QTest::newRow("full path to image 6") << kOwnFirmware << "A7" << 10 << kFullPath << 3 << false;
    QTest::newRow("full path to image 4") << kOwnFirmware << "A1" << 10 << kFullPath << 3 << false;
    QTest::newRow("short path to image 7") << kShortPathReady << "A9" << 9 << kShortPath << 1 << false;
    QTest::newRow("initial restart, short path to image 2") << kShortPathReady.StartedFromCopy1() << "B4" << 9
                                                            << (QStringList{"restarting Copy2"} + kShortPath) << 2 << false;
    QTest::newRow("initial restart, then full path to image 1")
        << kOwnFirmware.StartedFromCopy1() << "B1" << 10 << (QStringList{"restarting Copy2"} + kFullPath) << 4 << false;
    QTest::newRow("boot-code path to image 5") << kOnBootCode << "A4" << 11 << kBootCodePath << 2 << false;
    QTest::newRow("boot-code path at 4.4 to image 3") << kOnBootCode.WithBootCode(4.4) << "B3" << 11 << kBootCodePath << 2 << false;
    QTest::newRow("nothing runs, start 0: full path") << BeforeUpdate::NothingRuns() << "A7" << 10 << kFullPath << 3 << false;
    QTest::newRow("3.0 build 27, old protocol: full path to image 6") << kOwnFirmware.WithFirmware(3.0, 27) << "A7" << 10 << kFullPath << 3 << true;
    QTest::newRow("3.0 build 28, new protocol: full path to image 6") << kOwnFirmware.WithFirmware(3.0, 28) << "A7" << 10 << kFullPath << 3 << false;
}

void tst_UpdateSequence::paths()
{
    QFETCH(BeforeUpdate, before);
    QFETCH(QString, rule);
    QFETCH(int, mode);
    QFETCH(QStringList, steps);
    QFETCH(int, restarts);
    QFETCH(bool, oldProtocol);
    FirmwareUpdater updater = Prepare(before, rule);
    const CMDHAND_VERSIONstruct found = g_receiverState.versionInfo;
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
    const FirmwareImage &image = RuleNamed(rule).target;
    const FirmwareBlocks &b = image.blocks;
    QCOMPARE(receiver->codeSlots[0].header, Bytes(b.header1, 64));
    QCOMPARE(receiver->codeSlots[0].code.left(int(b.code1Size)), Bytes(b.code1, b.code1Size));
    // Copy 2 written from boot code below 4.5 carries the old header layout.
    if (found.version < 4.5)
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
    const auto writes = CallsOf(*receiver, sim::Op::WriteFlashCode);
    if (oldProtocol) {
        QCOMPARE(writes.first().b, 1u);
        QCOMPARE(writes.at(276).a, 276u); // block offsets: 17666 bytes are 277 blocks
        QCOMPARE(writes.at(277).b, 5u);   // the new firmware speaks the new protocol
    } else {
        QCOMPARE(writes.first().b, 5u);
        QCOMPARE(writes.at(1).a, 320u); // byte offsets
    }
}

void tst_UpdateSequence::failures_data()
{
    QTest::addColumn<BeforeUpdate>("before");
    QTest::addColumn<QString>("faults"); // as in a scenario
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("stored"); // errorCode afterwards; -1: not looked at

    QTest::newRow("no version at the start: 18")
        << kOwnFirmware << R"({"GetVersion": {"always": true}})" << 18 << 9 << -1;
    QTest::newRow("version on the third try")
        << kOwnFirmware << R"({"GetVersion": {"fail": [2, 3]}})" << 0 << 10 << -1;
    QTest::newRow("boot code: write mode 1")
        << kOnBootCode << R"({"SetWriteMode": {"fail": [1]}})" << 1 << 11 << 1;
    QTest::newRow("boot code: write mode 2")
        << kOnBootCode << R"({"SetWriteMode": {"fail": [2]}})" << 2 << 11 << 2;
    QTest::newRow("boot code: sector")
        << kOnBootCode << R"({"WriteFlashSector": {"fail": [5]}})" << 3 << 11 << 3;
    QTest::newRow("last 256 bytes: write mode 1")
        << kOnBootCode.WithBootCode(4.4) << R"({"SetWriteMode": {"fail": [17]}})" << 7 << 11 << 7;
    QTest::newRow("last 256 bytes: write mode 2")
        << kOnBootCode.WithBootCode(4.4) << R"({"SetWriteMode": {"fail": [18]}})" << 8 << 11 << 8;
    QTest::newRow("last 256 bytes: sector")
        << kOnBootCode.WithBootCode(4.4) << R"({"WriteFlashSector": {"fail": [16]}})" << 9 << 11 << 9;
    QTest::newRow("initial restart times out: 10, 11 stored")
        << kOwnFirmware.StartedFromCopy1() << R"({"InitializeConnection": {"always": true}})" << 10 << 9 << 11;
    QTest::newRow("restart step refused: 10")
        << kOwnFirmware << R"({"PrepareToCloseConnection": {"always": true}})" << 10 << 10 << 10;
    QTest::newRow("restart step times out: 11")
        << kOwnFirmware << R"({"InitializeConnection": {"always": true}})" << 11 << 10 << 11;
    QTest::newRow("short path restart times out: 11")
        << kShortPathReady << R"({"InitializeConnection": {"always": true}})" << 11 << 9 << 11;
    QTest::newRow("no version after a restart: 12")
        << kOwnFirmware << R"({"GetVersion": {"fail": [3, 4, 5]}})" << 12 << 10 << 12;
    QTest::newRow("the other copy boots: 13")
        << kOwnFirmware << R"({"WriteFlashCode": {"corrupt": [1]}})" << 13 << 10 << 13;
    QTest::newRow("full path: flash info never answers")
        << kOwnFirmware << R"({"GetFlashInfo": {"always": true}})" << 17 << 10 << 17;
    QTest::newRow("short path: flash info fails, sums match")
        << kShortPathReady << R"({"GetFlashInfo": {"fail": [1]}})" << 17 << 9 << -1;
    QTest::newRow("sums unread, flash info fails once: full path")
        << kShortPathReady << R"({"GetHeader2Checksum": {"always": true}, "GetFlashInfo": {"fail": [1]}})" << 0 << 10 << -1;
    QTest::newRow("copy write fails twice: 119, 5 stored")
        << kOwnFirmware << R"({"WriteFlashCode": {"always": true}})" << 119 << 10 << 5;
    QTest::newRow("header refused twice: 119, 6 stored")
        << kShortPathReady << R"({"WriteFlashHeader": {"always": true}})" << 119 << 9 << 6;
    QTest::newRow("copy write fails once: goes on")
        << kOwnFirmware << R"({"WriteFlashHeader": {"fail": [1]}})" << 0 << 10 << -1;
    QTest::newRow("each copy write gets its own retry")
        << kOwnFirmware << R"({"WriteFlashHeader": {"fail": [1, 3, 5]}})" << 0 << 10 << -1;
}

void tst_UpdateSequence::failures()
{
    QFETCH(BeforeUpdate, before);
    QFETCH(QString, faults);
    QFETCH(int, result);
    QFETCH(int, mode);
    QFETCH(int, stored);
    FirmwareUpdater updater = Prepare(before);
    QString problem;
    QVERIFY2(sim::SetFaults(*receiver, faults.toUtf8(), &problem), qPrintable(problem));
    QCOMPARE(updater.RunFlashUpgrade(), result);
    QCOMPARE(updater.mode, mode);
    if (stored >= 0)
        QCOMPARE(updater.errorCode, stored);
}

void tst_UpdateSequence::progressAtEachStep_data()
{
    QTest::addColumn<BeforeUpdate>("before");
    QTest::addColumn<QList<int>>("shown");
    QTest::newRow("full path") << kOwnFirmware << QList<int>{10, 28, 42, 57, 71, 85, 100};
    QTest::newRow("full path after a restart") << kOwnFirmware.StartedFromCopy1() << QList<int>{14, 28, 42, 57, 71, 85, 100};
    QTest::newRow("short path") << kShortPathReady << QList<int>{10, 66, 100};
    QTest::newRow("short path after a restart") << kShortPathReady.StartedFromCopy1() << QList<int>{33, 66, 100};
    QTest::newRow("boot-code path") << kOnBootCode << QList<int>{10, 28, 42, 57, 71, 85, 100};
}

void tst_UpdateSequence::progressAtEachStep()
{
    QFETCH(BeforeUpdate, before);
    QFETCH(QList<int>, shown);
    ProgressRecorder view;
    FirmwareUpdater updater = Prepare(before);
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
    FirmwareUpdater updater = Prepare(BeforeUpdate::OwnFirmware().WithFirmware(version, 81));
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
    QTest::addColumn<BeforeUpdate>("before");
    QTest::addColumn<QString>("faults"); // as in a scenario
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("startPath"); // as the start record names it
    QTest::addColumn<QString>("endPath");
    QTest::addColumn<int>("lastStep");
    QTest::addColumn<QString>("lastStepLine");
    QTest::addColumn<QStringList>("completed"); // the steps recorded as done

    const QStringList fullPathDone = kFullPath.mid(0, 6);
    QTest::newRow("full path") << kOwnFirmware << "{}" << 0 << "full" << "full" << 7 << "Finish Flash Upgrade" << fullPathDone;
    QTest::newRow("short path, decided after the restart on copy 2")
        << kShortPathReady.StartedFromCopy1() << "{}" << 0 << "short or full" << "short" << 3 << "Finish Flash Upgrade"
        << QStringList{"restarting Copy2", "Loading Copy Code 1", "Restarting Copy1"};
    QTest::newRow("boot-code path") << kOnBootCode << "{}" << 0 << "boot" << "boot" << 7 << "Finish Flash Upgrade"
                                    << kBootCodePath.mid(0, 6);
    QTest::newRow("no receiver: nothing changed")
        << kOwnFirmware << R"({"GetVersion": {"always": true}})" << 18 << "none" << "none" << 0 << "" << QStringList();
    QTest::newRow("a restart step times out")
        << kOwnFirmware << R"({"InitializeConnection": {"always": true}})" << 11 << "full" << "full" << 2
        << "Restarting Copy1" << QStringList{"Loading Copy Code 2"};
    QTest::newRow("a copy write fails twice")
        << kOwnFirmware << R"({"WriteFlashCode": {"always": true}})" << 119 << "full" << "full" << 1
        << "Loading Copy Code 2" << QStringList();
    QTest::newRow("a copy write fails once")
        << kOwnFirmware << R"({"WriteFlashHeader": {"fail": [1]}})" << 0 << "full" << "full" << 7
        << "Finish Flash Upgrade" << fullPathDone;
}

void tst_UpdateSequence::runRecord()
{
    QFETCH(BeforeUpdate, before);
    QFETCH(QString, faults);
    QFETCH(int, result);
    QFETCH(QString, startPath);
    QFETCH(QString, endPath);
    QFETCH(int, lastStep);
    QFETCH(QString, lastStepLine);
    QFETCH(QStringList, completed);
    MemoryRecord record;
    FirmwareUpdater updater = Prepare(before);
    updater.record = &record;
    QString problem;
    QVERIFY2(sim::SetFaults(*receiver, faults.toUtf8(), &problem), qPrintable(problem));

    // What the record held when the receiver was first to be changed: a
    // run killed from then on has left its start behind. And at each
    // step's beginning, every step before it is down as done.
    int recordedBeforeChange = -1;
    QStringList stepsBegun;
    DebugCapture capture;
    capture.onLine = [&](const QString &line) {
        if (recordedBeforeChange < 0 && (line == QLatin1String("PrepareToCloseConnection") || kAllStepLines.contains(line)))
            recordedBeforeChange = int(record.runs.size());
        if ((kAllStepLines.contains(line) || line.endsWith(QLatin1String("estarting Copy2"))) && !record.runs.isEmpty()) {
            QCOMPARE(record.runs.last().steps, stepsBegun.mid(0, record.runs.last().steps.size()));
            QVERIFY(stepsBegun.size() - record.runs.last().steps.size() <= 1);
            // A retried copy write begins its step again.
            if (stepsBegun.size() == record.runs.last().steps.size())
                stepsBegun << line;
        }
    };
    QCOMPARE(updater.RunFlashUpgrade(), result);
    QCOMPARE(recordedBeforeChange, result == kReceiverNotReachable ? -1 : 1);

    QCOMPARE(record.runs.size(), 1);
    const MemoryRecord::Run &run = record.runs.first();
    QCOMPARE(run.startPath, startPath);
    QCOMPARE(run.receiver.build, g_receiverState.versionInfo.build);
    QCOMPARE(run.targetBuild, 83);
    QCOMPARE(run.result, std::optional<int>(result));
    QCOMPARE(run.endPath, endPath);
    QCOMPARE(run.lastStep, lastStep);
    QCOMPARE(run.lastStepLine, lastStepLine);
    QCOMPARE(run.steps, completed);
}

QTEST_MAIN(tst_UpdateSequence)
#include "tst_updatesequence.moc"
