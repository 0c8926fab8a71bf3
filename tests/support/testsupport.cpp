#include "testsupport.h"

#include "firmwareupdater.h"
#include "pageflags.h"
#include "simulator.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimerEvent>
#include <QtGlobal>

namespace {

DebugCapture *g_capture = nullptr;
QtMessageHandler g_previousHandler = nullptr;

void Collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg && g_capture)
        g_capture->lines << message;
    else if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

DebugCapture::DebugCapture()
{
    g_capture = this;
    g_previousHandler = qInstallMessageHandler(Collect);
}

DebugCapture::~DebugCapture()
{
    qInstallMessageHandler(g_previousHandler);
    g_capture = nullptr;
}

void ResetGlobals()
{
    g_backButtonVisible = false;
    g_finishButtonVisible = false;
    g_nextButtonVisible = false;
    g_updateButtonVisible = false;
    g_cancelButtonVisible = false;
    g_closeAllowed = true;
    g_restartRequested = false;
    g_receiverState = ReceiverState();
    FirmwareUpdater::lastReportedPercent = 10;
    sim::Bus::Instance().Reset();
}

std::shared_ptr<sim::Receiver> AttachReceiver(quint32 pid, double version, qint32 build, int running)
{
    auto receiver = sim::MakeReceiver(pid, version, build, running);
    receiver->latencyMs = 0;
    return sim::Bus::Instance().Attach(receiver);
}

std::shared_ptr<sim::Receiver> AttachScenarioReceiver(const QString &json)
{
    QList<std::shared_ptr<sim::Receiver>> parsed;
    QString error;
    if (!sim::ParseScenario(QStringLiteral(R"({"receivers": [%1]})").arg(json).toUtf8(), QString(), &parsed, &error)
        || parsed.size() != 1)
        return nullptr;
    parsed.first()->latencyMs = 0;
    return sim::Bus::Instance().Attach(parsed.first());
}

bool OpenIntoReceiverState(quint32 pid)
{
    g_receiverState = ReceiverState();
    if (LookForOrvexWithSpecifiedPID(int(pid), 0, &g_receiverState.commandHandler,
                                     &g_receiverState.portManager, 0)
        != 0)
        return false;
    g_receiverState.pid = int32_t(pid);
    g_receiverState.found = g_receiverState.commandHandler->GetVersion(g_receiverState.versionInfo);
    return g_receiverState.found;
}

bool ReleaseReceiverState()
{
    if (g_receiverState.portManager) {
        g_receiverState.portManager->ClosePort();
        DeletePortManager(g_receiverState.portManager);
    }
    if (g_receiverState.commandHandler)
        DeleteCommandHandler(g_receiverState.commandHandler);
    g_receiverState = ReceiverState();
    const sim::Bus &bus = sim::Bus::Instance();
    return bus.liveHandlers == 0 && bus.livePortManagers == 0;
}

int RunningTimerInterval(QObject *object)
{
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(object);
    return timers.size() == 1 ? timers.first().interval : 0;
}

bool FireRunningTimer(QObject *object)
{
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(object);
    if (timers.size() != 1)
        return false;
    QTimerEvent event(timers.first().timerId);
    QCoreApplication::sendEvent(object, &event);
    return true;
}

QList<sim::Call> CallsOf(const sim::Receiver &receiver, sim::Op op)
{
    QList<sim::Call> calls;
    for (const sim::Call &call : receiver.log) {
        if (call.op == op)
            calls << call;
    }
    return calls;
}
