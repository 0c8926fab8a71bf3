// One update run as every front end makes it: in one process each run
// shows its own progress from its start, and the system is kept awake
// whenever the receiver is written or restarted.

#include "sleepinhibitor.h"
#include "testsupport.h"
#include "updaterun.h"

#include <QtTest>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

class tst_UpdateRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void eachRunShowsItsProgressFromItsStart();
    void systemKeptAwakeThroughTheWrites();
    void windowsToldTheSystemIsRequired();

private:
    EngineFixture fixture;
};

namespace {

// A lock that says whether it is held.
class HeldFlag : public SleepInhibitor::Backend
{
public:
    std::shared_ptr<void> Take() override
    {
        held = true;
        return std::shared_ptr<void>(this, [this](void *) { held = false; });
    }
    bool held = false;
};

// Notes whether the lock was held each time the engine reports.
struct AwakeView : ProgressView {
    explicit AwakeView(const HeldFlag &lock) : lock(lock) {}
    void ShowProgress(int) override { seen << lock.held; }
    void RestartWaitBegins(int, int) override { seen << lock.held; }
    const HeldFlag &lock;
    QList<bool> seen;
};

int UpdateOpened(quint32 pid, ProgressView *view)
{
    if (!OpenIntoReceiverState(pid))
        return -1;
    g_receiverState.newPackSelected = true;
    UpdateRun run(g_receiverState, nullptr, view);
    const int result = run.Aim() ? run.Run() : -1;
    ReleaseReceiverState();
    return result;
}

} // namespace

void tst_UpdateRun::init()
{
    fixture.Begin();
}

void tst_UpdateRun::cleanup()
{
    fixture.End();
}

void tst_UpdateRun::eachRunShowsItsProgressFromItsStart()
{
    AttachReceiver(0x1317, 6.01, 81);
    AttachReceiver(0x1311, 6.00, 5);
    for (const quint32 pid : {0x1317u, 0x1311u}) {
        ProgressRecorder view;
        QCOMPARE(UpdateOpened(pid, &view), 0);
        QVERIFY2(view.shown.size() > 5 && view.shown.first() < 50 && view.shown.last() == 100,
                 qPrintable(QStringLiteral("receiver %1: %2 reports").arg(pid, 0, 16).arg(view.shown.size())));
        QVERIFY(std::is_sorted(view.shown.cbegin(), view.shown.cend()));
    }
}

void tst_UpdateRun::systemKeptAwakeThroughTheWrites()
{
    HeldFlag lock;
    SleepInhibitor::SetBackend(&lock);
    AttachReceiver(0x1317, 6.01, 81);
    AwakeView view(lock);
    QCOMPARE(UpdateOpened(0x1317, &view), 0);
    SleepInhibitor::SetBackend(nullptr);
    QVERIFY(!view.seen.isEmpty());
    QVERIFY(!view.seen.contains(false));
    QVERIFY(!lock.held);
}

// The system's own lock on Windows: while the engine reports, the thread's
// execution state asks for the system; after the run it no longer does.
void tst_UpdateRun::windowsToldTheSystemIsRequired()
{
#ifdef Q_OS_WIN
    struct ExecutionStateView : ProgressView {
        void ShowProgress(int) override
        {
            // Setting the state is the only way to read it: put it back.
            const EXECUTION_STATE state = SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
            SetThreadExecutionState(state | ES_CONTINUOUS);
            requiredThroughout = requiredThroughout && (state & ES_SYSTEM_REQUIRED);
            ++reports;
        }
        bool requiredThroughout = true;
        int reports = 0;
    } view;
    // Nothing asked for before the run (wine starts a thread asking for all).
    SetThreadExecutionState(ES_CONTINUOUS);
    AttachReceiver(0x1317, 6.01, 81);
    QCOMPARE(UpdateOpened(0x1317, &view), 0);
    QVERIFY(view.reports > 0);
    QVERIFY(view.requiredThroughout);
    QCOMPARE(SetThreadExecutionState(ES_CONTINUOUS) & ES_SYSTEM_REQUIRED, EXECUTION_STATE(0));
#else
    QSKIP("Windows' own lock; Linux asks logind over the system bus");
#endif
}

QTEST_GUILESS_MAIN(tst_UpdateRun)
#include "tst_updaterun.moc"
