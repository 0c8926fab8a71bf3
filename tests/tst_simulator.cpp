#include "catalogue.h"
#include "firmware.h"
#include "simulator.h"
#include "testsupport.h"

#include <QLockFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>

class tst_Simulator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void builtInScenarios_data();
    void builtInScenarios();
    void badScenario_data();
    void badScenario();
    void badScenarioFileMeansNoReceiver();
    void boot_data();
    void boot();
    void protocolViolations_data();
    void protocolViolations();
    void faults_data();
    void faults();
    void unplugKeepsFlashAndTearsTheWrite();
    void stateSurvivesTheProcess();
    void modelChoices_data();
    void modelChoices();
    void oversizedInputsRefused_data();
    void oversizedInputsRefused();
    void oneRunPerStateFile();
    void staleLockSaysSo();
    void standInImagesCarryTheirIdentity_data();
    void standInImagesCarryTheirIdentity();
    void failedSaveSaysSo();

private:
    EngineFixture fixture;
};

namespace {

QByteArray Sector(char fill)
{
    return QByteArray(sim::kSectorSize, fill);
}

unsigned char *Writable(QByteArray &data)
{
    return reinterpret_cast<unsigned char *>(data.data());
}

} // namespace

void tst_Simulator::init()
{
    fixture.Begin();
}

void tst_Simulator::cleanup()
{
    qunsetenv("ORVEX_SIM_SCENARIO");
    qunsetenv("ORVEX_SIM_STATE");
    fixture.End();
}

void tst_Simulator::builtInScenarios_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("receivers");
    QTest::addColumn<int>("running"); // of the first receiver
    QTest::addColumn<int>("build");   // that it runs
    QTest::newRow("default") << "default" << 1 << 2 << 81;
    QTest::newRow("full-path") << "full-path" << 1 << 2 << 81;
    QTest::newRow("up-to-date: image 6") << "up-to-date" << 1 << 1 << 83;
    QTest::newRow("no-receiver") << "no-receiver" << 0 << 0 << 0;
    QTest::newRow("two-receivers") << "two-receivers" << 2 << 2 << 10;
    QTest::newRow("boot-recovery") << "boot-recovery" << 1 << 0 << 0;
    QTest::newRow("unplug-mid-write") << "unplug-mid-write" << 1 << 2 << 81;
}

void tst_Simulator::builtInScenarios()
{
    QFETCH(QString, name);
    QFETCH(int, receivers);
    QFETCH(int, running);
    QFETCH(int, build);
    QList<std::shared_ptr<sim::Receiver>> loaded;
    QString error;
    QVERIFY2(sim::LoadScenario(name, &loaded, &error), qPrintable(error));
    QCOMPARE(loaded.size(), receivers);
    if (receivers > 0) {
        QCOMPARE(loaded.first()->running, running);
        QCOMPARE(loaded.first()->runningIdentity.build, build);
    }
}

void tst_Simulator::badScenario_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("problem");
    QTest::newRow("syntax error") << QByteArray("{\"receivers\": [") << "at offset";
    QTest::newRow("not an object") << QByteArray("[]") << "\"receivers\" list";
    QTest::newRow("unknown top-level key") << QByteArray("{\"receivers\":[], \"x\":1}") << "unknown key \"x\"";
    QTest::newRow("pid missing") << QByteArray("{\"receivers\":[{}]}") << "receiver 1: \"pid\" is missing";
    QTest::newRow("pid not hexadecimal") << QByteArray("{\"receivers\":[{\"pid\":\"13g7\"}]}") << "\"pid\" must";
    QTest::newRow("misspelt key") << QByteArray("{\"receivers\":[{\"pid\":\"1317\",\"bulid\":3}]}")
                                  << "unknown key \"bulid\"";
    QTest::newRow("running out of range") << QByteArray("{\"receivers\":[{\"pid\":1,\"running\":3}]}")
                                          << "\"running\" must be a whole number from 0 to 2";
    QTest::newRow("negative capacity") << QByteArray("{\"receivers\":[{\"pid\":1,\"capacity\":-5}]}")
                                       << "\"capacity\"";
    QTest::newRow("unknown operation") << QByteArray("{\"receivers\":[{\"pid\":1,\"faults\":{\"Fly\":{}}}]}")
                                       << "unknown operation \"Fly\"";
    QTest::newRow("call number 0") << QByteArray("{\"receivers\":[{\"pid\":1,\"faults\":{\"GetVersion\":{\"fail\":[0]}}}]}")
                                   << "call numbers from 1";
    QTest::newRow("missing slot file") << QByteArray("{\"receivers\":[{\"pid\":1,\"slot1\":{\"header\":\"no.bin\",\"code\":\"no.bin\"}}]}")
                                       << "cannot be read";
    QTest::newRow("slot size too small") << QByteArray("{\"receivers\":[{\"pid\":1,\"slot2\":{\"size\":3}}]}")
                                         << "slot2.\"size\"";
