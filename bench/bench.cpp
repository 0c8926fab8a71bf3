// Figures of cost; bench/report puts them into docs/performance.md.
// - Start-up beside a bare QWizard, in interleaved pairs, for the program
//   as packaged (stripped) and as built: time to the end of the first
//   paint and peak resident set size, medians and the ratio's range.
// - Each start-up step of the packaged program, from its debug lines.
// - The version read in process.
// - The engine driving the update page's real progress bar: CPU per
//   full-path run, and wall time against the waits the sequence
//   prescribes plus the simulated device's time.
// - Flash traffic.
// - A close request during a restart, typed into the real window on the
//   real clock: the time until the page's notice shows.
// Run: build/bench/orvex-bench (about a minute).

#include "catalogue.h"
#include "configwizard.h"
#include "clock.h"
#include "countingclock.h"
#include "firmwareupdater.h"
#include "pageids.h"
#include "progressbarview.h"
#include "receiversession.h"
#include "simulator.h"
#include "updaterun.h"
#include "startup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace {

constexpr quint32 kPid = 0x1317;
constexpr int kPairs = 31;
constexpr int kEngineRuns = 50;
constexpr int kWallRuns = 3;
constexpr int kVersionReads = 200;

QTextStream out(stdout);


double Median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.size() % 2 ? values[values.size() / 2]
                             : (values[values.size() / 2 - 1] + values[values.size() / 2]) / 2;
}

QString Fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// "median M (min to max)"
QString Spread(const QList<double> &values, int decimals)
{
    if (values.isEmpty())
        return QStringLiteral("no figures");
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return QStringLiteral("median %1 (%2 to %3)")
        .arg(Fixed(Median(values), decimals), Fixed(*low, decimals), Fixed(*high, decimals));
}

const UpgradeRule &Rule()
{
    return ScrivetPackTable().rules[6]; // A7: full path for the default receiver
}

// The update page's bar and restart line, shown, as the engine drives them.
struct Bar {
    Bar()
    {
        auto *layout = new QVBoxLayout(&window);
        bar = new QProgressBar(&window);
        bar->setTextVisible(false);
        layout->addWidget(bar);
        restartLine = new QLabel(&window);
        layout->addWidget(restartLine);
        window.resize(410, 90);
        window.show();
        QCoreApplication::processEvents();
        view = std::make_unique<ProgressBarView>(bar, restartLine);
    }
    QWidget window;
    QProgressBar *bar = nullptr;
    QLabel *restartLine = nullptr;
    std::unique_ptr<ProgressBarView> view;
};

// One full-path update of a fresh receiver, reporting to `bar`.
int FullPathRun(int latencyMs, int restartMs, Bar *bar, std::shared_ptr<sim::Receiver> *used = nullptr)
{
    sim::Bus::Instance().Reset();
    auto receiver = sim::Bus::Instance().Attach(sim::MakeReceiver(kPid, 6.01, 81, 2));
    receiver->latencyMs = latencyMs;
    receiver->restartTimeMs = restartMs;
    receiver->keepLog = used != nullptr;
    ReceiverState state;
    ReceiverSession session(state);
    session.Open(int(kPid));
    session.ReadVersion();
    state.pid = int32_t(kPid);
    UpdateRun run(state, nullptr, bar ? bar->view.get() : nullptr);
    run.AimAt(Rule());
    if (bar)
        bar->bar->setValue(0);
    const int result = run.Run();
    session.Release();
    if (used)
        *used = receiver;
    return result;
}

// What the probe saw of one start: microseconds from the start for each
// event it noted, and the peak RSS in kB.
struct Start {
    QList<QPair<QByteArray, double>> events;
    double paintedMs = 0;
    double cpuMs = 0;
    double rssKb = 0;
};

