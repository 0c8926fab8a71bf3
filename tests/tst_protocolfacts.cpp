// The protocol's facts as the program states them (catalogue/imagefigures.h,
// engine/protocol.h) and as the simulated receiver states them on its own
// (simulator/layout/firmware.h), each held to the known answer.

#include "firmware.h"
#include "imagefigures.h"
#include "protocol.h"
#include "testsupport.h"

#include <QtTest>

class tst_ProtocolFacts : public QObject
{
    Q_OBJECT

private slots:
    void numbers_data();
    void numbers();
    void oldProtocolRule_data();
    void oldProtocolRule();
    void headerSums_data();
    void headerSums();
};

void tst_ProtocolFacts::numbers_data()
{
    QTest::addColumn<qint64>("program");
    QTest::addColumn<qint64>("receiver");
    QTest::addColumn<qint64>("known");
    QTest::newRow("copy 1 start") << qint64(kCopy1Address) << qint64(sim::kSlot1Address) << qint64(0x00C10000);
    QTest::newRow("copy 2 start") << qint64(kCopy2Address) << qint64(sim::kSlot2Address) << qint64(0x00C90000);
    QTest::newRow("boot code size") << qint64(kBootCodeSize) << qint64(sim::kBootCodeSize) << qint64(906);
    QTest::newRow("first marker sector") << qint64(kMarkerAddresses[0]) << qint64(sim::kMarkerAddress1) << qint64(0xF0000);
    QTest::newRow("second marker sector") << qint64(kMarkerAddresses[1]) << qint64(sim::kMarkerAddress2) << qint64(0xFFF00);
    QTest::newRow("the last 256 bytes end the boot region")
        << qint64(kLastBytesAddress + kLastBytesSize) << qint64(sim::kBootRegionSize) << qint64(0x8000);
    QTest::newRow("sector and code block") << qint64(kBlockSize) << qint64(sim::kSectorSize) << qint64(64);
    QTest::newRow("header") << qint64(kHeaderSize) << qint64(sim::kHeaderSize) << qint64(64);
    QTest::newRow("blocks a code write") << qint64(kBlocksPerCodeWrite) << qint64(sim::kMaxBlocksPerCodeWrite) << qint64(5);
    QTest::newRow("old protocol's code address") << qint64(kOldProtocolCodeAddress)
                                                 << qint64(sim::kOldProtocolCodeAddress) << qint64(0x8500);
}

void tst_ProtocolFacts::numbers()
{
    QFETCH(qint64, program);
    QFETCH(qint64, receiver);
    QFETCH(qint64, known);
    QCOMPARE(program, known);
    QCOMPARE(receiver, known);
}

void tst_ProtocolFacts::oldProtocolRule_data()
{
    QTest::addColumn<double>("version");
    QTest::addColumn<int>("build");
    QTest::addColumn<bool>("old");
    QTest::newRow("3.0 build 0") << 3.0 << 0 << true;
    QTest::newRow("3.0 build 27") << 3.0 << 27 << true;
    QTest::newRow("3.0 build 28") << 3.0 << 28 << false;
    QTest::newRow("3.0 build 1000") << 3.0 << 1000 << false;
    QTest::newRow("2.99 build 0") << 2.99 << 0 << false;
    QTest::newRow("3.01 build 0") << 3.01 << 0 << false;
    QTest::newRow("4.4 build 27") << 4.4 << 27 << false;
    QTest::newRow("6.01 build 27") << 6.01 << 27 << false;
}

void tst_ProtocolFacts::oldProtocolRule()
{
    QFETCH(double, version);
    QFETCH(int, build);
    QFETCH(bool, old);
    QCOMPARE(UsesOldFlashProtocol(version, build), old);
    QCOMPARE(sim::OldFlashProtocol(version, build), old);
}

void tst_ProtocolFacts::headerSums_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<uint>("newA");
    QTest::addColumn<uint>("newB");
    QTest::addColumn<uint>("oldA"); // the low 16 bits the old layout keeps
    QTest::addColumn<uint>("oldB");
    QByteArray copy1Zero(64, '\0');
    copy1Zero[1] = char(0xC1);
    QByteArray oldZero(64, '\0');
    oldZero[0] = char(0x85);
    QTest::newRow("zero header at 0x00C10000") << copy1Zero << 0xBF6Eu << 0x1CCA21u << 0xBF6Eu << 0x0601u;
    QTest::newRow("zero header at 0x8500, old layout") << oldZero << 0x143ADu << 0x1C45E2u << 0xBF32u << 0x063Du;
    QTest::newRow("every byte 0xFF") << QByteArray(64, char(0xFF)) << 0x1CBE91u << 0xCAFEu << 0xFA71u << 0xCAFEu;
    const FirmwareBlocks &image6 = RuleNamed(QStringLiteral("A3")).target.blocks;
    QTest::newRow("image 6's copy-2 header") << Bytes(image6.header2, 64) << 0x0003BDBAu << 0x0019CBD5u << 0u << 0u;
}

void tst_ProtocolFacts::headerSums()
{
    QFETCH(QByteArray, header);
    QFETCH(uint, newA);
    QFETCH(uint, newB);
    QFETCH(uint, oldA);
    QFETCH(uint, oldB);
    const auto *bytes = reinterpret_cast<const unsigned char *>(header.constData());
    QCOMPARE(NewHeaderSums(bytes).a, newA);
    QCOMPARE(NewHeaderSums(bytes).b, newB);
    QCOMPARE(sim::HeaderSumA(header), newA);
    QCOMPARE(sim::HeaderSumB(header), newB);
    if (oldA == 0)
        return;
    QCOMPARE(OldHeaderSums(bytes).a, oldA);
    QCOMPARE(OldHeaderSums(bytes).b, oldB);
    QCOMPARE(uint(sim::OldHeaderSumA(header)), oldA);
    QCOMPARE(uint(sim::OldHeaderSumB(header)), oldB);
}

QTEST_GUILESS_MAIN(tst_ProtocolFacts)
#include "tst_protocolfacts.moc"