#ifndef Q_OS_WIN
    // Windows has no device files among its files.
    QTest::newRow("slot file that never ends") << QByteArray("{\"receivers\":[{\"pid\":1,\"slot1\":{\"header\":\"/dev/zero\",\"code\":\"/dev/zero\"}}]}")
                                               << "\"/dev/zero\" is not a regular file";
#endif
    QTest::newRow("model choice misspelt") << QByteArray("{\"receivers\":[{\"pid\":1,\"model\":{\"check\":\"crc\"}}]}")
                                           << "model.\"check\" must be \"whole code\" or \"header sums\"";
    QTest::newRow("unknown model key") << QByteArray("{\"receivers\":[{\"pid\":1,\"model\":{\"speed\":1}}]}")
                                       << "unknown key \"model.speed\"";
}

void tst_Simulator::badScenario()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, problem);
    QList<std::shared_ptr<sim::Receiver>> loaded;
    QString error;
    QVERIFY(!sim::ParseScenario(json, QDir::tempPath(), &loaded, &error));
    QVERIFY2(error.contains(problem), qPrintable(error));
    QVERIFY(!error.contains(QLatin1Char('\n')));
    QVERIFY(loaded.isEmpty());
}

void tst_Simulator::badScenarioFileMeansNoReceiver()
{
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("broken.json")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{ receivers: ");
    file.close();
    SetEnvironment("ORVEX_SIM_SCENARIO", file.fileName());
    sim::Bus &bus = sim::Bus::Instance();
    bus = sim::Bus();
    CCommandHandler *handler = nullptr;
    CPortManager *port = nullptr;
    QVERIFY(LookForOrvexWithSpecifiedPID(0x1317, 0, &handler, &port, 0) != 0);
    QVERIFY(bus.Receivers().isEmpty());
}

void tst_Simulator::boot_data()
{
    QTest::addColumn<QString>("damage"); // "slot1", "slot2", "both", "boot", "capacity"
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("model"); // what differs from the default
    QTest::addColumn<int>("running");
    QTest::newRow("valid copy 1") << "" << 1 << "" << 1;
    QTest::newRow("valid copy 2") << "" << 2 << "" << 2;
    QTest::newRow("copy 1 broken: copy 2 runs") << "slot1" << 1 << "" << 2;
    QTest::newRow("copy 2 header off: copy 1 runs") << "header2" << 2 << "" << 1;
    QTest::newRow("both broken: boot code") << "both" << 1 << "" << 0;
    QTest::newRow("copy longer than the slot: other copy") << "capacity" << 1 << "" << 2;
    QTest::newRow("boot code broken: nothing runs") << "boot" << 1 << "" << sim::Receiver::kDead;
    QTest::newRow("no fallback: copy 1 broken, boot code") << "slot1" << 1 << "no fallback" << 0;
    QTest::newRow("header sums: damaged code boots and crashes") << "slot1" << 1 << "header sums"
                                                                 << sim::Receiver::kDead;
    QTest::newRow("header sums: header off, copy 2 runs") << "header1" << 1 << "header sums" << 2;
}

void tst_Simulator::boot()
{
    QFETCH(QString, damage);
    QFETCH(int, position);
    QFETCH(QString, model);
    QFETCH(int, running);
    auto receiver = AttachReceiver(0x1317, 6.01, 81);
    receiver->model.fallsBackToOtherCopy = model != QLatin1String("no fallback");
    receiver->model.checksWholeCode = model != QLatin1String("header sums");
    if (damage == QLatin1String("header1"))
        receiver->codeSlots[0].header[5] ^= 1;
    if (damage == QLatin1String("slot1") || damage == QLatin1String("both"))
        receiver->codeSlots[0].code[500] ^= 0x40;
    if (damage == QLatin1String("both"))
        receiver->codeSlots[1].code.chop(1);
    if (damage == QLatin1String("header2"))
        receiver->codeSlots[1].header[5] ^= 1;
    if (damage == QLatin1String("capacity"))
        receiver->capacity = quint32(receiver->codeSlots[0].code.size() - 1);
    if (damage == QLatin1String("boot"))
        receiver->boot[0] = 'x';
    receiver->Boot(position);
    QCOMPARE(receiver->running, running);
}

void tst_Simulator::protocolViolations_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<QString>("violation"); // "" for none
    QTest::newRow("sector with both modes") << "1 2 S0" << "";
    QTest::newRow("sector without mode 2") << "1 S0" << "without write mode 2";
    QTest::newRow("mode 2 used up by one sector") << "1 2 S0 S40" << "without write mode 2";
    QTest::newRow("mode 2 before mode 1") << "2" << "write mode 2 before write mode 1";
    QTest::newRow("sector outside the regions") << "1 2 S9000" << "outside the writable regions";
    QTest::newRow("marker sector") << "1 2 SF0000 2 SFFF00" << "";
    QTest::newRow("header without mode 1") << "H" << "header written without write mode 1";
    QTest::newRow("header after mode 2") << "1 2 H" << "header written after write mode 2";
    QTest::newRow("code before its header") << "1 C0" << "code written before its header";
    QTest::newRow("header then code") << "1 H C0 C140" << "";
    QTest::newRow("code past the slot") << "1 H C2FFC0" << "past the slot";
    QTest::newRow("write while disconnected") << "X 1" << "SetWriteMode while disconnected";
}

