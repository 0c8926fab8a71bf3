#include "catalogue.h"
#include "firmwareupdater.h"
#include "testsupport.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class tst_Catalogue : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void selection_data();
    void selection();
    void unfinishedUpdates_data();
    void unfinishedUpdates();
    void reportText();
    void images_data();
    void images();
    void imageFilesRegenerate();

private:
    EngineFixture fixture;
};

namespace {

quint32 Word(const unsigned char *header, int index)
{
    const unsigned char *at = header + index * 4;
    return quint32(at[0]) << 24 | quint32(at[1]) << 16 | quint32(at[2]) << 8 | at[3];
}

} // namespace

void tst_Catalogue::init()
{
    fixture.Begin();
}

void tst_Catalogue::cleanup()
{
    fixture.End();
}

void tst_Catalogue::selection_data()
{
    QTest::addColumn<bool>("scrivetPack");
    QTest::addColumn<int>("pid");
    QTest::addColumn<double>("version");
    QTest::addColumn<int>("build");
    QTest::addColumn<QString>("rule"); // the rule that applies, "": up to date
    QTest::addColumn<bool>("pidChanges");

    // Classic table (B).
    QTest::newRow("B 1400 6.00.29: covered but not newer") << false << 0x1400 << 6.00 << 29 << "" << false;
    QTest::newRow("B 1400 6.00.82") << false << 0x1400 << 6.00 << 82 << "" << false;
    QTest::newRow("B 1400 6.00.30") << false << 0x1400 << 6.00 << 30 << "" << false;
    QTest::newRow("B 1315 6.01.15: older target applies") << false << 0x1315 << 6.01 << 15 << "B6" << true;
    QTest::newRow("B 1315 6.05.2: still B6") << false << 0x1315 << 6.05 << 2 << "B6" << true;
    QTest::newRow("B 1317 9.99.0: B7 whatever runs") << false << 0x1317 << 9.99 << 0 << "B7" << true;
    QTest::newRow("B 1320: nothing") << false << 0x1320 << 6.07 << 3 << "" << false;
    QTest::newRow("B 1311 6.00.5") << false << 0x1311 << 6.00 << 5 << "B1" << true;
    // Current pack table (A).
    QTest::newRow("A 1311 6.00.18") << true << 0x1311 << 6.00 << 18 << "A1" << true;
    QTest::newRow("A 1311 6.00.19") << true << 0x1311 << 6.00 << 19 << "A4" << true;
    QTest::newRow("A 1311 6.00.26") << true << 0x1311 << 6.00 << 26 << "A4" << true;
    QTest::newRow("A 1311 6.00.27") << true << 0x1311 << 6.00 << 27 << "A2" << true;
    QTest::newRow("A 1311 6.00.28") << true << 0x1311 << 6.00 << 28 << "A5" << true;
    QTest::newRow("A 1311 6.00.29") << true << 0x1311 << 6.00 << 29 << "" << false;
    QTest::newRow("A 1311 6.00.79") << true << 0x1311 << 6.00 << 79 << "" << false;
    QTest::newRow("A 1311 6.00.80") << true << 0x1311 << 6.00 << 80 << "A3" << true;
    QTest::newRow("A 1311 6.00.81") << true << 0x1311 << 6.00 << 81 << "A3" << true;
    QTest::newRow("A 1311 6.00.82") << true << 0x1311 << 6.00 << 82 << "" << false;
    QTest::newRow("A 1311 6.01.5") << true << 0x1311 << 6.01 << 5 << "" << false;
    QTest::newRow("A 1311 5.99.5") << true << 0x1311 << 5.99 << 5 << "" << false;
    QTest::newRow("A 1400 6.00.29") << true << 0x1400 << 6.00 << 29 << "A10" << true;
    QTest::newRow("A 1400 6.00.31") << true << 0x1400 << 6.00 << 31 << "" << false;
    QTest::newRow("A 1317 6.01.82") << true << 0x1317 << 6.01 << 82 << "A7" << false;
    QTest::newRow("A 1317 6.01.83") << true << 0x1317 << 6.01 << 83 << "" << false;
    QTest::newRow("A 1317 6.01.84") << true << 0x1317 << 6.01 << 84 << "" << false;
    QTest::newRow("A 1317 6.02.0") << true << 0x1317 << 6.02 << 0 << "" << false;
    QTest::newRow("A 1317 5.50.200: ranges not consulted") << true << 0x1317 << 5.50 << 200 << "A7" << false;
    QTest::newRow("A 1320 6.08.2") << true << 0x1320 << 6.08 << 2 << "A9" << false;
    QTest::newRow("A 1320 6.08.3") << true << 0x1320 << 6.08 << 3 << "" << false;
    QTest::newRow("A 1320 6.07.9") << true << 0x1320 << 6.07 << 9 << "A9" << false;
    QTest::newRow("A 1320 6.09.0") << true << 0x1320 << 6.09 << 0 << "" << false;
    QTest::newRow("A 1315 6.01.15: same firmware") << true << 0x1315 << 6.01 << 15 << "" << false;
    QTest::newRow("A 1315 6.01.14") << true << 0x1315 << 6.01 << 14 << "A6" << false;
    QTest::newRow("A 1316 6.01.11") << true << 0x1316 << 6.01 << 11 << "A8" << false;
    QTest::newRow("A unknown 1312") << true << 0x1312 << 6.00 << 1 << "" << false;
    QTest::newRow("B unknown 1312") << false << 0x1312 << 6.00 << 1 << "" << false;
}

