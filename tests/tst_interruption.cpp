// What an interrupted update leaves behind, for every model of the
// receiver. The cable is pulled at every library call of an update run,
// from the engine's first call to its last, and every call that carries
// data is torn as well: 1 byte, half, and all but one of its bytes land.
// The receiver is then plugged in again and the updater run afresh as a
// user would run it, on this computer (whose history holds the cut-off
// run) and on another, and the whole receiver is judged: both copies byte
// for byte, the boot code, what runs. Random fault schedules follow, each
// retried as a user would until an update ends well.
// With ORVEX_RELIABILITY_FIGURES naming a file, each row's figures go
// there; scripts/reliability-tables makes the tables of
// docs/reliability.md from them.

#include "catalogue.h"
#include "firmwareupdater.h"
#include "receiversession.h"
#include "record.h"
#include "simulator.h"
#include "testsupport.h"
#include "updaterun.h"

#include <QTemporaryDir>

#include <QLoggingCategory>
#include <QtTest>

#include <array>
#include <cstdio>
#include <random>

#include <unistd.h>

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

// What the re-runs after every cut of one row came to.
struct Tally {
    int verdicts[kVerdicts] = {};
    int refusedBySearch = 0; // of the out-of-reach: the search does not accept what runs
    int tellable = 0;        // of the other copy not: its header is not the target's, which the receiver reports
    QStringList outOfReach;  // why, for the first few

    QList<int> Columns() const
    {
        return {verdicts[kBothTarget], verdicts[kTargetRunsOtherNot], verdicts[kTargetOutOfReach],
                refusedBySearch, verdicts[kBricked]};
    }
};

constexpr quint32 kPid = 0x1317;
constexpr int kRetries = 3;

const UpgradeRule &TargetRule(bool scrivetPack)
{
    // 0x1317 receivers: A7 (image 6) or B7 (image 3).
    return RuleNamed(scrivetPack ? QStringLiteral("A7") : QStringLiteral("B7"));
}

// Where the update starts, with the receiver, 0x1317 on copy 2 at 6.01
// build 81 as the search found it, that each start needs.
enum class Start { ShortPath, FullPath, BootPath, BootPathBelow45, OldProtocol };

// The receiver before the update: for the short path it already holds the
// target's copy 2 and runs it; for the boot paths it has lost both copies
// and runs its boot code, of version 4.4 (so that the last 256 bytes are
// written) for the second; on the old protocol it runs version 3.0 build
// 27, which takes its code a block a call.
sim::Receiver Prepared(Start start, const FirmwareImage &target, const sim::ReceiverModel &model)
{
    BeforeUpdate before = BeforeUpdate::OwnFirmware();
    if (start == Start::ShortPath)
        before = BeforeUpdate::TargetCopy2Running();
    else if (start == Start::BootPath)
        before = BeforeUpdate::OnBootCode();
    else if (start == Start::BootPathBelow45)
        before = BeforeUpdate::OnBootCode().WithBootCode(4.4);
    else if (start == Start::OldProtocol)
        before = before.WithFirmware(3.0, 27);
    sim::Receiver receiver = before.Under(model).Make(kPid, target);
    receiver.keepLog = false;
    return receiver;
}

bool OnBootPath(Start start)
{
    return start == Start::BootPath || start == Start::BootPathBelow45;
}

QString PathName(Start start)
{
    switch (start) {
    case Start::ShortPath:
        return QStringLiteral("short path");
    case Start::FullPath:
        return QStringLiteral("full path");
    case Start::BootPath:
        return QStringLiteral("boot path");
    case Start::BootPathBelow45:
        return QStringLiteral("boot path from 4.4");
    case Start::OldProtocol:
        break;
    }
    return QStringLiteral("full path, old protocol");
}

