// What an interrupted update leaves behind, for every model of the
// receiver. The cable is pulled at every library call of an update run,
// from the engine's first call to its last, and every call that carries
// data is torn as well: 1 byte, half, and all but one of its bytes land.
// The receiver is then plugged in again and the updater run afresh as a
// user would run it, and the whole receiver is judged: both copies byte
// for byte, the boot code, what runs. Random fault schedules follow.
// scripts/reliability-tables prints the tables of docs/reliability.md.

#include "catalogue.h"
#include "firmwareupdater.h"
#include "simulator.h"
#include "testsupport.h"

#include <QLoggingCategory>
#include <QtTest>

#include <random>

class tst_Interruption : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void campaign_data();
    void campaign();
    void randomFaultSchedules_data();
    void randomFaultSchedules();

private:
    EngineFixture fixture;
};

namespace {

enum Verdict { kBothTarget, kTargetRunsOtherNot, kTargetOutOfReach, kBricked, kVerdicts };

struct Tally {
    int runs = 0;
    int verdicts[kVerdicts] = {};
    QStringList outOfReach; // why, for the first few
};

using Verdicts = QList<int>; // bricked counts, by path: short, full, boot

constexpr quint32 kPid = 0x1317;
constexpr double kMinimumVersion = 6.0;

const UpgradeRule &TargetRule(bool scrivetPack)
{
    // 0x1317 receivers: A7 (image 6) or B7 (image 3).
    return (scrivetPack ? ScrivetPackTable() : ScrivetPackClassicTable()).rules[6];
}

// The receiver before the update: 0x1317 at 6.01 build 81, on copy 2;
// for the short path it already holds the target's copy 2 there, for the
// boot path it has lost both copies and runs its boot code.
sim::Receiver Prepared(const QString &path, const FirmwareImage &target, const sim::ReceiverModel &model)
{
    sim::Receiver receiver = *sim::MakeReceiver(kPid, 6.01, 81, 2);
    receiver.model = model;
    receiver.latencyMs = 0;
    receiver.keepLog = false;
    if (path == QLatin1String("short")) {
        receiver.codeSlots[1] = {Bytes(target.blocks.header2, 64), Bytes(target.blocks.code2, target.blocks.code2Size)};
    } else if (path == QLatin1String("boot")) {
        receiver.codeSlots = {};
        receiver.startPosition = 2;
    }
    receiver.Boot(2);
    return receiver;
}

// One update run as the update page makes it, aimed at `rule`; `arm`
// runs between the search's calls and the engine's first. -1: the
// receiver could not even be opened.
int EngineRun(sim::Receiver &receiver, const UpgradeRule &rule, const std::function<void()> &arm = {})
{
    if (!OpenIntoReceiverState(receiver.pid)) {
        ReleaseReceiverState();
        return -1;
    }
    if (arm)
        arm();
    FirmwareUpdater updater;
    updater.Load(g_receiverState, nullptr);
    updater.target = &rule.target;
    updater.pidChanges = receiver.pid != quint32(rule.targetPid);
    const int result = updater.RunFlashUpgrade();
    ReleaseReceiverState();
    return result;
}

bool SlotHolds(const sim::Receiver &receiver, int position, const FirmwareBlocks &target)
{
    const sim::Slot &slot = receiver.codeSlots[position - 1];
    const bool one = position == 1;
    const uint32_t size = one ? target.code1Size : target.code2Size;
    return slot.header == Bytes(one ? target.header1 : target.header2, 64)
        && slot.code.left(int(size)) == Bytes(one ? target.code1 : target.code2, size);
}

// The whole receiver after the re-run.
Verdict Judge(const sim::Receiver &receiver, const FirmwareImage &target, bool bootRewritten, QString *why)
{
    if (receiver.running == sim::Receiver::kDead) {
        *why = QStringLiteral("nothing runs");
        return kBricked;
    }
    const FirmwareBlocks &blocks = target.blocks;
    const bool copy[2] = {SlotHolds(receiver, 1, blocks), SlotHolds(receiver, 2, blocks)};
    const bool bootRight = bootRewritten
        ? receiver.boot.left(int(blocks.bootSize)) == Bytes(blocks.bootCode, blocks.bootSize)
        : receiver.BootCodeIntact();
    // The running firmware's identity record is intact (its CRC covers the
    // whole code), so it is one of the target's copies when it names it.
    const bool runsTarget = receiver.running > 0 && receiver.runningIdentity.version == target.version
        && receiver.runningIdentity.build == target.build;
    if (runsTarget)
        return copy[0] && copy[1] && bootRight ? kBothTarget : kTargetRunsOtherNot;
    *why = receiver.running == 0
        ? QStringLiteral("only the boot code runs")
        : QStringLiteral("copy %1 runs %2.%3").arg(receiver.running).arg(receiver.runningIdentity.version).arg(receiver.runningIdentity.build);
    return kTargetOutOfReach;
}

// Plugged in again and updated as a user would: the search, the tables,
// the update when one is offered.
Verdict Rerun(sim::Receiver &receiver, bool scrivetPack, const FirmwareImage &target, bool bootRewritten,
              QString *why)
{
    receiver.unplugAtCall = 0;
    receiver.Plug();
    QString result = QStringLiteral("not accepted by the search");
    if (OpenIntoReceiverState(receiver.pid) && g_receiverState.versionInfo.version >= kMinimumVersion) {
        g_receiverState.newPackSelected = scrivetPack;
        FirmwareUpdater updater;
        updater.Load(g_receiverState, nullptr);
        result = updater.FindUpgrade() ? QStringLiteral("re-run returned %1").arg(updater.RunFlashUpgrade())
                                       : QStringLiteral("tables call it up to date");
    }
    ReleaseReceiverState();
    const Verdict verdict = Judge(receiver, target, bootRewritten, why);
    *why += QStringLiteral(", ") + result;
    return verdict;
}

QString Row(const sim::ReceiverModel &model, const QString &path, bool scrivetPack)
{
    return QStringLiteral("%1 | %2 path, %3").arg(model.Name(), path, scrivetPack ? "Scrivet Pack" : "Classic");
}

} // namespace

