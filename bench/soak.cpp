// The command line's batch over a long box of receivers, in one process,
// as bench/report quotes it in docs/performance.md.
// - 1,000 receivers on the virtual clock, a tenth of them cut at a random
//   call on their first plug and plugged in again twenty turns later:
//   how each receiver ends (judged when it leaves the box for good),
//   memory and open descriptors between receivers (once the last one is
//   gone, before the next: the box's receivers are not the updater's),
//   the median of the 21 turns up to turn 100 and of the last 21, the
//   record's files against their bounds, CPU per receiver. Memory is the
//   heap in use by malloc's own count (bench/report runs it without
//   malloc's per-thread cache, whose chunks would count as in use), and
//   resident memory, which holds what the allocator keeps for reuse. The
//   receivers that wait to come back wait in files.
// - A few receivers on the real clock: wall time per receiver against the
//   waits the program asks for and the simulated device's time.
// Run: build/bench/orvex-soak [receivers, default 1000] (about a minute).

#include "catalogue.h"
#include "clock.h"
#include "countingclock.h"
#include "commandline.h"
#include "history.h"
#include "retention.h"
#include "simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QDataStream>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <malloc.h>
#include <random>

namespace {

QTextStream out(stdout);

constexpr int kCutPercent = 10;
constexpr int kComesBackAfter = 20; // turns
constexpr int kRealClockReceivers = 3;


qint64 StatusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

int OpenDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

qint64 FolderBytes(const QString &folder)
{
    qint64 bytes = 0;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        files.next();
        bytes += files.fileInfo().size();
    }
    return bytes;
}

double CpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// The receivers of the box: 0x1317 at 6.01 build 81 (A7, the full path)
// and 0x1311 at 6.00 build 5 (A1), both on copy 2.
struct Kind {
    quint32 pid;
    double version;
    qint32 build;
    const char *rule;
};
const Kind kKinds[] = {{0x1317, 6.01, 81, "A7"}, {0x1311, 6.00, 5, "A1"}};

const FirmwareBlocks &TargetOf(const Kind &kind)
{
    const UpgradeTable &table = ScrivetPackTable();
    const int index = QString::fromLatin1(kind.rule).mid(1).toInt() - 1;
    return table.rules[index].target.blocks;
}

bool Holds(const sim::Receiver &receiver, int position, const FirmwareBlocks &target)
{
    const sim::Slot &slot = receiver.codeSlots[position - 1];
    const bool one = position == 1;
    const uint32_t size = one ? target.code1Size : target.code2Size;
    return slot.header == QByteArray(reinterpret_cast<const char *>(one ? target.header1 : target.header2), 64)
        && slot.code.left(int(size)) == QByteArray(reinterpret_cast<const char *>(one ? target.code1 : target.code2), int(size));
}

