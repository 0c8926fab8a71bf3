#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
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
    sim::Bus::Instance().Reset();
}

void LookingClock::Wait(int ms)
{
    const int slice = sliceMs > 0 ? sliceMs : qMax(ms, 1);
    for (int waited = 0; waited < ms; waited += slice) {
        VirtualClock::Wait(qMin(slice, ms - waited));
        Clock::AnswerWindowSystem();
    }
    Clock::WaitEnds();
}

void MemoryRecord::Add(const RecordedRun &run)
{
    Run added;
    static_cast<RecordedRun &>(added) = run;
    added.id = QString::number(runs.size());
    runs << added;
}

std::optional<RecordedRun> MemoryRecord::LastRun(const std::function<bool(const RecordedRun &)> &concerns)
{
    for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
        if (concerns(*run))
            return *run;
    }
    return std::nullopt;
}

void MemoryRecord::RunBegins(const ReceiverFacts &receiver, const TargetFacts &target, const QString &path)
{
    Run run;
    run.pid = receiver.pid;
    run.foundVersion = receiver.version;
    run.foundBuild = receiver.build;
    run.targetPid = target.pid;
    run.targetVersion = target.version;
    run.targetBuild = target.build;
    run.receiver = receiver;
    run.startPath = path;
    run.path = path;
    run.id = QString::number(runs.size());
    runs << run;
}

void MemoryRecord::StepCompleted(int step, const QString &line, const QString &path)
{
    Run &run = runs.last();
    run.lastCompletedStep = step;
    run.path = path;
    run.steps << line;
}

void MemoryRecord::RunFoundComplete(const RecordedRun &found)
{
    for (Run &run : runs) {
        if (run.id == found.id)
            run.result = 0;
    }
}

void MemoryRecord::RunEnds(int result, qint64, const QString &path, int lastStep, const QString &lastStepLine)
{
    Run &run = runs.last();
    run.result = result;
    run.endPath = path;
    run.lastStep = lastStep;
    run.lastStepLine = lastStepLine;
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

BeforeUpdate BeforeUpdate::OwnFirmware()
{
    return BeforeUpdate();
}

BeforeUpdate BeforeUpdate::TargetCopy2Running()
{
    BeforeUpdate before;
    before.copies = Copies::TargetCopy2;
    return before;
}

BeforeUpdate BeforeUpdate::OnBootCode()
{
    BeforeUpdate before;
    before.copies = Copies::None;
    return before;
}

BeforeUpdate BeforeUpdate::NothingRuns()
{
    BeforeUpdate before = OnBootCode();
    before.noStartPosition = true;
    return before;
}

BeforeUpdate BeforeUpdate::Current()
{
    BeforeUpdate before;
    before.copies = Copies::Target;
    before.fromCopy1 = true;
    return before;
}

BeforeUpdate BeforeUpdate::WithFirmware(double ownVersion, qint32 ownBuild) const
{
    BeforeUpdate before = *this;
    before.version = ownVersion;
    before.build = ownBuild;
    return before;
}

BeforeUpdate BeforeUpdate::WithBootCode(double ownBootVersion) const
{
    BeforeUpdate before = *this;
    before.bootVersion = ownBootVersion;
    return before;
}

BeforeUpdate BeforeUpdate::StartedFromCopy1() const
{
    BeforeUpdate before = *this;
    before.fromCopy1 = true;
    return before;
}

BeforeUpdate BeforeUpdate::Under(const sim::ReceiverModel &receiverModel) const
{
    BeforeUpdate before = *this;
    before.model = receiverModel;
    return before;
}

sim::Receiver BeforeUpdate::Make(quint32 pid, const FirmwareImage &target) const
{
    QList<std::shared_ptr<sim::Receiver>> parsed;
    QString error;
    const QJsonObject receiver{{QStringLiteral("pid"), double(pid)},
                               {QStringLiteral("version"), version},
                               {QStringLiteral("build"), build},
                               {QStringLiteral("boot"), QJsonObject{{QStringLiteral("version"), bootVersion}}}};
    const QJsonObject scenario{{QStringLiteral("receivers"), QJsonArray{receiver}}};
    if (!sim::ParseScenario(QJsonDocument(scenario).toJson(), QString(), &parsed, &error))
        qFatal("BeforeUpdate: %s", qPrintable(error));
    sim::Receiver receiverBefore = *parsed.first();
    receiverBefore.model = model;
    receiverBefore.latencyMs = 0;
    if (copies == Copies::TargetCopy2 || copies == Copies::Target)
        receiverBefore.codeSlots[1] = {Bytes(target.blocks.header2, 64), Bytes(target.blocks.code2, target.blocks.code2Size)};
    if (copies == Copies::Target)
        receiverBefore.codeSlots[0] = {Bytes(target.blocks.header1, 64), Bytes(target.blocks.code1, target.blocks.code1Size)};
    if (copies == Copies::None) {
        receiverBefore.codeSlots = {};
        receiverBefore.startPosition = noStartPosition ? 0 : 2;
    }
    if (fromCopy1)
        receiverBefore.startPosition = 1;
    receiverBefore.Boot(fromCopy1 ? 1 : 2);
    return receiverBefore;
}

std::shared_ptr<sim::Receiver> BeforeUpdate::Attach(quint32 pid, const FirmwareImage &target) const
{
    return sim::Bus::Instance().Attach(std::make_shared<sim::Receiver>(Make(pid, target)));
}

std::shared_ptr<sim::Receiver> AttachReceiver(quint32 pid, double version, qint32 build, int running)
{
    auto receiver = sim::MakeReceiver(pid, version, build, running);
    receiver->latencyMs = 0;
    return sim::Bus::Instance().Attach(receiver);
}

bool OpenIntoReceiverState(quint32 pid)
{
    g_receiverState = ReceiverState();
    ReceiverSession session;
    if (!session.Open(int(pid)))
        return false;
    g_receiverState.pid = int32_t(pid);
    g_receiverState.found = session.ReadVersion();
    return g_receiverState.found;
}

bool ReleaseReceiverState()
{
    ReceiverSession().Release();
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

const UpgradeRule &RuleNamed(const QString &name)
{
    const UpgradeTable &table = name.startsWith(QLatin1Char('A')) ? ScrivetPackTable() : ScrivetPackClassicTable();
    const int number = name.mid(1).toInt();
    if (!name.contains(QRegularExpression(QStringLiteral("^[AB][0-9]+$"))) || number < 1 || number > table.count)
        qFatal("no rule %s", qPrintable(name));
    return table.rules[number - 1];
}

QByteArray Bytes(const unsigned char *data, uint32_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

void SetEnvironment(const char *name, const QString &value)
{
#ifdef Q_OS_WIN
    _wputenv_s(QString::fromLatin1(name).toStdWString().c_str(), value.toStdWString().c_str());
#else
    qputenv(name, QFile::encodeName(value));
#endif
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
    // QTextStream writes UTF-8, whatever the system's 8-bit code page.
    return QString::fromUtf8(file.readAll());
}