Q_DECLARE_METATYPE(sim::ReceiverModel)

void tst_Interruption::initTestCase()
{
    // Thousands of runs: keep the program's debug lines out of the tables.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
}

void tst_Interruption::init()
{
    fixture.Begin();
}

void tst_Interruption::cleanup()
{
    fixture.End();
}

// Each row states how many interruption points leave the receiver
// bricked and, off the boot path, how many leave the target out of reach:
// any change fails until the expectation is looked at again.
void tst_Interruption::campaign_data()
{
    QTest::addColumn<sim::ReceiverModel>("model");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("scrivetPack");
    QTest::addColumn<int>("uninterrupted"); // result of a run left alone
    QTest::addColumn<int>("bricked");
    QTest::addColumn<int>("outOfReach"); // -1: not stated (the boot path)

    // Boot path: the boot code is damaged from sector 0 torn at 32 or 63
    // bytes (sector 0 torn at 1 byte rewrites the same byte), through
    // sectors 1 to 13 from their write mode to their tear (5 points each),
    // until the ten code bytes of sector 14 land (its write mode, the
    // write, the tear at 1 byte): 2 + 65 + 3.
    constexpr int kBootCodeBricks = 70;
    // Where a header alone makes a copy bootable, copy 2 written into the
    // slot the receiver starts from bricks it from a whole header until
    // the code is complete: 4 points a code write (the cut and three
    // tears), less the last write's tear that still completes the code.
    // Copy 2 of image 6 takes 56 code writes, of image 3 61.
    const auto copy2Bricks = [](bool scrivetPack) { return (scrivetPack ? 56 : 61) * 4 - 1; };
    // A receiver that reports copy 1's version, cut after the first copy
    // write (copy 2 into slot 1) is complete and before the restart onto
    // it (the last write's last tear, PrepareToCloseConnection,
    // RestartWithCodeInPosition), reports the target while the old copy 2
    // runs; table A then calls it up to date. Table B offers 0x1317 an
    // update whatever it reports.
    constexpr int kReportsTargetRunsOld = 3;

    for (const sim::ReceiverModel &model : sim::ReceiverModel::All()) {
        for (const char *path : {"short", "full", "boot"}) {
            for (const bool scrivetPack : {true, false}) {
                const QByteArray name = Row(model, QLatin1String(path), scrivetPack).toUtf8();
                const bool boot = qstrcmp(path, "boot") == 0;
                // From the boot code, a receiver that offers the other slot
                // takes copy 2 into slot 1; the restart on copy 2 then finds
                // copy 1's slot running (13).
                const int uninterrupted = boot && !model.bootCodeOffersAskedSlot ? 13 : 0;
                // Copy 2 goes into the start slot when the boot code offers
                // the slot asked for, and is booted from slot 1 by the
                // fallback when it offers the other one.
                const bool copy2Started = model.bootCodeOffersAskedSlot || model.fallsBackToOtherCopy;
                const int bricked = !boot ? 0
                    : kBootCodeBricks + (!model.checksWholeCode && copy2Started ? copy2Bricks(scrivetPack) : 0);
                const int outOfReach = boot ? -1
                    : model.reportsCopy1Version && qstrcmp(path, "full") == 0 && scrivetPack ? kReportsTargetRunsOld
                                                                                              : 0;
                QTest::newRow(name.constData()) << model << QString::fromLatin1(path) << scrivetPack
                                                << uninterrupted << bricked << outOfReach;
            }
        }
    }
}