void tst_Catalogue::selection()
{
    QFETCH(bool, scrivetPack);
    QFETCH(int, pid);
    QFETCH(double, version);
    QFETCH(int, build);
    QFETCH(QString, rule);
    QFETCH(bool, pidChanges);

    ReceiverState state;
    state.pid = pid;
    state.versionInfo.version = version;
    state.versionInfo.build = build;
    state.newPackSelected = scrivetPack;
    FirmwareUpdater updater;
    updater.Load(state, nullptr);
    // A failed selection leaves earlier values alone.
    const FirmwareImage sentinel{};
    updater.target = &sentinel;
    updater.pidChanges = true;

    QCOMPARE(updater.FindUpgrade(), !rule.isEmpty());
    QCOMPARE(updater.target, rule.isEmpty() ? &sentinel : &RuleNamed(rule).target);
    QCOMPARE(updater.pidChanges, rule.isEmpty() ? true : pidChanges);
}

Q_DECLARE_METATYPE(RecordedRun)

namespace {

// A run from a receiver of `pid` to firmware `version`.`build` answering
// under `targetPid`; no result: it was cut off, after `step` of `path`.
RecordedRun Run(int32_t pid, int32_t targetPid, double version, int32_t build, std::optional<int> result,
                const char *path = "full", int step = -1)
{
    RecordedRun run;
    run.pid = pid;
    run.targetPid = targetPid;
    run.targetVersion = version;
    run.targetBuild = build;
    run.result = result;
    run.path = QLatin1String(path);
    run.lastCompletedStep = step;
    return run;
}

// The same, with what the receiver ran when the run began.
RecordedRun BeganOn(RecordedRun run, double version, int32_t build)
{
    run.foundVersion = version;
    run.foundBuild = build;
    return run;
}

} // namespace

