// What an interrupted update leaves behind. The cable is pulled at every
// library call of a run (and, for writes, once more with half of the
// call's bytes landing); the receiver is then plugged in again and the
// updater run afresh, as a user would. Random fault schedules follow.
// Run this program alone to see the table: build/tests/tst_interruption

#include "catalogue.h"
#include "firmwareupdater.h"
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
    void randomFaultSchedules();
};

namespace {

enum Outcome { kUpdatedOnRerun, kUpToDateOnRerun, kOutOfReach, kBricked, kOutcomes };
const char *const kOutcomeNames[] = {"re-run updated it", "re-run found it up to date",
                                     "boots, target out of reach", "bricked"};

constexpr quint32 kPid = 0x1317;

const UpgradeRule &TargetRule(bool scrivetPack)
{
    // 0x1317 receivers: A7 (image 6) or B7 (image 3).
    return (scrivetPack ? ScrivetPackTable() : ScrivetPackClassicTable()).rules[6];
}

std::shared_ptr<sim::Receiver> MakeReceiver(const QString &path, const FirmwareImage &target)
{
    auto receiver = AttachReceiver(kPid, 6.01, 81);
    receiver->keepLog = false;
    if (path == QLatin1String("short")) {
        receiver->codeSlots[1].header = QByteArray(reinterpret_cast<const char *>(target.blocks.header2), 64);
        receiver->codeSlots[1].code = QByteArray(reinterpret_cast<const char *>(target.blocks.code2),
                                                 int(target.blocks.code2Size));
        receiver->Boot(2);
    } else if (path == QLatin1String("boot")) {
        receiver->codeSlots = {};
        receiver->startPosition = 2;
        receiver->Boot(2);
    }
    return receiver;
}

// The first run, against an updater aimed at the target; -1 when the
// receiver cannot even be opened.
int FirstRun(const sim::Receiver &receiver, const UpgradeRule &rule)
{
    if (!OpenIntoReceiverState(receiver.pid)) {
        ReleaseReceiverState();
        return -1;
    }
    FirmwareUpdater updater;
    updater.Load(g_receiverState, nullptr);
    updater.target = &rule.target;
    updater.pidChanges = receiver.pid != quint32(rule.targetPid);
    const int result = updater.RunFlashUpgrade();
    ReleaseReceiverState();
    return result;
}

bool RunsTarget(const sim::Receiver &receiver, const FirmwareImage &target)
{
    return receiver.running > 0 && receiver.runningIdentity.version == target.version
        && receiver.runningIdentity.build == target.build;
}

// Plugged in again, found by its product ID, judged by the tables.
Outcome Rerun(sim::Receiver &receiver, bool scrivetPack, const FirmwareImage &target, QString *why)
{
    receiver.Plug();
    receiver.unplugAtCall = 0;
    if (receiver.running == sim::Receiver::kDead)
        return kBricked;
    if (!OpenIntoReceiverState(receiver.pid) || g_receiverState.versionInfo.version < 6.0) {
        *why = QStringLiteral("not accepted by the search");
        ReleaseReceiverState();
        return kOutOfReach;
    }
    g_receiverState.newPackSelected = scrivetPack;
    FirmwareUpdater updater;
    updater.Load(g_receiverState, nullptr);
    Outcome outcome = kOutOfReach;
    if (!updater.FindUpgrade()) {
        outcome = RunsTarget(receiver, target) ? kUpToDateOnRerun : kOutOfReach;
        *why = QStringLiteral("tables call %1.%2 up to date").arg(receiver.runningIdentity.version).arg(receiver.runningIdentity.build);
    } else {
        const int result = updater.RunFlashUpgrade();
        outcome = result == 0 && RunsTarget(receiver, target) ? kUpdatedOnRerun : kOutOfReach;
        *why = QStringLiteral("re-run returned %1").arg(result);
    }
    ReleaseReceiverState();
    return outcome;
}

} // namespace

void tst_Interruption::initTestCase()
{
    // Thousands of runs: keep the program's debug lines out of the table.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
}

void tst_Interruption::init()
{
    ResetGlobals();
}

void tst_Interruption::cleanup()
{
    QVERIFY(ReleaseReceiverState());
    ResetGlobals();
}

void tst_Interruption::campaign_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("scrivetPack");
    for (const char *path : {"short", "full", "boot"}) {
        QTest::addRow("%s path, Scrivet Pack", path) << path << true;
        QTest::addRow("%s path, Classic", path) << path << false;
    }
}