void tst_Simulator::protocolViolations()
{
    QFETCH(QString, sequence);
    QFETCH(QString, violation);
    auto receiver = AttachReceiver(0x1317, 6.01, 81);
    QVERIFY(receiver->Open());
    QByteArray data = Sector('\x11').repeated(5);
    for (const QString &step : sequence.split(QLatin1Char(' '))) {
        const uint value = step.mid(1).toUInt(nullptr, 16);
        if (step == QLatin1String("1") || step == QLatin1String("2"))
            receiver->SetWriteMode(CMDHAND_WRITE_MODE(step.toInt()));
        else if (step.startsWith(QLatin1Char('S')))
            receiver->WriteFlashSector(value, Writable(data));
        else if (step == QLatin1String("H"))
            receiver->WriteFlashHeader(Writable(data));
        else if (step.startsWith(QLatin1Char('C')))
            receiver->WriteFlashCode(value, 5, Writable(data));
        else if (step == QLatin1String("X"))
            receiver->CloseConnection();
    }
    if (violation.isEmpty())
        QCOMPARE(receiver->violations, QStringList());
    else
        QVERIFY2(receiver->violations.join(QLatin1Char('|')).contains(violation),
                 qPrintable(receiver->violations.join(QLatin1Char('|'))));
    receiver->violations.clear(); // provoked, and seen
}

void tst_Simulator::faults_data()
{
    QTest::addColumn<QByteArray>("fault"); // of GetVersion, as in a scenario
    QTest::addColumn<QString>("answers"); // of six calls, 1 = answered
    QTest::newRow("no fault") << QByteArray("{}") << "111111";
    QTest::newRow("calls 2 and 5 fail") << QByteArray(R"({"fail": [2, 5]})") << "101101";
    QTest::newRow("answers from the 4th") << QByteArray(R"({"answerFrom": 4})") << "000111";
    QTest::newRow("always fails") << QByteArray(R"({"always": true})") << "000000";
}