bool StartOnce(const QString &command, const QTemporaryDir &folder, Start *start)
{
    const QString program = command.section(QLatin1Char(' '), 0, 0);
    const QStringList arguments = command.section(QLatin1Char(' '), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString probe = folder.filePath(QStringLiteral("probe"));
    QFile::remove(probe);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    environment.insert(QStringLiteral("XDG_STATE_HOME"), folder.filePath(QStringLiteral("state")));
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(ORVEX_PROBE_PATH));
    environment.insert(QStringLiteral("ORVEX_PROBE_FILE"), probe);
    environment.insert(QStringLiteral("ORVEX_SIM_SCENARIO"), QStringLiteral("no-receiver"));
    process.setProcessEnvironment(environment);
    process.setStandardErrorFile(QProcess::nullDevice());
    const qint64 startedUs = std::chrono::duration_cast<std::chrono::microseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    process.start(program, arguments);
    process.waitForFinished(30000);
    QFile result(probe);
    if (!result.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : result.readAll().split('\n')) {
        const qsizetype blank = line.indexOf(' ');
        if (blank < 0)
            continue;
        const QByteArray first = line.left(blank);
        const QByteArray rest = line.mid(blank + 1);
        if (first == "rss")
            start->rssKb = rest.toDouble();
        else if (first == "cpu")
            start->cpuMs = rest.toDouble() / 1000.0;
        else
            start->events.append({rest, (first.toLongLong() - startedUs) / 1000.0});
    }
    for (const auto &event : start->events) {
        if (event.first == "painted")
            start->paintedMs = event.second;
    }
    return start->paintedMs > 0;
}

// A copy stripped as the package strips it, with its catalogues.
QString Stripped(const QString &program, const QString &into)
{
    QDir(into).mkpath(QStringLiteral("."));
    const QString copy = QDir(into).filePath(QFileInfo(program).fileName());
    QFile::copy(program, copy);
    const QDir catalogues(QFileInfo(program).dir().filePath(QStringLiteral("Translations")));
    if (catalogues.exists()) {
        QDir(into).mkpath(QStringLiteral("Translations"));
        for (const QString &name : catalogues.entryList(QDir::Files))
            QFile::copy(catalogues.filePath(name), QDir(into).filePath(QStringLiteral("Translations/") + name));
    }
    QProcess::execute(QStringLiteral("strip"), {copy});
    return copy;
}

struct Flavour {
    QString label;
    QString yardstick;
    QString updater;
    QString bare;
    QList<Start> updaterStarts = {};
    QList<Start> bareStarts = {};
};

// One figure of every start, and its ratio pair by pair.
QList<double> Of(const QList<Start> &starts, double Start::*figure)
{
    QList<double> values;
    for (const Start &start : starts)
        values << start.*figure;
    return values;
}

QList<double> Ratios(const Flavour &f, double Start::*figure)
{
    QList<double> ratios;
    for (int i = 0; i < f.updaterStarts.size(); ++i)
        ratios << f.updaterStarts[i].*figure / f.bareStarts[i].*figure;
    return ratios;
}

// Start-up of the updater and of the bare wizard in interleaved pairs,
// the flavours interleaved too, so that drift lands on both alike.
void StartUp(QList<Flavour> &flavours)
{
    QTemporaryDir folder;
    for (int i = 0; i < kPairs; ++i) {
        for (Flavour &f : flavours) {
            Start a, b;
            if (!StartOnce(f.updater, folder, &a) || !StartOnce(f.bare, folder, &b))
                continue;
            f.updaterStarts << a;
            f.bareStarts << b;
        }
    }
    for (const Flavour &f : flavours) {
        out << "start-up, " << f.label << ", " << f.updaterStarts.size()
            << " interleaved pairs (updater, " << f.yardstick << "), offscreen, to the end of the first paint:\n"
            << "  updater median " << Fixed(Median(Of(f.updaterStarts, &Start::paintedMs)), 1)
            << " ms, yardstick median " << Fixed(Median(Of(f.bareStarts, &Start::paintedMs)), 1) << " ms; ratio "
            << Spread(Ratios(f, &Start::paintedMs), 3) << "\n"
            << "  CPU time: updater median " << Fixed(Median(Of(f.updaterStarts, &Start::cpuMs)), 1)
            << " ms, yardstick median " << Fixed(Median(Of(f.bareStarts, &Start::cpuMs)), 1) << " ms; ratio "
            << Spread(Ratios(f, &Start::cpuMs), 3) << "\n"
            << "  peak RSS: updater median " << Median(Of(f.updaterStarts, &Start::rssKb))
            << " kB, yardstick median " << Median(Of(f.bareStarts, &Start::rssKb)) << " kB; ratio "
            << Spread(Ratios(f, &Start::rssKb), 3) << "\n";
    }
}

