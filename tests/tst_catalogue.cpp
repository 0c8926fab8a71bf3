#include "catalogue.h"
#include "firmwareupdater.h"
#include "protocol.h"
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
    QTest::addColumn<int>("rule"); // number of the rule in its table, 0: up to date
    QTest::addColumn<bool>("pidChanges");

    // Classic table (B).
    QTest::newRow("B 1400 6.00.29: covered but not newer") << false << 0x1400 << 6.00 << 29 << 0 << false;
    QTest::newRow("B 1400 6.00.82") << false << 0x1400 << 6.00 << 82 << 0 << false;
    QTest::newRow("B 1400 6.00.30") << false << 0x1400 << 6.00 << 30 << 0 << false;
    QTest::newRow("B 1315 6.01.15: older target applies") << false << 0x1315 << 6.01 << 15 << 6 << true;
    QTest::newRow("B 1315 6.05.2: still B6") << false << 0x1315 << 6.05 << 2 << 6 << true;
    QTest::newRow("B 1317 9.99.0: B7 whatever runs") << false << 0x1317 << 9.99 << 0 << 7 << true;
    QTest::newRow("B 1320: nothing") << false << 0x1320 << 6.07 << 3 << 0 << false;
    QTest::newRow("B 1311 6.00.5") << false << 0x1311 << 6.00 << 5 << 1 << true;
    // Current pack table (A).
    QTest::newRow("A 1311 6.00.18") << true << 0x1311 << 6.00 << 18 << 1 << true;
    QTest::newRow("A 1311 6.00.19") << true << 0x1311 << 6.00 << 19 << 4 << true;
    QTest::newRow("A 1311 6.00.26") << true << 0x1311 << 6.00 << 26 << 4 << true;
    QTest::newRow("A 1311 6.00.27") << true << 0x1311 << 6.00 << 27 << 2 << true;
    QTest::newRow("A 1311 6.00.28") << true << 0x1311 << 6.00 << 28 << 5 << true;
    QTest::newRow("A 1311 6.00.29") << true << 0x1311 << 6.00 << 29 << 0 << false;
    QTest::newRow("A 1311 6.00.79") << true << 0x1311 << 6.00 << 79 << 0 << false;
    QTest::newRow("A 1311 6.00.80") << true << 0x1311 << 6.00 << 80 << 3 << true;
    QTest::newRow("A 1311 6.00.81") << true << 0x1311 << 6.00 << 81 << 3 << true;
    QTest::newRow("A 1311 6.00.82") << true << 0x1311 << 6.00 << 82 << 0 << false;
    QTest::newRow("A 1311 6.01.5") << true << 0x1311 << 6.01 << 5 << 0 << false;
    QTest::newRow("A 1311 5.99.5") << true << 0x1311 << 5.99 << 5 << 0 << false;
    QTest::newRow("A 1400 6.00.29") << true << 0x1400 << 6.00 << 29 << 10 << true;
    QTest::newRow("A 1400 6.00.31") << true << 0x1400 << 6.00 << 31 << 0 << false;
    QTest::newRow("A 1317 6.01.82") << true << 0x1317 << 6.01 << 82 << 7 << false;
    QTest::newRow("A 1317 6.01.83") << true << 0x1317 << 6.01 << 83 << 0 << false;
    QTest::newRow("A 1317 6.01.84") << true << 0x1317 << 6.01 << 84 << 0 << false;
    QTest::newRow("A 1317 6.02.0") << true << 0x1317 << 6.02 << 0 << 0 << false;
    QTest::newRow("A 1317 5.50.200: ranges not consulted") << true << 0x1317 << 5.50 << 200 << 7 << false;
    QTest::newRow("A 1320 6.08.2") << true << 0x1320 << 6.08 << 2 << 9 << false;
    QTest::newRow("A 1320 6.08.3") << true << 0x1320 << 6.08 << 3 << 0 << false;
    QTest::newRow("A 1320 6.07.9") << true << 0x1320 << 6.07 << 9 << 9 << false;
    QTest::newRow("A 1320 6.09.0") << true << 0x1320 << 6.09 << 0 << 0 << false;
    QTest::newRow("A 1315 6.01.15: same firmware") << true << 0x1315 << 6.01 << 15 << 0 << false;
    QTest::newRow("A 1315 6.01.14") << true << 0x1315 << 6.01 << 14 << 6 << false;
    QTest::newRow("A 1316 6.01.11") << true << 0x1316 << 6.01 << 11 << 8 << false;
    QTest::newRow("A unknown 1312") << true << 0x1312 << 6.00 << 1 << 0 << false;
    QTest::newRow("B unknown 1312") << false << 0x1312 << 6.00 << 1 << 0 << false;
}