// One update run on `computer`, aimed at `rule`; `arm` runs between the
// search's calls and the engine's first.
// -1: the receiver could not even be opened.
int EngineRun(sim::Receiver &receiver, const UpgradeRule &rule, UpdateRecord *computer,
              const std::function<void()> &arm = {})
{
    if (!OpenIntoReceiverState(receiver.pid)) {
        ReleaseReceiverState();
        return -1;
    }
    if (arm)
        arm();
    UpdateRun run(g_receiverState, computer, nullptr);
    run.AimAt(rule);
    const int result = run.Run();
    ReleaseReceiverState();
    return result;
}

// A slot holds a copy of the target: its code byte for byte, and its
// header as the engine writes it for the slot (the old layout differs
// only in the address and the sums), which the receiver takes.
bool SlotHolds(const sim::Receiver &receiver, int position, const FirmwareBlocks &target)
{
    const sim::Slot &slot = receiver.codeSlots[position - 1];
    const bool one = position == 1;
    const uint32_t size = one ? target.code1Size : target.code2Size;
    const QByteArray header = Bytes(one ? target.header1 : target.header2, 64);
    return slot.header.mid(4, 52) == header.mid(4, 52) && receiver.SlotIntact(position)
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
    const bool copies = SlotHolds(receiver, 1, blocks) && SlotHolds(receiver, 2, blocks);
    const bool bootRight = bootRewritten
        ? receiver.boot.left(int(blocks.bootSize)) == Bytes(blocks.bootCode, blocks.bootSize)
        : receiver.BootCodeIntact();
    // The running firmware's identity record is intact (its CRC covers the
    // whole code), so it is one of the target's copies when it names it.
    const bool runsTarget = receiver.running > 0 && receiver.runningIdentity.version == target.version
        && receiver.runningIdentity.build == target.build;
    if (runsTarget)
        return copies && bootRight && receiver.running == 1 ? kBothTarget : kTargetRunsOtherNot;
    *why = receiver.running == 0
        ? QStringLiteral("only the boot code runs")
        : QStringLiteral("copy %1 runs %2.%3").arg(receiver.running).arg(receiver.runningIdentity.version).arg(receiver.runningIdentity.build);
    return kTargetOutOfReach;
}

enum Rerun { kUpdated, kFailed, kNotOffered, kNotAccepted };

// Plugged in again, on a sound connection, and updated as a user would:
// the search, the tables and the history of `computer`, the update when
// one is offered.
Rerun Rerun(sim::Receiver &receiver, bool scrivetPack, UpdateRecord *computer, QString *what)
{
    receiver.unplugAtCall = 0;
    receiver.faults = {};
    receiver.Plug();
    enum Rerun outcome = kNotAccepted;
    *what = QStringLiteral("not accepted by the search");
    if (OpenIntoReceiverState(receiver.pid) && ReceiverSession().VersionSupported()) {
        g_receiverState.newPackSelected = scrivetPack;
        UpdateRun run(g_receiverState, computer, nullptr);
        const int result = run.Aim() ? run.Run() : -1;
        outcome = result == 0 ? kUpdated : result < 0 ? kNotOffered : kFailed;
        *what = result < 0 ? QStringLiteral("no update offered") : QStringLiteral("re-run returned %1").arg(result);
    }
    ReleaseReceiverState();
    return outcome;
}

void Count(Tally &tally, const sim::Receiver &receiver, const FirmwareImage &target, bool bootRewritten,
           enum Rerun rerun, const QString &cut, const QString &what)
{
    QString why;
    const Verdict verdict = Judge(receiver, target, bootRewritten, &why);
    ++tally.verdicts[verdict];
    if (verdict == kTargetOutOfReach && rerun == kNotAccepted)
        ++tally.refusedBySearch;
    if (verdict == kTargetRunsOtherNot && receiver.codeSlots[1].header != Bytes(target.blocks.header2, 64))
        ++tally.tellable;
    if (verdict != kBothTarget && tally.outOfReach.size() < 3)
        tally.outOfReach << QStringLiteral("%1: %2, %3").arg(cut, why.isEmpty() ? QStringLiteral("other copy not the target") : why, what);
}