void tst_Interruption::campaign()
{
    QFETCH(QString, path);
    QFETCH(bool, scrivetPack);
    ScopedVirtualClock clock;
    const UpgradeRule &rule = TargetRule(scrivetPack);

    // A run without interruption: how many calls, and which carry data.
    auto dry = MakeReceiver(path, rule.target);
    dry->keepLog = true;
    QCOMPARE(FirstRun(*dry, rule), 0);
    QList<int> dataBytes;
    for (const sim::Call &call : dry->log.mid(1)) // after the search's open
        dataBytes << call.data.size();
    sim::Bus::Instance().Reset();

    int counts[kOutcomes] = {};
    int runs = 0;
    QStringList outOfReach;
    for (int k = 1; k <= dataBytes.size(); ++k) {
        for (const bool torn : {false, true}) {
            if (torn && dataBytes[k - 1] == 0)
                continue;
            auto receiver = MakeReceiver(path, rule.target);
            receiver->unplugAtCall = receiver->calls + 1 + k; // after the open
            receiver->tornWriteBytes = torn ? dataBytes[k - 1] / 2 : -1;
            FirstRun(*receiver, rule);
            QString why;
            const Outcome outcome = Rerun(*receiver, scrivetPack, rule.target, &why);
            ++counts[outcome];
            ++runs;
            if (outcome == kOutOfReach)
                outOfReach << QStringLiteral("call %1%2: %3").arg(k).arg(torn ? " torn" : "").arg(why);
            QCOMPARE(receiver->violations, QStringList());
            sim::Bus::Instance().Reset();
        }
    }

    QString table = QStringLiteral("%1 runs:").arg(runs);
    for (int i = 0; i < kOutcomes; ++i)
        table += QStringLiteral(" %1 %2;").arg(counts[i]).arg(QLatin1String(kOutcomeNames[i]));
    qInfo().noquote() << table;
    for (const QString &line : outOfReach.mid(0, 5))
        qInfo().noquote() << "  " << line;

    if (path != QLatin1String("boot")) {
        QCOMPARE(counts[kBricked], 0);
        QVERIFY2(outOfReach.isEmpty(), qPrintable(outOfReach.join(QLatin1Char('\n'))));
    }
}

void tst_Interruption::randomFaultSchedules()
{
    const int runs = qEnvironmentVariableIntValue("ORVEX_RANDOM_RUNS") > 0
        ? qEnvironmentVariableIntValue("ORVEX_RANDOM_RUNS") : 10000;
    const QList<int> allowed = {0, 1, 2, 3, 7, 8, 9, 10, 11, 12, 13, 17, 18, 119};
    const QStringList ops = {"GetVersion", "GetFlashInfo", "GetHeader2Checksum", "SetWriteMode",
                             "WriteFlashHeader", "WriteFlashCode", "WriteFlashSector",
                             "PrepareToCloseConnection", "RestartWithCodeInPosition",
                             "CloseConnection", "InitializeConnection"};
    QMap<int, int> results;
    for (int seed = 1; seed <= runs; ++seed) {
        std::mt19937 random{quint32(seed)};
        const auto chance = [&random](int percent) { return int(random() % 100) < percent; };
        ScopedVirtualClock clock;
        const bool scrivetPack = chance(50);
        const UpgradeRule &rule = TargetRule(scrivetPack);
        const QString path = QStringList{"short", "full", "boot"}.at(int(random() % 3));
        auto receiver = MakeReceiver(path, rule.target);
        receiver->restartTimeMs = int(random() % 3000);
        if (chance(30)) {
            receiver->Boot(1);
            receiver->startPosition = 1;
        }
        for (const QString &op : ops) {
            if (!chance(15))
                continue;
            sim::Fault &fault = receiver->faults[op];
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

        const int result = FirstRun(*receiver, rule);
        results[result]++;
        if (result == -1) { // the search would not have accepted it: no run
            sim::Bus::Instance().Reset();
            continue;
        }
        QVERIFY2(allowed.contains(result), qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(result)));
        QVERIFY2(clock.clock.NowMs() <= bound, qPrintable(QStringLiteral("seed %1").arg(seed)));
        QVERIFY2(receiver->violations.isEmpty(),
                 qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(receiver->violations.join(", "))));
        QCOMPARE(sim::Bus::Instance().liveHandlers, 0);
        sim::Bus::Instance().Reset();
    }
    QString summary = QStringLiteral("%1 random schedules, results (-1: not found by the search):").arg(runs);
    for (auto it = results.cbegin(); it != results.cend(); ++it)
        summary += QStringLiteral(" %1 x%2").arg(it.key()).arg(it.value());
    qInfo().noquote() << summary;
}

QTEST_MAIN(tst_Interruption)
#include "tst_interruption.moc"