void tst_Simulator::faults()
{
    QFETCH(QByteArray, fault);
    QFETCH(QString, answers);
    auto receiver = AttachReceiver(0x1317, 6.01, 81);
    receiver->latencyMs = 3;
    QVERIFY(receiver->Open());
    QString problem;
    QVERIFY2(sim::SetFaults(*receiver, R"({"GetVersion": )" + fault + "}", &problem), qPrintable(problem));
    QString seen;
    for (int i = 0; i < answers.size(); ++i) {
        CMDHAND_VERSIONstruct version{};
        seen += receiver->GetVersion(version) ? QLatin1Char('1') : QLatin1Char('0');
    }
    QCOMPARE(seen, answers);
    QCOMPARE(fixture.Clock().NowMs(), qint64(3 * 7)); // latency of Open and six calls
}

void tst_Simulator::unplugKeepsFlashAndTearsTheWrite()
{
    auto receiver = AttachReceiver(0x1317, 6.01, 81);
    QVERIFY(receiver->Open());
    const QByteArray copy1Before = receiver->codeSlots[0].code;
    QByteArray data = Sector('\x22').repeated(5);
    receiver->SetWriteMode(CMDHAND_WRITE_MODE_START);
    receiver->WriteFlashHeader(Writable(data));     // running 2: goes to slot 1
    receiver->unplugAtCall = receiver->calls + 2;
    receiver->tornWriteBytes = 100;
    QVERIFY(receiver->WriteFlashCode(0, 5, Writable(data)));
    QVERIFY(!receiver->WriteFlashCode(320, 5, Writable(data))); // the cable goes here
    QVERIFY(!receiver->plugged);
    CMDHAND_VERSIONstruct version{};
    QVERIFY(!receiver->GetVersion(version));
    QCOMPARE(receiver->codeSlots[0].code.size(), 320 + 100);
    QCOMPARE(receiver->codeSlots[0].code.mid(320, 100), QByteArray(100, '\x22'));
    QCOMPARE(receiver->codeSlots[1].code.size(), 15000); // the running copy is untouched
    QVERIFY(receiver->codeSlots[0].code != copy1Before);

    receiver->Plug();
    QCOMPARE(receiver->running, 2);
    QVERIFY(receiver->violations.isEmpty());
}

void tst_Simulator::stateSurvivesTheProcess()
{
    QTemporaryDir folder;
    const QString state = folder.filePath(QStringLiteral("receiver.state"));
    SetEnvironment("ORVEX_SIM_STATE", state);
    qputenv("ORVEX_SIM_SCENARIO", "boot-recovery");
    sim::Bus &bus = sim::Bus::Instance();
    bus = sim::Bus();
    bus.EnsureConfigured();
    QCOMPARE(bus.Receivers().size(), 1);
    auto receiver = bus.Receivers().first();
    QVERIFY(receiver->Open());
    QByteArray data = Sector('\x33');
    receiver->SetWriteMode(CMDHAND_WRITE_MODE_START);
    receiver->SetWriteMode(CMDHAND_WRITE_MODE_SECTOR);
    QVERIFY(receiver->WriteFlashSector(0x7F00, Writable(data)));

    // A second process meets the same receiver.
    bus = sim::Bus();
    qunsetenv("ORVEX_SIM_SCENARIO");
    bus.EnsureConfigured();
    QCOMPARE(bus.Receivers().size(), 1);
    const auto again = bus.Receivers().first();
    QCOMPARE(again->boot, receiver->boot);
    QCOMPARE(again->running, 0);
    QCOMPARE(again->pid, quint32(0x1317));
    QCOMPARE(again->startPosition, 2);

    // Unplugged for a retry, it is found plugged in again by the next run.
    again->Unplug();
    bus = sim::Bus();
    bus.EnsureConfigured();
    QVERIFY(bus.Receivers().first()->plugged);
    QVERIFY(bus.Receivers().first()->Reachable());
}