void tst_Interruption::campaign()
{
    QFETCH(sim::ReceiverModel, model);
    QFETCH(QString, path);
    QFETCH(bool, scrivetPack);
    QFETCH(int, uninterrupted);
    QFETCH(int, bricked);
    QFETCH(int, outOfReach);
    ScopedVirtualClock clock;
    const UpgradeRule &rule = TargetRule(scrivetPack);
    const sim::Receiver before = Prepared(path, rule.target, model);
    const bool bootRewritten = path == QLatin1String("boot");

    // A run left alone: its calls, from the engine's first.
    auto dry = sim::Bus::Instance().Attach(std::make_shared<sim::Receiver>(before));
    dry->keepLog = true;
    int firstEngineCall = 0;
    QCOMPARE(EngineRun(*dry, rule, [&] { firstEngineCall = int(dry->log.size()); }), uninterrupted);
    const QList<sim::Call> engineCalls = dry->log.mid(firstEngineCall);
    // The engine begins and, when it gets there, ends by reading the version.
    QCOMPARE(engineCalls.first().op, sim::Op::GetVersion);
    if (uninterrupted == 0)
        QCOMPARE(engineCalls.last().op, sim::Op::GetVersion);
    sim::Bus::Instance().Reset();

    Tally tally;
    for (int k = 1; k <= engineCalls.size(); ++k) {
        const int size = engineCalls[k - 1].data.size();
        QList<int> tears = {-1};
        if (size > 0)
            tears << 1 << size / 2 << size - 1;
        for (const int tear : tears) {
            auto receiver = sim::Bus::Instance().Attach(std::make_shared<sim::Receiver>(before));
            EngineRun(*receiver, rule, [&] {
                receiver->unplugAtCall = receiver->calls + k;
                receiver->tornWriteBytes = tear;
            });
            // The index lands on the call it names, and so does the tear.
            QVERIFY2(receiver->unpluggedDuring == engineCalls[k - 1].op,
                     qPrintable(QStringLiteral("call %1: %2").arg(k).arg(sim::OpName(engineCalls[k - 1].op))));
            QCOMPARE(receiver->tornBytesLanded, qMax(tear, 0));
            QString why;
            const Verdict verdict = Rerun(*receiver, scrivetPack, rule.target, bootRewritten, &why);
            ++tally.verdicts[verdict];
            ++tally.runs;
            if (verdict == kTargetOutOfReach || verdict == kBricked)
                tally.outOfReach << QStringLiteral("call %1 %2%3: %4")
                                        .arg(k)
                                        .arg(sim::OpName(engineCalls[k - 1].op))
                                        .arg(tear < 0 ? QString() : QStringLiteral(" torn at %1").arg(tear))
                                        .arg(why);
            QCOMPARE(receiver->violations, QStringList());
            sim::Bus::Instance().Reset();
        }
    }

    qInfo().noquote() << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 |")
                             .arg(Row(model, path, scrivetPack))
                             .arg(engineCalls.size())
                             .arg(tally.runs)
                             .arg(tally.verdicts[kBothTarget])
                             .arg(tally.verdicts[kTargetRunsOtherNot])
                             .arg(tally.verdicts[kTargetOutOfReach])
                             .arg(tally.verdicts[kBricked]);
    for (const QString &line : tally.outOfReach.mid(0, 3))
        qInfo().noquote() << "   " << line;
    QCOMPARE(tally.verdicts[kBricked], bricked);
    if (outOfReach >= 0)
        QCOMPARE(tally.verdicts[kTargetOutOfReach], outOfReach);
}