void tst_Catalogue::unfinishedUpdates_data()
{
    QTest::addColumn<bool>("scrivetPack");
    QTest::addColumn<int>("pid");
    QTest::addColumn<double>("version");
    QTest::addColumn<int>("build");
    QTest::addColumn<int>("running"); // codePosition
    QTest::addColumn<QString>("copy2"); // the rule whose image's copy 2 it holds; "": its own; "unreadable"
    QTest::addColumn<QList<RecordedRun>>("history"); // oldest first
    QTest::addColumn<QString>("rule"); // the rule whose image is the target, "": up to date
    QTest::addColumn<Selection>("reason");
    QTest::addColumn<bool>("pidChanges");

    const QList<RecordedRun> none;
    const RecordedRun toImage6Cut = Run(0x1317, 0x1317, 6.01, 83, std::nullopt);
    const RecordedRun toImage6Failed = Run(0x1317, 0x1317, 6.01, 83, 13);
    const RecordedRun toImage6Done = Run(0x1317, 0x1317, 6.01, 83, 0);
    const RecordedRun image4On1315Done = Run(0x1315, 0x1315, 6.01, 15, 0);
    const RecordedRun classicToImage3Cut = Run(0x1317, 0x1311, 6.00, 82, std::nullopt);
    const RecordedRun toImage4From1311Cut = Run(0x1311, 0x1315, 6.01, 15, std::nullopt);
    // Cut off in the full path's last restart, and in its last write.
    const RecordedRun toImage6CutAfterWrites = Run(0x1317, 0x1317, 6.01, 83, std::nullopt, "full", 5);
    const RecordedRun toImage6CutInLastWrite = Run(0x1317, 0x1317, 6.01, 83, std::nullopt, "full", 4);
    const RecordedRun toImage6ShortCutAfterWrite = Run(0x1317, 0x1317, 6.01, 83, std::nullopt, "short", 1);
    const auto rule = Selection::Rule;
    const auto current = Selection::UpToDate;
    const auto copy2 = Selection::UnfinishedCopy2;
    const auto run = Selection::UnfinishedRun;
    const auto notTarget = Selection::Copy2NotTarget;
    const auto whole = Selection::FoundComplete;

    // On copy 2: the image of the table that it runs, named under its ID.
    QTest::newRow("A 1317 6.01.83 on copy 2: A3's image 6 again") << true << 0x1317 << 6.01 << 83 << 2 << "" << none << "A3" << copy2 << false;
    QTest::newRow("B 1400 6.00.82 on copy 2: B3's image 3") << false << 0x1400 << 6.00 << 82 << 2 << "" << none << "B3" << copy2 << false;
    QTest::newRow("B 1311 6.00.29 on copy 2: B6 names image 1 under 1311") << false << 0x1311 << 6.00 << 29 << 2 << "" << none << "B6" << copy2 << false;
    QTest::newRow("B 1320 6.08.3 on copy 2: image 7 is not in B") << false << 0x1320 << 6.08 << 3 << 2 << "" << none << "" << current << false;
    QTest::newRow("A 1317 6.01.84 on copy 2: no image") << true << 0x1317 << 6.01 << 84 << 2 << "" << none << "" << current << false;
    QTest::newRow("A 1315 6.01.15 on copy 2 under 1316: not named so") << true << 0x1316 << 6.01 << 15 << 2 << "" << none << "" << current << false;
    QTest::newRow("A 1317 6.01.82 on copy 2: the rule first") << true << 0x1317 << 6.01 << 82 << 2 << "" << none << "A7" << rule << false;
    // On copy 1 with nothing recorded: the receiver's copy-2 header decides.
    QTest::newRow("A 1317 6.01.83 on copy 1, image 6's copy 2: up to date") << true << 0x1317 << 6.01 << 83 << 1 << "A3" << none << "" << current << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, copy 2 another: A3 again") << true << 0x1317 << 6.01 << 83 << 1 << "" << none << "A3" << notTarget << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, copy 2 unread: A3 again") << true << 0x1317 << 6.01 << 83 << 1 << "unreadable" << none << "A3" << notTarget << false;
    QTest::newRow("A 1317 6.01.84 on copy 1: no image, not asked") << true << 0x1317 << 6.01 << 84 << 1 << "" << none << "" << current << false;
    // On copy 1, after an update of this computer that did not end with 0.
    QTest::newRow("A 1317 6.01.83 on copy 1, cut off: A3 again") << true << 0x1317 << 6.01 << 83 << 1 << "A3" << QList<RecordedRun>{toImage6Cut} << "A3" << run << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, failed: A3 again") << true << 0x1317 << 6.01 << 83 << 1 << "A3" << QList<RecordedRun>{toImage6Failed} << "A3" << run << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, cut off after every write: whole") << true << 0x1317 << 6.01 << 83 << 1 << "A3"
        << QList<RecordedRun>{toImage6CutAfterWrites} << "" << whole << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, short path cut off after its write: whole") << true << 0x1317 << 6.01 << 83 << 1 << "A3"
        << QList<RecordedRun>{toImage6ShortCutAfterWrite} << "" << whole << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, cut off after every write, copy 2 another: A3 again") << true << 0x1317 << 6.01 << 83 << 1 << ""
        << QList<RecordedRun>{toImage6CutAfterWrites} << "A3" << run << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, cut off in its last write: A3 again") << true << 0x1317 << 6.01 << 83 << 1 << "A3"
        << QList<RecordedRun>{toImage6CutInLastWrite} << "A3" << run << false;
    QTest::newRow("A 1317 6.01.83 on copy 2, cut off after every write: A3 again") << true << 0x1317 << 6.01 << 83 << 2 << ""
        << QList<RecordedRun>{toImage6CutAfterWrites} << "A3" << run << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, ended with 0") << true << 0x1317 << 6.01 << 83 << 1 << "A3" << QList<RecordedRun>{toImage6Done} << "" << current << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, cut off, then 0 for another ID") << true << 0x1317 << 6.01 << 83 << 1 << "A3"
        << QList<RecordedRun>{toImage6Cut, image4On1315Done} << "A3" << run << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, cut off, then 0 for it") << true << 0x1317 << 6.01 << 83 << 1 << "A3"
        << QList<RecordedRun>{toImage6Cut, toImage6Done} << "" << current << false;
    QTest::newRow("A 1317 6.01.81 on copy 1, cut off before: the rule") << true << 0x1317 << 6.01 << 81 << 1 << "" << QList<RecordedRun>{toImage6Cut} << "A7" << rule << false;
    QTest::newRow("B 1400 6.00.82 on copy 1, cut off from 1317: B3, restarts wait for the ID") << false << 0x1400 << 6.00 << 82 << 1 << ""
        << QList<RecordedRun>{classicToImage3Cut} << "B3" << run << true;
    QTest::newRow("A 1311 reporting 6.01.15, cut off: A1 under another ID") << true << 0x1311 << 6.01 << 15 << 2 << ""
        << QList<RecordedRun>{toImage4From1311Cut} << "A1" << run << true;
    QTest::newRow("A 1315 6.01.15 on copy 1, cut off on 1317's way") << true << 0x1315 << 6.01 << 15 << 1 << "A1"
        << QList<RecordedRun>{toImage6Cut} << "" << current << false;
    // A whole receiver after another's run that never put image 6 on a copy
    // and restarted onto it: the record cannot be about it.
    const RecordedRun failedInFirstWrite = BeganOn(Run(0x1317, 0x1317, 6.01, 83, 119, "full", -1), 6.01, 81);
    QTest::newRow("A 1317 6.01.83 on copy 1, whole, after a run from 6.01.81 failed in its first write: up to date")
        << true << 0x1317 << 6.01 << 83 << 1 << "A3" << QList<RecordedRun>{failedInFirstWrite} << "" << current << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, copy 2 another, after a run that never reached it: copy 2 decides")
        << true << 0x1317 << 6.01 << 83 << 1 << "" << QList<RecordedRun>{failedInFirstWrite} << "A3" << notTarget << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, after a run from 6.01.81 cut once it ran image 6: A3 again")
        << true << 0x1317 << 6.01 << 83 << 1 << "A3"
        << QList<RecordedRun>{BeganOn(Run(0x1317, 0x1317, 6.01, 83, std::nullopt, "full", 2), 6.01, 81)} << "A3" << run << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, after a run that began on 6.01.83 and was cut in its first write: A3 again")
        << true << 0x1317 << 6.01 << 83 << 1 << "A3"
        << QList<RecordedRun>{BeganOn(Run(0x1317, 0x1317, 6.01, 83, std::nullopt, "full", -1), 6.01, 83)} << "A3" << run << false;
}