void Soak(int receivers)
{
    VirtualClock clock;
    Clock::SetCurrent(&clock);
    std::mt19937 random(1);
    // Turns: every receiver once, a cut one again kComesBackAfter turns on.
    QList<int> turns;
    QList<int> cut;
    for (int i = 0; i < receivers; ++i) {
        turns << i;
        if (int(random() % 100) < kCutPercent)
            cut << i;
    }
    for (const int i : cut)
        turns.insert(qMin(int(turns.indexOf(i)) + kComesBackAfter, int(turns.size())), i);
    QList<int> turnsLeft(receivers, 1);
    for (const int i : cut)
        turnsLeft[i] = 2;

    QHash<int, std::shared_ptr<sim::Receiver>> made;
    // Cut receivers between their turns, saved to files: the box's
    // receivers must not sit in the updater's memory while they wait.
    QTemporaryDir waiting;
    const auto waitingFile = [&waiting](int i) { return waiting.filePath(QString::number(i)); };
    struct Sample {
        qint64 heapKb;
        qint64 rssKb;
        qint64 anonymousKb; // of it, the heap's and stacks' (the rest maps files: code, data)
        int descriptors;
    };
    QList<Sample> betweenReceivers; // [n]: n receivers gone, the next not yet in
    // Made whole before the batch: the samples are no part of its memory.
    betweenReceivers.reserve(turns.size() + 1);
    const auto sample = [&] {
        betweenReceivers << Sample{qint64(mallinfo2().uordblks) / 1024, StatusKb("VmRSS:"), StatusKb("RssAnon:"), OpenDescriptors()};
    };
    QHash<int, qint64> cutAt;
    int both = 0;
    int judged = 0;
    int bricked = 0;
    QStringList notWhole;
    sim::Box box;
    box.turns = int(turns.size());
    box.receiverAt = [&](int turn) {
        sample();
        const int i = turns.at(turn);
        QFile saved(waitingFile(i));
        if (saved.open(QIODevice::ReadOnly)) {
            QDataStream in(&saved);
            auto receiver = std::make_shared<sim::Receiver>();
            receiver->Read(in);
            receiver->keepLog = false;
            receiver->Plug();
            saved.remove();
            made.insert(i, receiver);
        } else if (!made.contains(i)) {
            const Kind &kind = kKinds[i % 2];
            auto receiver = sim::MakeReceiver(kind.pid, kind.version, kind.build, 2);
            receiver->keepLog = false;
            if (cut.contains(i)) {
                receiver->unplugAtCall = 5 + int(random() % 250);
                cutAt.insert(i, receiver->unplugAtCall);
                receiver->tornWriteBytes = int(random() % 2) ? int(random() % 320) : -1;
            }
            made.insert(i, receiver);
        }
        return made.value(i);
    };
    box.pulled = [&](int turn, const std::shared_ptr<sim::Receiver> &receiver) {
        const int i = turns.at(turn);
        if (--turnsLeft[i] > 0) {
            QFile saved(waitingFile(i));
            saved.open(QIODevice::WriteOnly);
            QDataStream out(&saved);
            receiver->Write(out);
            made.remove(i);
            return;
        }
        ++judged;
        receiver->Plug();
        const FirmwareBlocks &target = TargetOf(kKinds[i % 2]);
        if (receiver->running == sim::Receiver::kDead)
            ++bricked;
        else if (receiver->running == 1 && Holds(*receiver, 1, target) && Holds(*receiver, 2, target))
            ++both;
        else if (notWhole.size() < 5)
            notWhole << QStringLiteral("receiver %1 (cut at call %2): copy %3 runs %4.%5, copy 1 %6, copy 2 %7")
                            .arg(i)
                            .arg(cutAt.value(i))
                            .arg(receiver->running)
                            .arg(receiver->runningIdentity.version)
                            .arg(receiver->runningIdentity.build)
                            .arg(Holds(*receiver, 1, target) ? "the target" : "not")
                            .arg(Holds(*receiver, 2, target) ? "the target" : "not");
        made.remove(i);
    };
    sim::Bus::Instance().UseBox(box);

    QTemporaryDir folder;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
    qputenv("XDG_STATE_HOME", QFile::encodeName(folder.filePath(QStringLiteral("state"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(folder.filePath(QStringLiteral("cache"))));
    QFile discard(QStringLiteral("/dev/null"));
    discard.open(QIODevice::WriteOnly);
    QTextStream quiet(&discard);
    QTextStream in(stdin);
    CommandLineContext context;
    context.out = &quiet;
    context.err = &quiet;
    context.in = &in;
    const double cpuBefore = CpuSeconds();
    const int status = RunCommandLine({QStringLiteral("batch"), QStringLiteral("--pack"), QStringLiteral("scrivet"),
                                       QStringLiteral("--count"), QString::number(turns.size()), QStringLiteral("--json")},
                                      context);
    const double cpu = CpuSeconds() - cpuBefore;
    // The last receiver leaves the box too.
    clock.Wait(box.unplugAfterMs);
    sim::Bus::Instance().MoveBoxOn();
    sample();
    Clock::SetCurrent(nullptr);

    const QString record = folder.filePath(QStringLiteral("state/orvex-updater"));
    const qint64 history = QFileInfo(QDir(record).filePath(QLatin1String(History::kFileName))).size();
    // Medians of 21 turns, against which receiver happens to be cut then.
    const auto median = [&](int until, qint64 Sample::*field) {
        QList<qint64> values;
        for (int n = qMax(0, until - 20); n <= until && n < betweenReceivers.size(); ++n)
            values << betweenReceivers[n].*field;
        std::sort(values.begin(), values.end());
        return values.isEmpty() ? qint64(-1) : values[values.size() / 2];
    };
    const int end = int(betweenReceivers.size()) - 1;
    const Sample first = betweenReceivers.value(1);
    const auto medians = [&](int until) {
        return Sample{median(until, &Sample::heapKb), median(until, &Sample::rssKb), median(until, &Sample::anonymousKb),
                      betweenReceivers.value(until).descriptors};
    };
    const Sample hundredth = medians(100);
    const Sample last = medians(end);
    const auto growth = [](qint64 from, qint64 to) { return 100.0 * double(to - from) / double(from); };
    out << "batch of " << receivers << " receivers on the virtual clock, " << cut.size() << " cut on their first plug and "
        << "plugged in again " << kComesBackAfter << " turns later (" << turns.size() << " turns), exit status " << status << ":\n";
    out << "  ended with both copies the target, copy 1 running: " << both << " of " << judged << "; bricked " << bricked
        << (notWhole.isEmpty() ? QString() : QStringLiteral("; not whole: ") + notWhole.join(QStringLiteral(", "))) << "\n";
    out << Qt::fixed << qSetRealNumberPrecision(2) << "  the updater's heap in use between receivers, after 1: " << first.heapKb
        << " kB, 100: " << hundredth.heapKb << " kB, " << end << ": " << last.heapKb << " kB ("
        << growth(hundredth.heapKb, last.heapKb) << " % from 100 on)\n";
    out << "  resident memory between receivers, after 1: " << first.rssKb << " kB, 100: " << hundredth.rssKb << " kB, "
        << end << ": " << last.rssKb << " kB (" << growth(hundredth.rssKb, last.rssKb) << " % from 100 on); of it anonymous: "
        << first.anonymousKb << ", " << hundredth.anonymousKb << ", " << last.anonymousKb << " kB ("
        << growth(hundredth.anonymousKb, last.anonymousKb) << " %)\n";
    out << "  open descriptors after receiver 1: " << first.descriptors << ", 100: " << hundredth.descriptors << ", "
        << end << ": " << last.descriptors << "\n";
    out << "  record: history " << history << " bytes (bound " << History::kMaxBytes << "), folder " << FolderBytes(record)
        << " bytes (bound " << retention::kFolderBytes << ")\n";
    out << "  CPU per turn: " << qSetRealNumberPrecision(2) << 1000.0 * cpu / double(turns.size()) << " ms\n";
    out.flush();
}

// Receivers on the real clock: the program's own time on top of its waits.
void RealClockBatch()
{
    CountingClock clock;
    sim::Box box;
    box.turns = kRealClockReceivers;
    // A technician's hands: longer than the updater takes to see a
    // receiver gone.
    box.plugAfterMs = 3000;
    box.unplugAfterMs = 1000;
    box.receiverAt = [](int) {
        auto receiver = sim::MakeReceiver(0x1317, 6.01, 81, 2);
        receiver->keepLog = false;
        return receiver;
    };
    sim::Bus::Instance().UseBox(box);
    QFile discard(QStringLiteral("/dev/null"));
    discard.open(QIODevice::WriteOnly);
    QTextStream quiet(&discard);
    QTextStream in(stdin);
    CommandLineContext context;
    context.out = &quiet;
    context.err = &quiet;
    context.in = &in;
    QElapsedTimer wall;
    wall.start();
    RunCommandLine({QStringLiteral("batch"), QStringLiteral("--pack"), QStringLiteral("scrivet"), QStringLiteral("--count"),
                    QString::number(kRealClockReceivers)},
                   context);
    const qint64 wallMs = wall.elapsed();
    out << "batch of " << kRealClockReceivers << " receivers on the real clock (3 ms a call, 2000 ms restarts): waits asked for "
        << "and device time " << clock.waitedMs / kRealClockReceivers << " ms a receiver, wall " << wallMs / kRealClockReceivers
        << " ms a receiver; ratio " << qSetRealNumberPrecision(4) << double(wallMs) / double(clock.waitedMs) << "\n";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const int receivers = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    Soak(receivers);
    RealClockBatch();
    return 0;
}