void tst_Interruption::randomFaultSchedules_data()
{
    QTest::addColumn<sim::ReceiverModel>("model");
    QTest::addColumn<int>("runs");
    const int many = qEnvironmentVariableIntValue("ORVEX_RANDOM_RUNS");
    for (const sim::ReceiverModel &model : sim::ReceiverModel::All()) {
        const bool first = model == sim::ReceiverModel();
        QTest::newRow(model.Name().toUtf8().constData()) << model << (many > 0 ? many : first ? 10000 : 1000);
    }
}

void tst_Interruption::randomFaultSchedules()
{
    QFETCH(sim::ReceiverModel, model);
    QFETCH(int, runs);
    const QList<int> allowed = {0, 1, 2, 3, 7, 8, 9, 10, 11, 12, 13, 17, 18, 119};
    QMap<int, int> results;
    int bricked = 0;
    int brickedOffBootPath = 0;
    for (int seed = 1; seed <= runs; ++seed) {
        std::mt19937 random{quint32(seed)};
        const auto chance = [&random](int percent) { return int(random() % 100) < percent; };
        ScopedVirtualClock clock;
        const bool scrivetPack = chance(50);
        const UpgradeRule &rule = TargetRule(scrivetPack);
        const QString path = QStringList{"short", "full", "boot"}.at(int(random() % 3));
        auto receiver = sim::Bus::Instance().Attach(std::make_shared<sim::Receiver>(Prepared(path, rule.target, model)));
        receiver->restartTimeMs = int(random() % 3000);
        if (chance(30)) {
            receiver->Boot(1);
            receiver->startPosition = 1;
        }
        for (int op = 0; op < sim::kOpCount; ++op) {
            if (op == int(sim::Op::LookForOrvexWithSpecifiedPID) || !chance(15))
                continue;
            sim::Fault &fault = receiver->faults[sim::Op(op)];
            if (chance(10))
                fault.always = true;
            for (int n = int(random() % 4); n > 0; --n)
                fault.failCalls.insert(1 + int(random() % 150));
            if (chance(10))
                fault.corruptCalls.insert(1 + int(random() % 150));
        }
        if (chance(20)) {
            receiver->unplugAtCall = 2 + int(random() % 600);
            receiver->tornWriteBytes = chance(50) ? int(random() % 320) : -1;
        }
        const qint64 bound = 5 * (receiver->restartTimeMs + 50000 + 60500 + 500) + 250 + 3 * 500;
        const int result = EngineRun(*receiver, rule);
        ++results[result];
        const QString where = QStringLiteral("seed %1, %2 path").arg(seed).arg(path);
        if (result != -1) { // -1: the search would not have accepted it, no run
            QVERIFY2(allowed.contains(result), qPrintable(QStringLiteral("%1: %2").arg(where).arg(result)));
            QVERIFY2(clock.clock.NowMs() <= bound, qPrintable(where));
            QVERIFY2(receiver->violations.isEmpty(), qPrintable(where + receiver->violations.join(", ")));
            QCOMPARE(sim::Bus::Instance().liveHandlers, 0);
        }
        if (result == 0) {
            QVERIFY2(SlotHolds(*receiver, 1, rule.target.blocks) && SlotHolds(*receiver, 2, rule.target.blocks),
                     qPrintable(where));
            QVERIFY2(receiver->running == 1, qPrintable(where));
        }
        receiver->unplugAtCall = 0;
        receiver->Plug();
        if (receiver->running == sim::Receiver::kDead) {
            ++bricked;
            brickedOffBootPath += path == QLatin1String("boot") ? 0 : 1;
            // Where only header sums decide, a silently damaged copy boots
            // and crashes: only the receiver's own check could catch it.
            QVERIFY2(path == QLatin1String("boot") || !model.checksWholeCode, qPrintable(where + QStringLiteral(": bricked")));
        }
        sim::Bus::Instance().Reset();
    }
    QString summary = QStringLiteral("| %1 | %2 | %3 | %4 |").arg(model.Name()).arg(runs).arg(bricked).arg(brickedOffBootPath);
    QStringList counts;
    for (auto it = results.cbegin(); it != results.cend(); ++it)
        counts << QStringLiteral("%1 ×%2").arg(it.key()).arg(it.value());
    qInfo().noquote() << summary + QLatin1Char(' ') + counts.join(QStringLiteral(", ")) + QStringLiteral(" |");
}

QTEST_MAIN(tst_Interruption)
#include "tst_interruption.moc"