QString Row(const sim::ReceiverModel &model, Start start, bool scrivetPack)
{
    return QStringLiteral("%1 | %2, %3").arg(model.Name(), PathName(start), scrivetPack ? "Scrivet Pack" : "Classic");
}

// Where the figures of a run go, for scripts/reliability-tables: the file
// named by ORVEX_RELIABILITY_FIGURES, if any.
void Note(const QString &figures)
{
    const QString file = qEnvironmentVariable("ORVEX_RELIABILITY_FIGURES");
    QFile out(file);
    if (!file.isEmpty() && out.open(QIODevice::Append))
        out.write(figures.toUtf8() + '\n');
}

int WritesSoFar(const sim::Receiver &receiver)
{
    return receiver.callCounts[sim::Op::WriteFlashHeader] + receiver.callCounts[sim::Op::WriteFlashCode]
        + receiver.callCounts[sim::Op::WriteFlashSector];
}

// A computer whose state folder cannot be used (a file stands in its
// place), so that its record goes to the cache folder: kept in memory
// where the system has a folder for that, for thousands of starts.
class UnusableStateFolder
{
public:
    UnusableStateFolder()
        : folder(QFileInfo(QStringLiteral("/dev/shm")).isDir() ? QStringLiteral("/dev/shm/orvex-campaign-XXXXXX")
                                                               : QDir::temp().filePath(QStringLiteral("orvex-campaign-XXXXXX")))
    {
        QFile(folder.filePath(QStringLiteral("state"))).open(QIODevice::WriteOnly);
    }
    QStringList Folders() const { return {folder.filePath(QStringLiteral("state")), folder.filePath(QStringLiteral("cache"))}; }

private:
    QTemporaryDir folder;
};

// Tells two records the same, and asks the first.
class BothRecords : public UpdateRecord
{
public:
    BothRecords(UpdateRecord &first, UpdateRecord &second) : first(first), second(second) {}
    std::optional<RecordedRun> LastRun(const std::function<bool(const RecordedRun &)> &concerns) override
    {
        return first.LastRun(concerns);
    }
    void RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path) override
    {
        first.RunBegins(receiver, target, path);
        second.RunBegins(receiver, target, path);
    }
    void StepCompleted(int step, const QString &line, const QString &path) override
    {
        first.StepCompleted(step, line, path);
        second.StepCompleted(step, line, path);
    }
    void RunEnds(int result, qint64 durationMs, const QString &path, int lastStep, const QString &lastStepLine) override
    {
        first.RunEnds(result, durationMs, path, lastStep, lastStepLine);
        second.RunEnds(result, durationMs, path, lastStep, lastStepLine);
    }
    void RunFoundComplete(const RecordedRun &) override {}
    void ReceiverFound() override {}
    void Offered(const ReceiverFacts &, const std::optional<TargetFacts> &) override {}
    bool Keeps() override { return true; }

private:
    UpdateRecord &first;
    UpdateRecord &second;
};

// Keeps stderr quiet while it lives: each start on the unusable folder
// says where its record went.
class QuietStderr
{
public:
    QuietStderr() : saved(::dup(STDERR_FILENO))
    {
        std::fflush(stderr);
        std::freopen("/dev/null", "w", stderr);
    }
    ~QuietStderr()
    {
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
    }

private:
    int saved;
};

} // namespace

Q_DECLARE_METATYPE(sim::ReceiverModel)
Q_DECLARE_METATYPE(Start)

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

