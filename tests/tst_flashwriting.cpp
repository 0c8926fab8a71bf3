#include "catalogue.h"
#include "firmwareupdater.h"
#include "testsupport.h"

#include <QtTest>

class tst_FlashWriting : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void copyInRunsOfFiveBlocks_data();
    void copyInRunsOfFiveBlocks();
    void headerLayouts_data();
    void headerLayouts();
    void storedHeadersSurvivePatching_data();
    void storedHeadersSurvivePatching();
    void bootCode_data();
    void bootCode();
    void last256Bytes_data();
    void last256Bytes();
    void errorCodes_data();
    void errorCodes();
    void progressNeverMovesBack_data();
    void progressNeverMovesBack();

private:
    FirmwareUpdater Open(double version, qint32 build, int running, const FirmwareImage &image);

    EngineFixture fixture;
    std::shared_ptr<sim::Receiver> receiver;
};

namespace {

constexpr quint32 kPid = 0x1317;

// Image 4: copies of 36104 and 17730 bytes.
const FirmwareImage &Image4()
{
    return RuleNamed(QStringLiteral("A1")).target;
}

} // namespace

void tst_FlashWriting::init()
{
    fixture.Begin();
}

void tst_FlashWriting::cleanup()
{
    receiver.reset();
    fixture.End();
}

FirmwareUpdater tst_FlashWriting::Open(double version, qint32 build, int running, const FirmwareImage &image)
{
    receiver = AttachReceiver(kPid, version, build, running);
    OpenIntoReceiverState(kPid);
    receiver->log.clear();
    FirmwareUpdater updater;
    updater.Load(g_receiverState, nullptr);
    updater.target = &image;
    updater.images = &image.blocks;
    return updater;
}

void tst_FlashWriting::copyInRunsOfFiveBlocks_data()
{
    QTest::addColumn<int>("copy");
    QTest::addColumn<double>("version");
    QTest::addColumn<int>("build");
    QTest::addColumn<int>("calls");
    QTest::addColumn<uint>("stride"); // from one call's offset to the next
    QTest::addColumn<uint>("lastOffset");
    QTest::addColumn<uint>("lastCount");
    QTest::addColumn<int>("flashInfoCalls");
    QTest::newRow("36104 bytes: 113 calls") << 1 << 6.01 << 81 << 113 << 320u << 35840u << 5u << 1;
    QTest::newRow("17730 bytes: 56 calls, 3 blocks last") << 2 << 6.01 << 81 << 56 << 320u << 17600u << 3u << 1;
    QTest::newRow("old protocol: one block a call, block offsets")
        << 2 << 3.0 << 27 << 278 << 1u << 277u << 1u << 0;
    QTest::newRow("3.0 build 28 is not the old protocol") << 2 << 3.0 << 28 << 56 << 320u << 17600u << 3u << 1;
}

void tst_FlashWriting::copyInRunsOfFiveBlocks()
{
    QFETCH(int, copy);
    QFETCH(double, version);
    QFETCH(int, build);
    QFETCH(int, calls);
    QFETCH(uint, stride);
    QFETCH(uint, lastOffset);
    QFETCH(uint, lastCount);
    QFETCH(int, flashInfoCalls);
    FirmwareUpdater updater = Open(version, build, 1, Image4());
    QVERIFY(updater.WriteCopyCode(copy));

    const QList<sim::Call> writes = CallsOf(*receiver, sim::Op::WriteFlashCode);
    QCOMPARE(writes.size(), calls);
    for (int i = 0; i < writes.size() - 1; ++i)
        QCOMPARE(writes[i].a, uint(i) * stride);
    QCOMPARE(writes.last().a, lastOffset);
    QCOMPARE(writes.last().b, lastCount);
    QCOMPARE(CallsOf(*receiver, sim::Op::GetFlashInfo).size(), flashInfoCalls);
    QCOMPARE(updater.stepFraction, 1.0);

    // The slot holds the code, and zeros to the end of the last block.
    const FirmwareBlocks &b = Image4().blocks;
    const int size = int(copy == 1 ? b.code1Size : b.code2Size);
    const QByteArray written = receiver->codeSlots[1].code;
    QCOMPARE(written.left(size), Bytes(copy == 1 ? b.code1 : b.code2, size));
    QCOMPARE(written.mid(size), QByteArray((64 - size % 64) % 64, '\0'));
}