// Each step of the packaged updater's start, between the probe's marks.
void StartUpSteps(const QList<Start> &starts)
{
    const QList<QPair<QByteArray, QString>> marks = {
        {"application", QStringLiteral("process start to the application object")},
        {"translations path=", QStringLiteral("single-instance lock, language key")},
        {"BringWindowToForeground", QStringLiteral("catalogue, version, window and pages built")},
        {"current page id= 0", QStringLiteral("window shown, search page entered")},
        {"painted", QStringLiteral("first paint")},
    };
    out << "start-up steps of the packaged updater (median of " << starts.size() << " starts, ms):\n";
    double previous[kPairs] = {};
    for (const auto &mark : marks) {
        QList<double> durations;
        for (int i = 0; i < starts.size(); ++i) {
            for (const auto &event : starts[i].events) {
                if (event.first.startsWith(mark.first)) {
                    durations << event.second - previous[i];
                    previous[i] = event.second;
                    break;
                }
            }
        }
        out << "  " << Fixed(Median(durations), 2).rightJustified(6) << "  " << mark.second << "\n";
    }
}

// What the kernel counts as read by this process so far.
qint64 BytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}

void VersionRead()
{
    const qint64 before = BytesRead();
    ReadFileVersion(QStringLiteral(ORVEX_UPDATER_PATH));
    const qint64 read = BytesRead() - before;
    QList<double> times;
    for (int i = 0; i < kVersionReads; ++i) {
        QElapsedTimer timer;
        timer.start();
        ReadFileVersion(QStringLiteral(ORVEX_UPDATER_PATH));
        times << timer.nsecsElapsed() / 1e6;
    }
    out << "version read in process, unstripped executable of " << QFileInfo(QStringLiteral(ORVEX_UPDATER_PATH)).size()
        << " bytes: " << read << " bytes read; " << kVersionReads << " reads: " << Spread(times, 3) << " ms\n";
}

void EngineWithBar(Bar *bar)
{
    ScopedVirtualClock clock;
    QList<double> cpu;
    for (int i = 0; i < kEngineRuns; ++i) {
        const std::clock_t start = std::clock();
        FullPathRun(0, 0, bar);
        cpu << 1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC;
    }
    out << "engine with the update page's bar, CPU per full-path run (zero-latency receiver, waits skipped, "
        << kEngineRuns << " runs; includes the simulator): " << Spread(cpu, 2) << " ms\n";
}

void WallAgainstWaits(Bar *bar)
{
    QList<double> ratios;
    QList<double> walls;
    for (int i = 0; i < kWallRuns; ++i) {
        CountingClock clock;
        QElapsedTimer wall;
        wall.start();
        FullPathRun(3, 2000, bar);
        const qint64 elapsed = wall.elapsed();
        walls << double(elapsed);
        ratios << double(elapsed) / double(clock.waitedMs);
        if (i == 0)
            out << "full-path update with the update page's bar on the real clock (3 ms per call, 2000 ms restarts), "
                << kWallRuns << " runs: prescribed waits and device time " << clock.waitedMs << " ms; wall ";
    }
    out << Spread(walls, 0) << " ms; ratio " << Spread(ratios, 4) << "\n";
}