// Every row is a receiver model, a start and a pack. Every cut point is
// re-run once, on this computer (its record holds the cut-off run) and on
// another (no record), and the row's tallies go to the figures file
// (scripts/reliability-tables prints them): the engine's calls, the runs
// (a cut at every call, and three tears of every call that carries data),
// and the verdicts: both copies the target with copy 1 running, the
// target running with the other copy not, the target out of reach (and of
// those, how many the search does not accept), bricked. What the row
// asserts are the invariants that matter, below.
void tst_Interruption::campaign_data()
{
    QTest::addColumn<sim::ReceiverModel>("model");
    QTest::addColumn<Start>("start");
    QTest::addColumn<bool>("scrivetPack");
    QTest::addColumn<int>("uninterrupted"); // result of a run left alone
    QTest::addColumn<bool>("finishes");     // the update can reach its end under this model

    // CTest runs the campaign in parts (ORVEX_CAMPAIGN_PART=k/n takes every
    // n-th row from the k-th), so that every core has a share of it. A part
    // that names no rows would pass having run nothing.
    const QStringList part = qEnvironmentVariable("ORVEX_CAMPAIGN_PART", "0/1").split(u'/');
    const int parts = part.size() == 2 ? part[1].toInt() : 0;
    const int ownPart = part.first().toInt();
    QVERIFY2(ownPart >= 0 && ownPart < parts, "ORVEX_CAMPAIGN_PART is k/n with 0 <= k < n");
    int index = 0;
    const auto row = [&](const sim::ReceiverModel &model, Start start, bool scrivetPack) {
        if (index++ % parts != ownPart)
            return;
        // From the boot code, a receiver that offers the other slot takes
        // copy 2 into slot 1 and ends the restart onto copy 2 with 13.
        const bool otherSlot = start == Start::BootPath && !model.bootCodeOffersAskedSlot;
        // A receiver that reports copy 1's version and already runs the
        // Classic target's copy 2 answers under an ID and version no table
        // names, so nothing is offered for it.
        const bool unnamed = start == Start::ShortPath && model.reportsCopy1Version && !scrivetPack;
        const QByteArray name = Row(model, start, scrivetPack).toUtf8();
        QTest::newRow(name.constData()) << model << start << scrivetPack << (otherSlot ? 13 : 0)
                                        << !(otherSlot || unnamed);
    };

    const QList<sim::ReceiverModel> models = sim::ReceiverModel::All();
    for (const sim::ReceiverModel &model : models) {
        for (const Start start : {Start::ShortPath, Start::FullPath, Start::BootPath}) {
            for (const bool scrivetPack : {true, false})
                row(model, start, scrivetPack);
        }
    }
    // Receivers below 4.5, and on the old flash protocol, under the
    // default model.
    for (const Start start : {Start::BootPathBelow45, Start::OldProtocol}) {
        for (const bool scrivetPack : {true, false})
            row(models.first(), start, scrivetPack);
    }
}