void tst_Catalogue::unfinishedUpdates()
{
    QFETCH(bool, scrivetPack);
    QFETCH(int, pid);
    QFETCH(double, version);
    QFETCH(int, build);
    QFETCH(int, running);
    QFETCH(QString, copy2);
    QFETCH(QList<RecordedRun>, history);
    QFETCH(QString, rule);
    QFETCH(Selection, reason);
    QFETCH(bool, pidChanges);

    MemoryRecord record;
    for (const RecordedRun &run : history)
        record.Add(run);
    // Its own firmware in copy 1 (and copy 2), or another image's copy 2.
    const bool ownCopy2 = copy2.isEmpty() || copy2 == QLatin1String("unreadable");
    BeforeUpdate before = (ownCopy2 ? BeforeUpdate::OwnFirmware() : BeforeUpdate::TargetCopy2Running()).WithFirmware(version, build);
    if (running == 1)
        before = before.StartedFromCopy1();
    auto receiver = before.Attach(quint32(pid), RuleNamed(ownCopy2 ? QStringLiteral("A1") : copy2).target);
    if (copy2 == QLatin1String("unreadable"))
        receiver->faults[sim::Op::GetHeader2Checksum].always = true;
    QVERIFY(OpenIntoReceiverState(quint32(pid)));
    g_receiverState.newPackSelected = scrivetPack;
    FirmwareUpdater updater;
    updater.Load(g_receiverState, nullptr, &record);

    DebugCapture capture;
    receiver->log.clear();
    QCOMPARE(updater.FindUpgrade(), !rule.isEmpty());
    QCOMPARE(updater.selection, reason);
    // Its copy-2 header is asked for, once and nothing else, only where it
    // runs copy 1 of firmware the table names.
    QCOMPARE(CallsOf(*receiver, sim::Op::GetHeader2Checksum).size(), capture.lines.filter(QStringLiteral("GetHeader2Checksum=")).size());
    QVERIFY(CallsOf(*receiver, sim::Op::GetHeader2Checksum).size() <= 1);
    for (const sim::Call &call : std::as_const(receiver->log))
        QVERIFY(call.op == sim::Op::GetFlashInfo || call.op == sim::Op::GetHeader2Checksum);
    if (reason == Selection::FoundComplete)
        QCOMPARE(updater.completedRun.lastCompletedStep, history.last().lastCompletedStep);
    if (rule.isEmpty())
        return;
    QCOMPARE(updater.target, &RuleNamed(rule).target);
    QCOMPARE(updater.targetPid, RuleNamed(rule).targetPid);
    QCOMPARE(updater.pidChanges, pidChanges);
    // The usual line, whatever the reason.
    QCOMPARE(capture.lines.filter(QStringLiteral("upgrade firmware to: ")).size(), 1);
}