void tst_Simulator::modelChoices_data()
{
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<int>("offeredFromBootCode");
    QTest::addColumn<double>("reportedVersion"); // copy 1 holds 6.00, copy 2 runs 6.01
    QTest::newRow("default") << QByteArray("{}") << 2 << 6.01;
    QTest::newRow("boot code offers the other slot") << QByteArray(R"({"bootCodeOffers": "other slot"})") << 1
                                                     << 6.01;
    QTest::newRow("reports copy 1") << QByteArray(R"({"versionOf": "copy 1"})") << 2 << 6.00;
}

void tst_Simulator::modelChoices()
{
    QFETCH(QByteArray, model);
    QFETCH(int, offeredFromBootCode);
    QFETCH(double, reportedVersion);
    QList<std::shared_ptr<sim::Receiver>> loaded;
    QString error;
    QVERIFY2(sim::ParseScenario(R"({"receivers": [{"pid": "1317", "version": 6.01, "build": 81, "running": 2,
                                    "slot1": {"version": 6.00}, "model": )" + model + "}]}",
                                QDir::tempPath(), &loaded, &error),
             qPrintable(error));
    auto receiver = sim::Bus::Instance().Attach(loaded.first());
    receiver->latencyMs = 0;
    QVERIFY(receiver->Open());
    CMDHAND_VERSIONstruct version{};
    QVERIFY(receiver->GetVersion(version));
    QCOMPARE(version.version, reportedVersion);
    QCOMPARE(version.codePosition, 2);

    receiver->codeSlots = {};
    receiver->startPosition = 2;
    receiver->Boot(2);
    QCOMPARE(receiver->running, 0);
    QCOMPARE(receiver->OfferedSlot(), offeredFromBootCode);
}

void tst_Simulator::oversizedInputsRefused_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("file"); // "pipe": a pipe with no writer; "big": a file past the limit
    QTest::addColumn<QString>("problem");
#ifndef Q_OS_WIN
    // Devices and pipes stand among files on POSIX systems only.
    QTest::newRow("scenario from /dev/zero") << "ORVEX_SIM_SCENARIO" << "/dev/zero" << "is not a regular file";
    QTest::newRow("state from /dev/urandom") << "ORVEX_SIM_STATE" << "/dev/urandom" << "is not a regular file";
    QTest::newRow("scenario from a pipe") << "ORVEX_SIM_SCENARIO" << "pipe" << "is not a regular file";
    QTest::newRow("state from a pipe") << "ORVEX_SIM_STATE" << "pipe" << "is not a regular file";
#endif
    QTest::newRow("state from a folder") << "ORVEX_SIM_STATE" << "folder" << "is not a regular file";
    QTest::newRow("scenario of 2 MiB") << "ORVEX_SIM_SCENARIO" << "big" << "is larger than";
}

void tst_Simulator::oversizedInputsRefused()
{
    QFETCH(QString, variable);
    QFETCH(QString, file);
    QFETCH(QString, problem);
    QTemporaryDir folder;
#ifndef Q_OS_WIN
    if (file == QLatin1String("pipe")) {
        file = folder.filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    }
#endif
    if (file == QLatin1String("folder")) {
        file = folder.path();
    } else if (file == QLatin1String("big")) {
        file = folder.filePath(QStringLiteral("big.json"));
        QFile big(file);
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(2 << 20));
    }
    QList<std::shared_ptr<sim::Receiver>> loaded;
    QString error;
    // A pipe is refused at once: opening it would wait for a writer.
    const bool read = variable == QLatin1String("ORVEX_SIM_SCENARIO") ? sim::LoadScenario(file, &loaded, &error)
                                                                      : sim::Bus().LoadState(file, &error);
    QVERIFY(!read);
    QVERIFY2(error.startsWith(problem), qPrintable(error));
    QVERIFY(loaded.isEmpty());
}

void tst_Simulator::oneRunPerStateFile()
{
    QTemporaryDir folder;
    SetEnvironment("ORVEX_SIM_STATE", folder.filePath(QStringLiteral("receiver.state")));
    sim::Bus first;
    first.EnsureConfigured();
    QCOMPARE(first.Receivers().size(), 1);
    // A second run on the same file is refused instead of losing writes.
    sim::Bus second;
    second.EnsureConfigured();
    QVERIFY(second.Receivers().isEmpty());
    QVERIFY(second.stateFile.isEmpty());
    first.Reset();
    sim::Bus third;
    third.EnsureConfigured();
    QCOMPARE(third.Receivers().size(), 1);
}