void tst_Catalogue::selection()
{
    QFETCH(bool, scrivetPack);
    QFETCH(int, pid);
    QFETCH(double, version);
    QFETCH(int, build);
    QFETCH(int, rule);
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

    QCOMPARE(updater.FindUpgrade(), rule != 0);
    const UpgradeTable &table = scrivetPack ? ScrivetPackTable() : ScrivetPackClassicTable();
    QCOMPARE(updater.target, rule ? &table.rules[rule - 1].target : &sentinel);
    QCOMPARE(updater.pidChanges, rule ? pidChanges : true);
}

// A recorded run: from a receiver of `pid` to firmware `version`.`build`
// answering under `targetPid`; no result: it was cut off.
Q_DECLARE_METATYPE(RecordedRun)

void tst_Catalogue::unfinishedUpdates_data()
{
    QTest::addColumn<bool>("scrivetPack");
    QTest::addColumn<int>("pid");
    QTest::addColumn<double>("version");
    QTest::addColumn<int>("build");
    QTest::addColumn<int>("running"); // codePosition
    QTest::addColumn<QList<RecordedRun>>("history"); // oldest first
    QTest::addColumn<int>("rule"); // number of the rule in its table, 0: up to date
    QTest::addColumn<TargetReason>("reason");
    QTest::addColumn<bool>("pidChanges");

    const QList<RecordedRun> none;
    const RecordedRun toImage6Cut{0x1317, 0x1317, 6.01, 83, std::nullopt};
    const RecordedRun toImage6Failed{0x1317, 0x1317, 6.01, 83, 13};
    const RecordedRun toImage6Done{0x1317, 0x1317, 6.01, 83, 0};
    const RecordedRun image4On1315Done{0x1315, 0x1315, 6.01, 15, 0};
    const RecordedRun classicToImage3Cut{0x1317, 0x1311, 6.00, 82, std::nullopt};
    const RecordedRun toImage4From1311Cut{0x1311, 0x1315, 6.01, 15, std::nullopt};
    const auto rule = TargetReason::Rule;
    const auto copy2 = TargetReason::UnfinishedCopy2;
    const auto run = TargetReason::UnfinishedRun;

    // On copy 2: the image of the table that it runs, named under its ID.
    QTest::newRow("A 1317 6.01.83 on copy 2: A3's image 6 again") << true << 0x1317 << 6.01 << 83 << 2 << none << 3 << copy2 << false;
    QTest::newRow("A 1317 6.01.83 on copy 1: up to date") << true << 0x1317 << 6.01 << 83 << 1 << none << 0 << rule << false;
    QTest::newRow("B 1400 6.00.82 on copy 2: B3's image 3") << false << 0x1400 << 6.00 << 82 << 2 << none << 3 << copy2 << false;
    QTest::newRow("B 1311 6.00.29 on copy 2: B6 names image 1 under 1311") << false << 0x1311 << 6.00 << 29 << 2 << none << 6 << copy2 << false;
    QTest::newRow("B 1320 6.08.3 on copy 2: image 7 is not in B") << false << 0x1320 << 6.08 << 3 << 2 << none << 0 << rule << false;
    QTest::newRow("A 1317 6.01.84 on copy 2: no image") << true << 0x1317 << 6.01 << 84 << 2 << none << 0 << rule << false;
    QTest::newRow("A 1315 6.01.15 on copy 2 under 1316: not named so") << true << 0x1316 << 6.01 << 15 << 2 << none << 0 << rule << false;
    QTest::newRow("A 1317 6.01.82 on copy 2: the rule first") << true << 0x1317 << 6.01 << 82 << 2 << none << 7 << rule << false;
    // On copy 1, after an update of this computer that did not end with 0.
    QTest::newRow("A 1317 6.01.83 on copy 1, cut off: A3 again") << true << 0x1317 << 6.01 << 83 << 1 << QList<RecordedRun>{toImage6Cut} << 3 << run << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, failed: A3 again") << true << 0x1317 << 6.01 << 83 << 1 << QList<RecordedRun>{toImage6Failed} << 3 << run << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, ended with 0") << true << 0x1317 << 6.01 << 83 << 1 << QList<RecordedRun>{toImage6Done} << 0 << rule << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, cut off, then 0 for another ID") << true << 0x1317 << 6.01 << 83 << 1
        << QList<RecordedRun>{toImage6Cut, image4On1315Done} << 3 << run << false;
    QTest::newRow("A 1317 6.01.83 on copy 1, cut off, then 0 for it") << true << 0x1317 << 6.01 << 83 << 1
        << QList<RecordedRun>{toImage6Cut, toImage6Done} << 0 << rule << false;
    QTest::newRow("A 1317 6.01.81 on copy 1, cut off before: the rule") << true << 0x1317 << 6.01 << 81 << 1 << QList<RecordedRun>{toImage6Cut} << 7 << rule << false;
    QTest::newRow("B 1400 6.00.82 on copy 1, cut off from 1317: B3, restarts wait for the ID") << false << 0x1400 << 6.00 << 82 << 1
        << QList<RecordedRun>{classicToImage3Cut} << 3 << run << true;
    QTest::newRow("A 1311 reporting 6.01.15, cut off: A1 under another ID") << true << 0x1311 << 6.01 << 15 << 2
        << QList<RecordedRun>{toImage4From1311Cut} << 1 << run << true;
    QTest::newRow("A 1315 6.01.15 on copy 1, cut off on 1317's way") << true << 0x1315 << 6.01 << 15 << 1
        << QList<RecordedRun>{toImage6Cut} << 0 << rule << false;
}