void tst_Interruption::campaign()
{
    QFETCH(sim::ReceiverModel, model);
    QFETCH(Start, start);
    QFETCH(bool, scrivetPack);
    QFETCH(int, uninterrupted);
    QFETCH(bool, finishes);
    ScopedVirtualClock clock;
    const UpgradeRule &rule = TargetRule(scrivetPack);
    const sim::Receiver before = Prepared(start, rule.target, model);
    const bool bootRewritten = OnBootPath(start);

    // A run left alone: its calls, from the engine's first.
    auto dry = sim::Bus::Instance().Attach(std::make_shared<sim::Receiver>(before));
    dry->keepLog = true;
    int firstEngineCall = 0;
    QCOMPARE(EngineRun(*dry, rule, nullptr, [&] { firstEngineCall = int(dry->log.size()); }), uninterrupted);
    const QList<sim::Call> engineCalls = dry->log.mid(firstEngineCall);
    // The engine begins and, when it gets there, ends by reading the version.
    QCOMPARE(engineCalls.first().op, sim::Op::GetVersion);
    if (uninterrupted == 0)
        QCOMPARE(engineCalls.last().op, sim::Op::GetVersion);
    sim::Bus::Instance().Reset();

    // The last write, and the last restart asked for (onto copy 1).
    int lastWrite = 0;
    int lastRestart = 0;
    for (int k = 1; k <= engineCalls.size(); ++k) {
        const sim::Op op = engineCalls[k - 1].op;
        if (op == sim::Op::WriteFlashHeader || op == sim::Op::WriteFlashCode || op == sim::Op::WriteFlashSector)
            lastWrite = k;
        if (op == sim::Op::RestartWithCodeInPosition)
            lastRestart = k;
    }

    int runs = 0;
    Tally onThisComputer;
    Tally onAnother;
    // Where the receiver's own check covers the whole code, this computer
    // is tried a second time, with its state folder unusable.
    const bool withUnusableFolder = model.checksWholeCode;
    Tally onUnusableFolder;
    // Re-runs that wrote to a receiver whose every write was done, more
    // than the short path's one copy, or anything once copy 1 was asked
    // for; with the first few cuts.
    int rewrites = 0;
    QStringList rewritten;
    const QuietStderr quiet;
    for (int k = 1; k <= engineCalls.size(); ++k) {
        const int size = engineCalls[k - 1].data.size();
        QList<int> tears = {-1};
        if (size > 0)
            tears << 1 << size / 2 << size - 1;
        for (const int tear : tears) {
            ++runs;
            MemoryRecord thisComputer;
            std::optional<UnusableStateFolder> unusable;
            std::optional<Record> unusableRecord;
            if (withUnusableFolder) {
                unusable.emplace();
                unusableRecord.emplace(unusable->Folders());
            }
            BothRecords both(thisComputer, unusableRecord ? static_cast<UpdateRecord &>(*unusableRecord) : thisComputer);
            auto receiver = sim::Bus::Instance().Attach(std::make_shared<sim::Receiver>(before));
            EngineRun(*receiver, rule, withUnusableFolder ? static_cast<UpdateRecord *>(&both) : &thisComputer, [&] {
                receiver->unplugAtCall = receiver->calls + k;
                receiver->tornWriteBytes = tear;
            });
            // The index lands on the call it names, and so does the tear.
            QVERIFY2(receiver->unpluggedDuring == engineCalls[k - 1].op,
                     qPrintable(QStringLiteral("call %1: %2").arg(k).arg(sim::OpName(engineCalls[k - 1].op))));
            QCOMPARE(receiver->tornBytesLanded, qMax(tear, 0));
            const QString cut = QStringLiteral("call %1 %2%3")
                                    .arg(k)
                                    .arg(sim::OpName(engineCalls[k - 1].op))
                                    .arg(tear < 0 ? QString() : QStringLiteral(" torn at %1").arg(tear));

            // The same receiver taken to another computer, with no
            // history, and started again on this one with its state
            // folder unusable (a fresh start of the updater: a new record).
            auto elsewhereReceiver = sim::Bus::Instance().Attach(std::make_shared<sim::Receiver>(*receiver));
            const auto rerun = [&](sim::Receiver &cutOff, UpdateRecord *computer, Tally &tally) {
                const int writesBefore = WritesSoFar(cutOff);
                const int headersBefore = cutOff.callCounts[sim::Op::WriteFlashHeader];
                QString what;
                const enum Rerun outcome = Rerun(cutOff, scrivetPack, computer, &what);
                Count(tally, cutOff, rule.target, bootRewritten, outcome, cut, what);
                const int written = WritesSoFar(cutOff) - writesBefore;
                const int headers = cutOff.callCounts[sim::Op::WriteFlashHeader] - headersBefore;
                // Every write done: at most the short path's one copy;
                // copy 1 asked for: nothing. Not from boot code below 4.5,
                // which took copy 2 with its header in the old layout:
                // the copy-2 sums the receiver reports then never match
                // the target's, and the full path writes it anew.
                const bool tooMuch = uninterrupted == 0 && start != Start::BootPathBelow45
                    && ((k > lastRestart && written > 0) || (k > lastWrite && headers > 1));
                if (tooMuch && ++rewrites <= 3)
                    rewritten << QStringLiteral("%1: %2 writes").arg(cut).arg(written);
                QCOMPARE(cutOff.violations, QStringList());
                // Out of the way of the next re-run, which finds its
                // receiver by product ID.
                cutOff.Unplug();
            };
            rerun(*elsewhereReceiver, nullptr, onAnother);
            if (withUnusableFolder) {
                auto unusableReceiver = sim::Bus::Instance().Attach(std::make_shared<sim::Receiver>(*receiver));
                unusableRecord.reset();
                Record nextStart(unusable->Folders());
                rerun(*unusableReceiver, &nextStart, onUnusableFolder);
            }
            rerun(*receiver, &thisComputer, onThisComputer);
            sim::Bus::Instance().Reset();
        }
    }

    for (const auto &[computer, tally] : {std::pair{"this computer", &onThisComputer}, std::pair{"another computer", &onAnother},
                                          std::pair{"this computer, state folder unusable", &onUnusableFolder}}) {
        if (tally == &onUnusableFolder && !withUnusableFolder)
            continue;
        QStringList columns{Row(model, start, scrivetPack), QLatin1String(computer), QString::number(engineCalls.size()),
                            QString::number(runs)};
        for (const int n : tally->Columns())
            columns << QString::number(n);
        Note(QStringLiteral("campaign\t") + columns.join(QLatin1Char('\t')));
    }
    // What did not end with both copies the target, for the first few cuts.
    const QString unfinished = (onThisComputer.outOfReach + onAnother.outOfReach + onUnusableFolder.outOfReach)
                                   .join(QStringLiteral("; "));
    QVERIFY2(rewrites == 0, qPrintable(QStringLiteral("%1 re-runs wrote to a whole receiver: ").arg(rewrites)
                                       + rewritten.join(QStringLiteral("; "))));

    // Only the boot-code write bricks, and as its write order forces: the
    // boot code is damaged from sector 0 torn at 32 or 63 bytes (torn at 1
    // byte it rewrites the same byte), through sectors 1 to 13 from their
    // write mode to their tear (5 points each), until the ten code bytes
    // of sector 14 land (its write mode, the write, the tear at 1 byte).
    // Where a header alone makes a copy bootable, copy 2 written into the
    // slot the receiver starts from bricks it too, until its code is whole.
    constexpr int kBootCodeBricks = 2 + 13 * 5 + 3;
    const int bricked = onThisComputer.verdicts[kBricked];
    QCOMPARE(onAnother.verdicts[kBricked], bricked);
    if (withUnusableFolder)
        QCOMPARE(onUnusableFolder.verdicts[kBricked], bricked);
    if (!bootRewritten)
        QCOMPARE(bricked, 0);
    else if (model.checksWholeCode)
        QCOMPARE(bricked, kBootCodeBricks);
    else
        QVERIFY2(bricked >= kBootCodeBricks, qPrintable(QString::number(bricked)));

    // On this computer every run that is not bricked ends with both copies
    // the target and copy 1 running, or the receiver still runs firmware
    // the search does not take (it was never changed: below 6.0).
    const int notBricked = runs - bricked;
    const auto untouched = [](const Tally &tally) { return tally.refusedBySearch; };
    // Where the update cannot reach its end, only the bricks are held.
    if (finishes) {
        for (const Tally *tally : {&onThisComputer, &onUnusableFolder}) {
            if (tally == &onUnusableFolder && !withUnusableFolder)
                continue;
            QVERIFY2(tally->verdicts[kBothTarget] + untouched(*tally) == notBricked,
                     qPrintable(QStringLiteral("this computer: ") + unfinished));
            QCOMPARE(tally->verdicts[kTargetOutOfReach], untouched(*tally));
        }
        // What is left with the target running and the other copy not
        // cannot be told through the device interface: copy 1 runs it,
        // and copy 2's header is the target's (its code is not whole).
        for (const Tally *tally : {&onThisComputer, &onAnother, &onUnusableFolder})
            QCOMPARE(tally->tellable, 0);
        // Another computer knows nothing of the cut, yet never leaves the
        // target out of reach where this one does not.
        QVERIFY2(onAnother.verdicts[kTargetOutOfReach] == untouched(onAnother)
                     && untouched(onAnother) == untouched(onThisComputer),
                 qPrintable(QStringLiteral("another computer: ") + unfinished));
    }
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
    int notFinished = 0;
    int retried = 0;
    for (int seed = 1; seed <= runs; ++seed) {
        std::mt19937 random{quint32(seed)};
        const auto chance = [&random](int percent) { return int(random() % 100) < percent; };
        ScopedVirtualClock clock;
        const bool scrivetPack = chance(50);
        const UpgradeRule &rule = TargetRule(scrivetPack);
        const Start start = std::array{Start::ShortPath, Start::FullPath, Start::BootPath}.at(random() % 3);
        auto receiver = sim::Bus::Instance().Attach(std::make_shared<sim::Receiver>(Prepared(start, rule.target, model)));
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
        // Five restarts at most (two before the path, three on it), each
        // waiting, reconnecting to the limit and settling; the flash
        // information's pauses; a retry pause before each copy write.
        using U = FirmwareUpdater;
        const qint64 bound = 5 * (receiver->restartTimeMs + U::kPidChangeExtraMs + U::kReconnectLimitMs
                                  + U::kReconnectPauseMs + U::kSettleAfterReconnectMs)
            + U::kFlashInfoFailures * U::kFlashInfoPauseMs + 3 * U::kRetryPauseMs;
        MemoryRecord thisComputer;
        const int result = EngineRun(*receiver, rule, &thisComputer);
        ++results[result];
        const QString where = QStringLiteral("seed %1, %2").arg(seed).arg(PathName(start));
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
        // The user tries again as the box says, until an update ends well.
        enum Rerun outcome = result == 0 ? kUpdated : kFailed;
        int retries = 0;
        for (; outcome == kFailed && retries < kRetries; ++retries) {
            // A receiver already whole is never written again.
            QString why;
            const bool whole = Judge(*receiver, rule.target, OnBootPath(start), &why) == kBothTarget;
            const int writesBefore = WritesSoFar(*receiver);
            QString what;
            outcome = Rerun(*receiver, scrivetPack, &thisComputer, &what);
            if (whole)
                QVERIFY2(WritesSoFar(*receiver) == writesBefore, qPrintable(where + QStringLiteral(": a whole receiver written")));
        }
        receiver->Plug();
        if (receiver->running == sim::Receiver::kDead) {
            ++bricked;
            brickedOffBootPath += OnBootPath(start) ? 0 : 1;
            // Where only header sums decide, a silently damaged copy boots
            // and crashes: only the receiver's own check could catch it.
            QVERIFY2(OnBootPath(start) || !model.checksWholeCode, qPrintable(where + QStringLiteral(": bricked")));
            sim::Bus::Instance().Reset();
            continue;
        }
        QString why;
        const bool finished = Judge(*receiver, rule.target, OnBootPath(start), &why) == kBothTarget;
        notFinished += finished ? 0 : 1;
        retried += retries;
        // Outside the boot code's own bricks, the retries finish every
        // update wherever the boot path can finish.
        if (model == sim::ReceiverModel())
            QVERIFY2(finished, qPrintable(QStringLiteral("%1: after %2 retries, %3").arg(where).arg(retries).arg(why)));
        sim::Bus::Instance().Reset();
    }
    QStringList counts;
    for (auto it = results.cbegin(); it != results.cend(); ++it)
        counts << QStringLiteral("%1 ×%2").arg(it.key()).arg(it.value());
    Note(QStringList{QStringLiteral("random"), model.Name(), QString::number(runs), QString::number(bricked),
                     QString::number(brickedOffBootPath), QString::number(retried), QString::number(notFinished),
                     counts.join(QStringLiteral(", "))}
             .join(QLatin1Char('\t')));
}

QTEST_MAIN(tst_Interruption)
#include "tst_interruption.moc"