void tst_Simulator::staleLockSaysSo()
{
#ifdef Q_OS_WIN
    QSKIP("a holder that dies holding the lock is made with fork(), which Windows lacks");
#else
    QTemporaryDir folder;
    const QString state = folder.filePath(QStringLiteral("receiver.state"));
    // A run that ended without giving its lock up...
    const pid_t child = ::fork();
    if (child == 0) {
        QLockFile lock(state + QStringLiteral(".lock"));
        ::_exit(lock.tryLock(0) ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QCOMPARE(WEXITSTATUS(status), 0);
    // ...and that this run may not remove (another user's, in a shared
    // folder): here, because another remover holds it.
    QLockFile remover(state + QStringLiteral(".lock.rmlock"));
    QVERIFY(remover.tryLock(0));

    SetEnvironment("ORVEX_SIM_STATE", state);
    sim::Bus bus;
    const QString said = CapturedStderr([&bus] { bus.EnsureConfigured(); });
    qunsetenv("ORVEX_SIM_STATE");
    QVERIFY(bus.Receivers().isEmpty());
    QVERIFY2(said.contains(QStringLiteral("has a stale lock")), qPrintable(said));
    QCOMPARE(said.count(QLatin1Char('\n')), 1);
#endif
}

void tst_Simulator::standInImagesCarryTheirIdentity_data()
{
    QTest::addColumn<QString>("rule"); // naming the image
    QTest::addColumn<uint>("pid");  // what the image answers under
    QTest::newRow("image-1") << "B1" << 0x1400u;
    QTest::newRow("image-2") << "B4" << 0x1400u;
    QTest::newRow("image-3") << "B3" << 0x1400u;
    QTest::newRow("image-4") << "A1" << 0x1315u;
    QTest::newRow("image-5") << "A4" << 0x1316u;
    QTest::newRow("image-6") << "A3" << 0x1317u;
    QTest::newRow("image-7") << "A9" << 0x1320u;
}

// The catalogue's stand-in images are firmware this receiver can boot: an
// intact identity that names the image, and headers it takes.
void tst_Simulator::standInImagesCarryTheirIdentity()
{
    QFETCH(QString, rule);
    QFETCH(uint, pid);
    const FirmwareImage &image = RuleNamed(rule).target;
    const FirmwareBlocks &b = image.blocks;
    QVERIFY(sim::ReadIdentity(Bytes(b.bootCode, b.bootSize)).has_value());
    for (int copy = 1; copy <= 2; ++copy) {
        const uint32_t size = copy == 1 ? b.code1Size : b.code2Size;
        const QByteArray header = Bytes(copy == 1 ? b.header1 : b.header2, 64);
        QVERIFY(sim::HeaderValid(header, sim::Receiver::SlotAddress(copy)));
        const auto identity = sim::ReadIdentity(Bytes(copy == 1 ? b.code1 : b.code2, size));
        QVERIFY(identity.has_value());
        QCOMPARE(identity->version, image.version);
        QCOMPARE(identity->build, image.build);
        QCOMPARE(identity->pid, quint32(pid));
        QCOMPARE(identity->copy, quint32(copy));
        QCOMPARE(identity->length, size);
    }
}

void tst_Simulator::failedSaveSaysSo()
{
    QTemporaryDir folder;
    sim::Bus bus;
    bus.Attach(sim::MakeReceiver(0x1317, 6.01, 81, 2));
    bus.stateFile = folder.filePath(QStringLiteral("no such folder/receiver.state"));
    QVERIFY(!bus.SaveState());
    bus.stateFile = folder.filePath(QStringLiteral("receiver.state"));
    QVERIFY(bus.SaveState());
}

QTEST_MAIN(tst_Simulator)
#include "tst_simulator.moc"