void tst_FlashWriting::headerLayouts_data()
{
    QTest::addColumn<double>("version");
    QTest::addColumn<int>("build");
    QTest::addColumn<bool>("zeroHeader");
    QTest::addColumn<QByteArray>("first4");
    QTest::addColumn<QByteArray>("last8");
    QTest::newRow("zero header, new layout at 0x00C10000")
        << 6.01 << 81 << true << QByteArray::fromHex("00C10000") << QByteArray::fromHex("0000BF6E001CCA21");
    QTest::newRow("zero header, old layout at 0x8500")
        << 3.0 << 27 << true << QByteArray::fromHex("85000000") << QByteArray::fromHex("00000000BF32063D");
    // Version 4.4: 16-bit address and sums; bytes 56-59 keep the stored sum A.
    QTest::newRow("stored header at version 4.4")
        << 4.4 << 10 << false << QByteArray::fromHex("00000000") << QByteArray();
}

void tst_FlashWriting::headerLayouts()
{
    QFETCH(double, version);
    QFETCH(int, build);
    QFETCH(bool, zeroHeader);
    QFETCH(QByteArray, first4);
    QFETCH(QByteArray, last8);
    static const unsigned char zeros[64] = {};
    FirmwareImage image = Image4();
    if (zeroHeader) {
        image.blocks.header1 = zeros;
        image.blocks.code1Size = 0;
    }
    FirmwareUpdater updater = Open(version, build, 2, image);
    QVERIFY(updater.WriteCopyCode(1));
    const QList<sim::Call> headers = CallsOf(*receiver, sim::Op::WriteFlashHeader);
    QCOMPARE(headers.size(), 1);
    const QByteArray sent = headers.first().data;
    QCOMPARE(sent.left(4), first4);
    if (!last8.isEmpty())
        QCOMPARE(sent.mid(56), last8);
    else
        QCOMPARE(sent.mid(56, 4), Bytes(image.blocks.header1 + 56, 4));
    // A receiver that goes by the header alone would start it.
    receiver->model.checksWholeCode = false;
    QVERIFY(receiver->SlotBootable(1));
    QCOMPARE(CallsOf(*receiver, sim::Op::WriteFlashCode).isEmpty(), zeroHeader);
}

void tst_FlashWriting::storedHeadersSurvivePatching_data()
{
    QTest::addColumn<QString>("rule"); // naming the image
    for (const char *rule : {"B1", "B4", "B3", "A1", "A4", "A3", "A9"})
        QTest::addRow("%s's image", rule) << QString::fromLatin1(rule);
}

void tst_FlashWriting::storedHeadersSurvivePatching()
{
    QFETCH(QString, rule);
    const FirmwareImage &image = RuleNamed(rule).target;
    for (int copy = 1; copy <= 2; ++copy) {
        // Running the other copy, the receiver offers this copy's own address.
        FirmwareUpdater updater = Open(6.01, 81, copy == 1 ? 2 : 1, image);
        QVERIFY(updater.WriteCopyCode(copy));
        const QByteArray sent = CallsOf(*receiver, sim::Op::WriteFlashHeader).first().data;
        QCOMPARE(sent, Bytes(copy == 1 ? image.blocks.header1 : image.blocks.header2, 64));
        QVERIFY(ReleaseReceiverState());
        sim::Bus::Instance().Reset();
    }
}

void tst_FlashWriting::bootCode_data()
{
    QTest::addColumn<double>("version");
    QTest::addColumn<bool>("markers");
    QTest::newRow("4.5: markers first") << 4.5 << true;
    QTest::newRow("4.4: no markers") << 4.4 << false;
}

void tst_FlashWriting::bootCode()
{
    QFETCH(double, version);
    QFETCH(bool, markers);
    FirmwareUpdater updater = Open(version, 1, 2, Image4());
    QVERIFY(updater.WriteBootCode());

    QList<uint> addresses;
    for (const sim::Call &call : CallsOf(*receiver, sim::Op::WriteFlashSector))
        addresses << call.a;
    QList<uint> expected;
    if (markers)
        expected << 0xF0000 << 0xFFF00;
    for (uint i = 0; i < 15; ++i)
        expected << i * 64;
    QCOMPARE(addresses, expected);
    QCOMPARE(receiver->markers[0].left(4), markers ? QByteArray::fromHex("6AC00000") : QByteArray(4, '\xFF'));
    // The last sector: 10 code bytes, 54 zeros.
    QCOMPARE(receiver->boot.mid(896, 10), Bytes(Image4().blocks.bootCode + 896, 10));
    QCOMPARE(receiver->boot.mid(906, 54), QByteArray(54, '\0'));
    QCOMPARE(CallsOf(*receiver, sim::Op::SetWriteMode).size(), 1 + expected.size());
}

void tst_FlashWriting::last256Bytes_data()
{
    QTest::addColumn<double>("version");
    QTest::addColumn<int>("sectors");
    QTest::newRow("4.5: nothing sent") << 4.5 << 0;
    QTest::newRow("4.4: four sectors at 0x7F00") << 4.4 << 4;
}