void tst_Catalogue::reportText()
{
    QCOMPARE(DescribeUpgradeTables(), QStringLiteral(
        "Scrivet Pack Classic:\n"
        "pid=1311,v=6.00.0-6.00.18->pid=1400,v=6.00.29\n"
        "pid=1311,v=6.00.27-6.00.27->pid=1400,v=6.00.29\n"
        "pid=1311,v=6.00.80-6.00.81->pid=1400,v=6.00.82\n"
        "pid=1311,v=6.00.19-6.00.26->pid=1400,v=6.00.30\n"
        "pid=1311,v=6.00.28-6.00.28->pid=1400,v=6.00.30\n"
        "pid=1315,v=6.01.15-6.01.15->pid=1311,v=6.00.29\n"
        "pid=1317,v=6.01.81-6.01.83->pid=1311,v=6.00.82\n"
        "pid=1316,v=6.01.12-6.01.12->pid=1311,v=6.00.30\n"
        "pid=1400,v=6.00.29-6.00.29\n"
        "pid=1400,v=6.00.82-6.00.82\n"
        "pid=1400,v=6.00.30-6.00.30\n"
        "\n"
        "Scrivet Pack:\n"
        "pid=1311,v=6.00.0-6.00.18->pid=1315,v=6.01.15\n"
        "pid=1311,v=6.00.27-6.00.27->pid=1315,v=6.01.15\n"
        "pid=1311,v=6.00.80-6.00.81->pid=1317,v=6.01.83\n"
        "pid=1311,v=6.00.19-6.00.26->pid=1316,v=6.01.12\n"
        "pid=1311,v=6.00.28-6.00.28->pid=1316,v=6.01.12\n"
        "pid=1315,v=6.01.15-6.01.15\n"
        "pid=1317,v=6.01.81-6.01.83->pid=1317,v=6.01.83\n"
        "pid=1316,v=6.01.12-6.01.12\n"
        "pid=1320,v=6.07.3-6.08.3->pid=1320,v=6.08.3\n"
        "pid=1400,v=6.00.29-6.00.29->pid=1315,v=6.01.15\n"
        "pid=1400,v=6.00.82-6.00.82->pid=1317,v=6.01.83\n"
        "pid=1400,v=6.00.30-6.00.30->pid=1316,v=6.01.12\n"));
}