void FlashTraffic()
{
    ScopedVirtualClock clock;
    std::shared_ptr<sim::Receiver> receiver;
    FullPathRun(0, 0, nullptr, &receiver);
    qint64 codeCalls = 0;
    for (const sim::Call &call : receiver->log) {
        if (call.op == sim::Op::WriteFlashCode)
            ++codeCalls;
    }
    const FirmwareBlocks &b = Rule().target.blocks;
    const double kb = (2.0 * b.code2Size + b.code1Size) / 1024.0;
    out << "flash traffic, full path: " << receiver->log.size() << " library calls, " << codeCalls
        << " code writes for " << Fixed(kb, 1) << " KB of code: " << Fixed(codeCalls / kb, 2)
        << " code calls/KB (floor " << Fixed(1024.0 / 320.0, 2) << "), "
        << Fixed(receiver->log.size() / kb, 2) << " calls/KB in all\n";
}

} // namespace

// Escape typed while the receiver restarts, again and again, into the real
// window on the real clock: from the key reaching the window system to the
// notice shown, in ms.
void CloseRequestAnswered()
{
    constexpr int kRestartMs = 4000;
    constexpr int kAsked = 15;
    sim::Bus::Instance().Reset();
    auto receiver = sim::Bus::Instance().Attach(sim::MakeReceiver(kPid, 6.01, 81, 2));
    receiver->restartTimeMs = kRestartMs;
    CConfigWizard wizard;
    QElapsedTimer sinceAsked;
    QList<double> answered;
    QLabel *notice = nullptr;
    QLabel *restarting = nullptr;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (wizard.currentId() == kPackPageId)
            wizard.next();
        if (wizard.currentId() != kUpdatePageId)
            return;
        if (!notice) {
            notice = wizard.currentPage()->findChild<QLabel *>(QStringLiteral("label_notice"));
            restarting = wizard.currentPage()->findChild<QLabel *>(QStringLiteral("label_restart"));
            wizard.button(QWizard::CustomButton1)->click();
            return;
        }
        if (sinceAsked.isValid() && notice->isVisible()) {
            answered << double(sinceAsked.nsecsElapsed()) / 1e6;
            sinceAsked.invalidate();
            notice->hide();
        } else if (!sinceAsked.isValid() && restarting->isVisible() && answered.size() < kAsked) {
            sinceAsked.start();
            QWindowSystemInterface::handleKeyEvent(wizard.windowHandle(), QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        }
    });
    look.start(1);
    QElapsedTimer limit;
    limit.start();
    while (answered.size() < kAsked && limit.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    look.stop();
    out << "Escape typed while the receiver restarts (" << kRestartMs << " ms restarts, real window, real clock), "
        << answered.size() << " times: notice shown after " << Spread(answered, 1) << " ms\n";
    // The run is left to end before the window goes.
    while (wizard.button(QWizard::CustomButton1)->isVisible() && limit.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    wizard.close();
    sim::Bus::Instance().Reset();
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});

    QTemporaryDir packaged;
    const QString updater = Stripped(QStringLiteral(ORVEX_UPDATER_PATH), packaged.filePath(QStringLiteral("updater")));
    const QString bare = Stripped(QStringLiteral(ORVEX_BARE_WIZARD_PATH), packaged.filePath(QStringLiteral("bare")));
    const QString bareWizard = QStringLiteral("bare QWizard");
    QList<Flavour> flavours = {
        {QStringLiteral("as packaged (stripped)"), bareWizard, updater, bare},
        {QStringLiteral("as built (unstripped)"), bareWizard, QStringLiteral(ORVEX_UPDATER_PATH),
         QStringLiteral(ORVEX_BARE_WIZARD_PATH)},
        {QStringLiteral("as packaged (stripped)"), QStringLiteral("bare QWizard showing the search page's two texts"),
         updater, bare + QStringLiteral(" texts")},
    };
    StartUp(flavours);
    StartUpSteps(flavours.first().updaterStarts);
    VersionRead();
    Bar bar;
    EngineWithBar(&bar);
    WallAgainstWaits(&bar);
    FlashTraffic();
    CloseRequestAnswered();
    out.flush();
    return 0;
}