void tst_FlashWriting::last256Bytes()
{
    QFETCH(double, version);
    QFETCH(int, sectors);
    FirmwareUpdater updater = Open(version, 1, 2, Image4());
    updater.stepFraction = 0.25;
    QVERIFY(updater.WriteLast256Bytes());
    QCOMPARE(updater.stepFraction, sectors ? 1.0 : 0.25);
    const QList<sim::Call> writes = CallsOf(*receiver, sim::Op::WriteFlashSector);
    QCOMPARE(writes.size(), sectors);
    if (sectors) {
        QCOMPARE(writes.first().a, 0x7F00u);
        QCOMPARE(writes.last().a, 0x7FC0u);
        QCOMPARE(receiver->boot.mid(0x7F00, 256), QByteArray(256, '\0'));
    }
    QCOMPARE(receiver->log.size(), sectors ? 1 + 2 * sectors : 0);
}

void tst_FlashWriting::errorCodes_data()
{
    QTest::addColumn<QString>("write"); // copy, boot or last
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("code");
    QTest::newRow("copy: flash info") << "copy" << "GetFlashInfo" << 1 << 16;
    QTest::newRow("copy: write mode 1") << "copy" << "SetWriteMode" << 1 << 4;
    QTest::newRow("copy: header") << "copy" << "WriteFlashHeader" << 1 << 6;
    QTest::newRow("copy: code") << "copy" << "WriteFlashCode" << 7 << 5;
    QTest::newRow("boot: write mode 1") << "boot" << "SetWriteMode" << 1 << 1;
    QTest::newRow("boot: write mode 2 before a marker") << "boot" << "SetWriteMode" << 2 << 2;
    QTest::newRow("boot: marker sector") << "boot" << "WriteFlashSector" << 2 << 3;
    QTest::newRow("boot: write mode 2 before a boot sector") << "boot" << "SetWriteMode" << 9 << 2;
    QTest::newRow("boot: boot sector") << "boot" << "WriteFlashSector" << 17 << 3;
    QTest::newRow("last: write mode 1") << "last" << "SetWriteMode" << 1 << 7;
    QTest::newRow("last: write mode 2") << "last" << "SetWriteMode" << 3 << 8;
    QTest::newRow("last: sector") << "last" << "WriteFlashSector" << 4 << 9;
}

void tst_FlashWriting::errorCodes()
{
    QFETCH(QString, write);
    QFETCH(QString, op);
    QFETCH(int, call);
    QFETCH(int, code);
    FirmwareUpdater updater = Open(write == QLatin1String("last") ? 4.4 : 6.01, 81, 2, Image4());
    receiver->faults[*sim::OpNamed(op)].failCalls.insert(call);
    const bool written = write == QLatin1String("copy") ? updater.WriteCopyCode(1)
        : write == QLatin1String("boot")                ? updater.WriteBootCode()
                                                        : updater.WriteLast256Bytes();
    QVERIFY(!written);
    QCOMPARE(updater.errorCode, code);
    // It stops at once.
    QCOMPARE(QString::fromLatin1(sim::OpName(receiver->log.last().op)), op);
}

void tst_FlashWriting::progressNeverMovesBack_data()
{
    QTest::addColumn<QList<int>>("steps"); // step, stepCount, fraction in percent; repeated
    QTest::addColumn<QList<int>>("shown");
    QTest::newRow("first report is at least 10") << QList<int>{1, 7, 0} << QList<int>{10};
    QTest::newRow("5 after 40 stays 40") << QList<int>{3, 5, 0, 1, 20, 100} << QList<int>{40, 40};
    QTest::newRow("thirds round down") << QList<int>{1, 3, 100, 2, 3, 100, 3, 3, 100} << QList<int>{33, 66, 100};
    QTest::newRow("sevenths") << QList<int>{1, 7, 100, 2, 7, 100, 6, 7, 100, 7, 7, 100}
                            << QList<int>{14, 28, 85, 100};
}

void tst_FlashWriting::progressNeverMovesBack()
{
    QFETCH(QList<int>, steps);
    QFETCH(QList<int>, shown);
    ProgressRecorder view;
    FirmwareUpdater updater;
    updater.Load(ReceiverState(), &view);
    for (int i = 0; i + 2 < steps.size(); i += 3) {
        updater.step = steps[i];
        updater.stepCount = steps[i + 1];
        updater.stepFraction = steps[i + 2] / 100.0;
        updater.UpdateProgress();
    }
    QCOMPARE(view.shown, shown);
}

QTEST_MAIN(tst_FlashWriting)
#include "tst_flashwriting.moc"
