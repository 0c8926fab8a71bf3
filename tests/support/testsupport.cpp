#include "testsupport.h"

#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace {

DebugCapture *g_capture = nullptr;
QtMessageHandler g_previousHandler = nullptr;

void Collect(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg && g_capture) {
        g_capture->lines << message;
        if (g_capture->onLine)
            g_capture->onLine(message);
    }
    else if (g_previousHandler)
        g_previousHandler(type, context, message);
}

// As the program starts with it, taken before any test changes it.
const int32_t kPercentAtLoad = FirmwareUpdater::lastReportedPercent;

} // namespace

void EngineFixture::Begin()
{
    Reset();
    clock = std::make_unique<ScopedVirtualClock>();
}

void EngineFixture::End()
{
    const bool released = ReleaseReceiverState();
    QStringList violations;
    for (const auto &receiver : sim::Bus::Instance().Receivers())
        violations += receiver->violations;
    clock.reset();
    Reset();
    QVERIFY(released);
    QCOMPARE(violations, QStringList());
}

void EngineFixture::Reset()
{
    g_receiverState = ReceiverState();
    FirmwareUpdater::lastReportedPercent = kPercentAtLoad;
    UpdateHistory::SetCurrent(nullptr);
    sim::Bus::Instance().Reset();
}

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

QList<sim::Call> CallsOf(const sim::Receiver &receiver, sim::Op op)
{
    QList<sim::Call> calls;
    for (const sim::Call &call : receiver.log) {
        if (call.op == op)
            calls << call;
    }
    return calls;
}

QByteArray Bytes(const unsigned char *data, uint32_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

QString CapturedStderr(const std::function<void()> &action)
{
    QTemporaryFile file;
    if (!file.open())
        return QString();
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    action();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    file.seek(0);
    return QString::fromLocal8Bit(file.readAll());
}
