// The protocol as the program states it (catalogue/imagefigures.h,
// engine/protocol.h) and as the simulated receiver states it on its own
// (simulator/layout/firmware.h): every fact both sides state must agree.

#include "firmware.h"
#include "imagefigures.h"
#include "protocol.h"

#include <QtTest>

#include <random>

class tst_ProtocolFacts : public QObject
{
    Q_OBJECT

private slots:
    void numbers_data();
    void numbers();
    void oldProtocolRule_data();
    void oldProtocolRule();
    void headerSums();
};

void tst_ProtocolFacts::numbers_data()
{
    QTest::addColumn<qint64>("program");
    QTest::addColumn<qint64>("receiver");
    QTest::newRow("copy 1 start") << qint64(kCopy1Address) << qint64(sim::kSlot1Address);
    QTest::newRow("copy 2 start") << qint64(kCopy2Address) << qint64(sim::kSlot2Address);
    QTest::newRow("boot code size") << qint64(kBootCodeSize) << qint64(sim::kBootCodeSize);
    QTest::newRow("first marker sector") << qint64(kMarkerAddresses[0]) << qint64(sim::kMarkerAddress1);
    QTest::newRow("second marker sector") << qint64(kMarkerAddresses[1]) << qint64(sim::kMarkerAddress2);
    QTest::newRow("the last 256 bytes end the boot region")
        << qint64(kLastBytesAddress + kLastBytesSize) << qint64(sim::kBootRegionSize);
    QTest::newRow("sector and code block") << qint64(kBlockSize) << qint64(sim::kSectorSize);
    QTest::newRow("header") << qint64(kHeaderSize) << qint64(sim::kHeaderSize);
    QTest::newRow("blocks a code write") << qint64(kBlocksPerCodeWrite) << qint64(sim::kMaxBlocksPerCodeWrite);
    QTest::newRow("old protocol's code address") << qint64(kOldProtocolCodeAddress)
                                                 << qint64(sim::kOldProtocolCodeAddress);
}

void tst_ProtocolFacts::numbers()
{
    QFETCH(qint64, program);
    QFETCH(qint64, receiver);
    QCOMPARE(program, receiver);
}

void tst_ProtocolFacts::oldProtocolRule_data()
{
    QTest::addColumn<double>("version");
    for (const double version : {2.99, 3.0, 3.01, 4.4, 6.01})
        QTest::addRow("%.2f", version) << version;
}

void tst_ProtocolFacts::oldProtocolRule()
{
    QFETCH(double, version);
    for (const qint32 build : {0, 1, 27, 28, 29, 1000})
        QVERIFY2(UsesOldFlashProtocol(version, build) == sim::OldFlashProtocol(version, build),
                 qPrintable(QStringLiteral("build %1").arg(build)));
}

// Both layouts' sums of many headers, plain and with every byte at 0xFF.
void tst_ProtocolFacts::headerSums()
{
    std::mt19937 random(1);
    for (int n = 0; n < 1000; ++n) {
        QByteArray header(kHeaderSize, '\0');
        for (char &byte : header)
            byte = n == 0 ? char(0) : n == 1 ? char(0xFF) : char(random() & 0xFF);
        const auto *bytes = reinterpret_cast<const unsigned char *>(header.constData());
        QCOMPARE(NewHeaderSums(bytes).a, sim::HeaderSumA(header));
        QCOMPARE(NewHeaderSums(bytes).b, sim::HeaderSumB(header));
        QCOMPARE(OldHeaderSums(bytes).a, uint32_t(sim::OldHeaderSumA(header)));
        QCOMPARE(OldHeaderSums(bytes).b, uint32_t(sim::OldHeaderSumB(header)));
    }
}

QTEST_GUILESS_MAIN(tst_ProtocolFacts)
#include "tst_protocolfacts.moc"