void tst_Catalogue::unfinishedUpdates()
{
    QFETCH(bool, scrivetPack);
    QFETCH(int, pid);
    QFETCH(double, version);
    QFETCH(int, build);
    QFETCH(int, running);
    QFETCH(QList<RecordedRun>, history);
    QFETCH(int, rule);
    QFETCH(TargetReason, reason);
    QFETCH(bool, pidChanges);

    MemoryRecord record;
    for (const RecordedRun &run : history)
        record.Add(run);
    ReceiverState state;
    state.pid = pid;
    state.versionInfo.version = version;
    state.versionInfo.build = build;
    state.versionInfo.codePosition = running;
    state.newPackSelected = scrivetPack;
    FirmwareUpdater updater;
    updater.Load(state, nullptr, &record);

    DebugCapture capture;
    QCOMPARE(updater.FindUpgrade(), rule != 0);
    if (!rule)
        return;
    const UpgradeTable &table = scrivetPack ? ScrivetPackTable() : ScrivetPackClassicTable();
    QCOMPARE(updater.target, &table.rules[rule - 1].target);
    QCOMPARE(updater.targetPid, table.rules[rule - 1].targetPid);
    QCOMPARE(updater.targetReason, reason);
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
    QTest::addColumn<int>("rule"); // a rule of table A (>0) or B (<0) naming the image
    QTest::newRow("image-1") << -1;
    QTest::newRow("image-2") << -4;
    QTest::newRow("image-3") << -3;
    QTest::newRow("image-4") << 1;
    QTest::newRow("image-5") << 4;
    QTest::newRow("image-6") << 3;
    QTest::newRow("image-7") << 9;
}

void tst_Catalogue::images()
{
    QFETCH(int, rule);
    const UpgradeTable &table = rule > 0 ? ScrivetPackTable() : ScrivetPackClassicTable();
    const FirmwareImage &image = table.rules[qAbs(rule) - 1].target;
    const FirmwareBlocks &b = image.blocks;

    QCOMPARE(b.bootSize, 906u);
    QCOMPARE(b.bootCode, ScrivetPackTable().rules[0].target.blocks.bootCode);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(b.lastPageTag), 2), QByteArray(2, '\0'));
    QCOMPARE(b.header1Id, 0x00C10000u);
    QCOMPARE(b.header2Id, 0x00C90000u);

    for (int copy = 1; copy <= 2; ++copy) {
        const unsigned char *header = copy == 1 ? b.header1 : b.header2;
        const uint32_t size = copy == 1 ? b.code1Size : b.code2Size;
        QCOMPARE(Word(header, 0), copy == 1 ? b.header1Id : b.header2Id);
        QCOMPARE(Word(header, 1) >> 16, 0u);
        QCOMPARE(Word(header, 2), size);
        for (int zero : {3, 4, 8, 9, 10, 11, 12, 13})
            QCOMPARE(Word(header, zero), 0u);
        QCOMPARE(Word(header, 6), copy == 1 ? 1u : 0u);
        // Every stored header carries the sums of the new layout.
        QCOMPARE(Word(header, 14), NewHeaderSums(header).a);
        QCOMPARE(Word(header, 15), NewHeaderSums(header).b);
    }
    QCOMPARE(Word(b.header2, 14), b.copy2SumA);
    QCOMPARE(Word(b.header2, 15), b.copy2SumB);
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
