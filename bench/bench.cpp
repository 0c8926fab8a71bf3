// Figures of cost: engine overhead, wall time against the waits the
// sequence prescribes, start-up beside a bare QWizard, flash traffic.
// Run: build/bench/orvex-bench (takes about half a minute).

#include "catalogue.h"
#include "clock.h"
#include "firmwareupdater.h"
#include "receiver.h"
#include "scenario.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace {

constexpr quint32 kPid = 0x1317;
constexpr int kOverheadRuns = 200;
constexpr int kStartupRuns = 9;

QTextStream out(stdout);

// The real clock, adding up every wait asked of it and the device's time.
class CountingClock : public RealClock
{
public:
    void Wait(int ms) override
    {
        waitedMs += ms;
        RealClock::Wait(ms);
    }
    void Sleep(int ms) override
    {
        waitedMs += ms;
        RealClock::Sleep(ms);
    }
    qint64 waitedMs = 0;
};

const UpgradeRule &Rule()
{
    return ScrivetPackTable().rules[6]; // A7: full path for the default receiver
}

// One full-path update of a fresh receiver; returns its result.
int FullPathRun(int latencyMs, int restartMs, std::shared_ptr<sim::Receiver> *used = nullptr)
{
    sim::Bus::Instance().Reset();
    auto receiver = sim::Bus::Instance().Attach(sim::MakeReceiver(kPid, 6.01, 81, 2));
    receiver->latencyMs = latencyMs;
    receiver->restartTimeMs = restartMs;
    receiver->keepLog = used != nullptr;
    ReceiverState state;
    LookForOrvexWithSpecifiedPID(int(kPid), 0, &state.commandHandler, &state.portManager, 0);
    state.commandHandler->GetVersion(state.versionInfo);
    state.pid = int32_t(kPid);
    FirmwareUpdater updater;
    updater.Load(state, nullptr);
    updater.target = &Rule().target;
    const int result = updater.RunFlashUpgrade();
    state.portManager->ClosePort();
    DeletePortManager(state.portManager);
    DeleteCommandHandler(state.commandHandler);
    if (used)
        *used = receiver;
    return result;
}

void EngineOverhead()
{
    ScopedVirtualClock clock;
    const std::clock_t start = std::clock();
    for (int i = 0; i < kOverheadRuns; ++i)
        FullPathRun(0, 0);
    const double cpuMs = 1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC / kOverheadRuns;
    out << "engine overhead: " << QString::number(cpuMs, 'f', 3)
        << " ms CPU per full-path run (zero-latency receiver, waits skipped; includes the simulator)\n";
}

void WallAgainstWaits()
{
    CountingClock clock;
    Clock::SetCurrent(&clock);
    QElapsedTimer wall;
    wall.start();
    FullPathRun(3, 2000);
    const qint64 elapsed = wall.elapsed();
    Clock::SetCurrent(nullptr);
    out << "full-path run, 3 ms per call, 2000 ms restarts: " << elapsed << " ms wall, "
        << clock.waitedMs << " ms of prescribed waits and device time, ratio "
        << QString::number(double(elapsed) / double(clock.waitedMs), 'f', 4) << "\n";
}

void FlashTraffic()
{
    ScopedVirtualClock clock;
    std::shared_ptr<sim::Receiver> receiver;
    FullPathRun(0, 0, &receiver);
    qint64 codeCalls = 0;
    for (const sim::Call &call : receiver->log) {
        if (call.op == sim::Op::WriteFlashCode)
            ++codeCalls;
    }
    const FirmwareBlocks &b = Rule().target.blocks;
    const double kb = (2.0 * b.code2Size + b.code1Size) / 1024.0;
    out << "flash traffic, full path: " << receiver->log.size() << " library calls, " << codeCalls
        << " code writes for " << QString::number(kb, 'f', 1) << " KB of code: "
        << QString::number(codeCalls / kb, 'f', 2) << " code calls/KB (floor "
        << QString::number(1024.0 / 320.0, 'f', 2) << "), "
        << QString::number(receiver->log.size() / kb, 'f', 2) << " calls/KB in all\n";
}

// Median start-up time (ms) and peak RSS (kB) of a program.
QPair<double, qint64> StartUp(const QString &program)
{
    QList<double> times;
    QList<qint64> peaks;
    QTemporaryDir folder;
    for (int i = 0; i < kStartupRuns; ++i) {
        const QString probe = folder.filePath(QStringLiteral("probe"));
        QFile::remove(probe);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
        environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(ORVEX_PROBE_PATH));
        environment.insert(QStringLiteral("ORVEX_PROBE_FILE"), probe);
        environment.insert(QStringLiteral("ORVEX_SIM_SCENARIO"), QStringLiteral("no-receiver"));
        process.setProcessEnvironment(environment);
        process.setStandardErrorFile(QProcess::nullDevice());
        const auto started = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        process.start(program, {});
        process.waitForFinished(30000);
        QFile result(probe);
        if (!result.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> fields = result.readAll().split(' ');
        times << (fields.value(0).toLongLong() - started.count()) / 1000.0;
        peaks << fields.value(1).toLongLong();
    }
    std::sort(times.begin(), times.end());
    std::sort(peaks.begin(), peaks.end());
    return {times.value(times.size() / 2), peaks.value(peaks.size() / 2)};
}

void StartUpFigures()
{
    const auto updater = StartUp(QStringLiteral(ORVEX_UPDATER_PATH));
    const auto bare = StartUp(QStringLiteral(ORVEX_BARE_WIZARD_PATH));
    out << "start-up to the first shown window (median of " << kStartupRuns << ", offscreen): updater "
        << QString::number(updater.first, 'f', 1) << " ms, bare QWizard "
        << QString::number(bare.first, 'f', 1) << " ms, ratio "
        << QString::number(updater.first / bare.first, 'f', 2) << "\n"
        << "peak RSS then: updater " << updater.second << " kB, bare QWizard " << bare.second
        << " kB, ratio " << QString::number(double(updater.second) / double(bare.second), 'f', 2) << "\n";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    EngineOverhead();
    FlashTraffic();
    WallAgainstWaits();
    StartUpFigures();
    out.flush();
    return 0;
}
