#ifndef ORVEX_TESTSUPPORT_H
#define ORVEX_TESTSUPPORT_H

#include "clock.h"
#include "firmwareupdater.h"
#include "simulator.h"

#include <QObject>
#include <QStringList>

#include <memory>

// Collects the program's debug lines while it lives.
class DebugCapture
{
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    QStringList lines;
};

// Notes every percentage the engine shows.
struct ProgressRecorder : ProgressView {
    void ShowProgress(int percent) override { shown << percent; }
    QList<int> shown;
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

// Puts every process-wide flag and record back to its value at load,
// and empties the simulated bus.
void ResetGlobals();

// A receiver running generated firmware, attached to the bus, answering
// without latency.
std::shared_ptr<sim::Receiver> AttachReceiver(quint32 pid, double version, qint32 build,
                                              int running = 2);

// A receiver described as in a scenario (one receiver object of its
// "receivers" list), attached to the bus, answering without latency.
std::shared_ptr<sim::Receiver> AttachScenarioReceiver(const QString &json);

// Opens the receiver as the search page would and fills g_receiverState.
bool OpenIntoReceiverState(quint32 pid);

// Releases what OpenIntoReceiverState opened; true when no library
// object is left alive.
bool ReleaseReceiverState();

// The interval of the one timer running on `object`, or 0 for none.
int RunningTimerInterval(QObject *object);
// Delivers the event of the one timer running on `object`, at once.
bool FireRunningTimer(QObject *object);

// The calls of one operation in a receiver's log.
QList<sim::Call> CallsOf(const sim::Receiver &receiver, sim::Op op);

#endif
