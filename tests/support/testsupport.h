#ifndef ORVEX_TESTSUPPORT_H
#define ORVEX_TESTSUPPORT_H

#include "clock.h"
#include "firmwareupdater.h"
#include "receiversession.h"
#include "simulator.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

// What a test of the engine begins and ends with. Begin: the receiver
// state as at load, an empty simulated bus and a virtual clock. End: no library object left open and no receiver that
// saw a protocol violation; then everything as at load again.
class EngineFixture
{
public:
    virtual ~EngineFixture() = default;
    virtual void Begin();
    virtual void End();
    // Everything as at load, without the checks of End.
    virtual void Reset();
    VirtualClock &Clock() { return clock->clock; }

private:
    std::unique_ptr<ScopedVirtualClock> clock;
};

// A record of updates kept in memory, beside the record's room as a fake
// backend stands beside a real one: the runs it was told of, oldest
// first.
class MemoryRecord : public UpdateRecord
{
public:
    struct Run : RecordedRun {
        ReceiverFacts receiver;
        QString startPath;
        QString endPath;
        int lastStep = 0;
        QString lastStepLine;
        QStringList steps; // the lines of the steps completed
    };

    // A run an earlier start left: begun, and ended when it has a result.
    void Add(const RecordedRun &run);

    std::optional<RecordedRun> LastRun(const std::function<bool(const RecordedRun &)> &concerns) override;
    void RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path) override;
    void StepCompleted(int step, const QString &line, const QString &path) override;
    void RunEnds(int result, qint64 durationMs, const QString &path, int lastStep,
                 const QString &lastStepLine) override;
    void RunFoundComplete(const RecordedRun &run) override;
    bool Keeps() override { return keeps; }
    void ReceiverFound() override {}
    void Offered(const ReceiverFacts &, const std::optional<TargetFacts> &) override {}

    QList<Run> runs;
    bool keeps = true;
};

// Collects the program's debug lines while it lives.
class DebugCapture
{
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    QStringList lines;
    // Called with each line as it is written.
    std::function<void(const QString &)> onLine;
};

// Notes every percentage the engine shows, and when (on the current
// clock) each restart wait began and ended.
struct ProgressRecorder : ProgressView {
    void ShowProgress(int percent) override { shown << percent; }
    void RestartWaitBegins(int, int) override { waits << Clock::Current().NowMs(); }
    void RestartWaitEnds() override { waits << -Clock::Current().NowMs() - 1; }
    QList<int> shown;
    QList<qint64> waits; // a begin at t as t, an end at t as -t - 1
};

// Virtual time whose waits look at the window system as real ones do: a
// slice at a time (one look a wait, unless told), holding user input back
// and letting it through at each wait's end.
class LookingClock : public VirtualClock
{
public:
    explicit LookingClock(int sliceMs = 0) : sliceMs(sliceMs) { Clock::SetCurrent(this); }
    ~LookingClock() override { Clock::SetCurrent(nullptr); }
    LookingClock(const LookingClock &) = delete;
    LookingClock &operator=(const LookingClock &) = delete;

    void Wait(int ms) override;

private:
    int sliceMs;
};

// Real time, run a hundred times faster: every wait really blocks and
// processes events as the real clock does, only briefly.
class BriefRealClock : public RealClock
{
public:
    static constexpr int kSpeedUp = 100;
    BriefRealClock() { Clock::SetCurrent(this); }
    ~BriefRealClock() override { Clock::SetCurrent(nullptr); }
    BriefRealClock(const BriefRealClock &) = delete;
    BriefRealClock &operator=(const BriefRealClock &) = delete;

    void Wait(int ms) override { RealClock::Wait(ms / kSpeedUp); }
    void Sleep(int ms) override { RealClock::Sleep(ms / kSpeedUp); }
    qint64 NowMs() const override { return RealClock::NowMs() * kSpeedUp; }
};

// A receiver as an update meets it, in the tests' terms, answering without
// latency. Its own firmware (generated, 6.01 build 81 unless told) in both
// copies, copy 2 running; or the target's copy 2 running from slot 2 (what
// the short path needs); or both copies lost and the boot code running
// (the boot path); or the target in both; then changed as the builders
// below say.
class BeforeUpdate
{
public:
    static BeforeUpdate OwnFirmware();
    static BeforeUpdate TargetCopy2Running();
    static BeforeUpdate OnBootCode();
    // Both copies lost and no start position: nothing names a copy.
    static BeforeUpdate NothingRuns();
    // Updated already: the target in both copies, copy 1 running.
    static BeforeUpdate Current();

    BeforeUpdate WithFirmware(double version, qint32 build) const;
    BeforeUpdate WithBootCode(double version) const;
    // Restarted on copy 1 last: it runs copy 1 and starts from it.
    BeforeUpdate StartedFromCopy1() const;
    BeforeUpdate Under(const sim::ReceiverModel &model) const;

    // The receiver, answering under `pid`, readied for `target`.
    sim::Receiver Make(quint32 pid, const FirmwareImage &target) const;
    // The same, attached to the bus.
    std::shared_ptr<sim::Receiver> Attach(quint32 pid, const FirmwareImage &target) const;

private:
    enum class Copies { Own, TargetCopy2, Target, None };
    Copies copies = Copies::Own;
    double version = 6.01;
    qint32 build = 81;
    double bootVersion = 6.0;
    bool fromCopy1 = false;
    bool noStartPosition = false;
    sim::ReceiverModel model;
};

// A receiver running generated firmware, attached to the bus, answering
// without latency.
std::shared_ptr<sim::Receiver> AttachReceiver(quint32 pid, double version, qint32 build,
                                              int running = 2);

// Opens the receiver as the search page does and fills g_receiverState
// with it and its version (whatever the version).
bool OpenIntoReceiverState(quint32 pid);

// Releases what OpenIntoReceiverState opened; true when no library
// object is left alive.
bool ReleaseReceiverState();

// The calls of one operation in a receiver's log.
QList<sim::Call> CallsOf(const sim::Receiver &receiver, sim::Op op);

// Sets an environment variable to a path or word of any script: through
// the wide-character calls on Windows, where the 8-bit ones lose what the
// code page lacks.
void SetEnvironment(const char *name, const QString &value);

// What `action` writes to stderr.
QString CapturedStderr(const std::function<void()> &action);

// A rule by its name in the tables: "A7" is the seventh rule of the
// current pack's table, "B3" the third of the Classic table.
const UpgradeRule &RuleNamed(const QString &name);

// Constant bytes of the catalogue as an array.
QByteArray Bytes(const unsigned char *data, uint32_t size);

#endif