void tst_Catalogue::images_data()
{
    QTest::addColumn<QString>("rule"); // a rule naming the image
    QTest::addColumn<double>("version");
    QTest::addColumn<int>("build");
    QTest::addColumn<uint>("code1Size");
    QTest::addColumn<uint>("code2Size");
    QTest::addColumn<uint>("copy2SumA");
    QTest::addColumn<uint>("copy2SumB");
    QTest::newRow("image-1") << "B1" << 6.00 << 29 << 37014u << 19432u << 0x0003CB84u << 0x0019BE0Bu;
    QTest::newRow("image-2") << "B4" << 6.00 << 30 << 37696u << 20124u << 0x0003CCCCu << 0x0019BCC3u;
    QTest::newRow("image-3") << "B3" << 6.00 << 82 << 36948u << 19368u << 0x0003CB03u << 0x0019BE8Cu;
    QTest::newRow("image-4") << "A1" << 6.01 << 15 << 36104u << 17730u << 0x0003BE3Bu << 0x0019CB54u;
    QTest::newRow("image-5") << "A4" << 6.01 << 12 << 36776u << 18414u << 0x0003C372u << 0x0019C61Du;
    QTest::newRow("image-6") << "A3" << 6.01 << 83 << 36040u << 17666u << 0x0003BDBAu << 0x0019CBD5u;
    QTest::newRow("image-7") << "A9" << 6.08 << 3 << 36990u << 19604u << 0x0003CC2Cu << 0x0019BD63u;
}

void tst_Catalogue::images()
{
    QFETCH(QString, rule);
    QFETCH(double, version);
    QFETCH(int, build);
    QFETCH(uint, code1Size);
    QFETCH(uint, code2Size);
    QFETCH(uint, copy2SumA);
    QFETCH(uint, copy2SumB);
    const FirmwareImage &image = RuleNamed(rule).target;
    const FirmwareBlocks &b = image.blocks;

    QCOMPARE(image.version, version);
    QCOMPARE(image.build, build);
    QCOMPARE(b.code1Size, code1Size);
    QCOMPARE(b.code2Size, code2Size);
    QCOMPARE(b.bootSize, 906u);
    QCOMPARE(b.bootCode, RuleNamed(QStringLiteral("A1")).target.blocks.bootCode);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(b.lastPageTag), 2), QByteArray(2, '\0'));
    QCOMPARE(b.header1Id, 0x00C10000u);
    QCOMPARE(b.header2Id, 0x00C90000u);
    QCOMPARE(b.copy2SumA, copy2SumA);
    QCOMPARE(b.copy2SumB, copy2SumB);

    for (int copy = 1; copy <= 2; ++copy) {
        const unsigned char *header = copy == 1 ? b.header1 : b.header2;
        const uint32_t size = copy == 1 ? b.code1Size : b.code2Size;
        QCOMPARE(Word(header, 0), copy == 1 ? 0x00C10000u : 0x00C90000u);
        QCOMPARE(Word(header, 1) >> 16, 0u);
        QCOMPARE(Word(header, 2), size);
        for (int zero : {3, 4, 8, 9, 10, 11, 12, 13})
            QCOMPARE(Word(header, zero), 0u);
        QCOMPARE(Word(header, 6), copy == 1 ? 1u : 0u);
    }
    // The copy-2 header carries the sums the receiver reports for it; the
    // stored sums of both headers are held to the rule where the writer
    // patches them (tst_flashwriting).
    QCOMPARE(Word(b.header2, 14), copy2SumA);
    QCOMPARE(Word(b.header2, 15), copy2SumB);
    // Same opaque words in both headers of an image.
    for (int opaque : {1, 5, 7})
        QCOMPARE(Word(b.header1, opaque), Word(b.header2, opaque));
}

void tst_Catalogue::imageFilesRegenerate()
{
    QTemporaryDir folder;
    QCOMPARE(QProcess::execute(QStringLiteral(ORVEX_IMAGEGEN_PATH), {folder.path()}), 0);
    const QDir committed(QStringLiteral(ORVEX_SOURCE_DIR "/catalogue/images"));
    const QStringList names = committed.entryList({QStringLiteral("*.bin")}, QDir::Files);
    QCOMPARE(names.size(), 29);
    QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("*.bin")}, QDir::Files), names);
    for (const QString &name : names) {
        QFile a(committed.filePath(name));
        QFile b(folder.filePath(name));
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QVERIFY2(a.readAll() == b.readAll(), qPrintable(name));
    }
}

QTEST_MAIN(tst_Catalogue)
#include "tst_catalogue.moc"
