#include "record.h"
#include "retention.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "testsupport.h"

class tst_Record : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void stateFolder_data();
    void stateFolder();
    void everyMessageGoesIntoTheLog();
    void oldLogsGo_data();
    void oldLogsGo();
    void aLongLogKeepsItsNewestPart();
    void sessionOutcomeWrittenAtTheEnd_data();
    void sessionOutcomeWrittenAtTheEnd();
    void goesToTheFirstFolderItCanWrite_data();
    void goesToTheFirstFolderItCanWrite();
    void runMovesOnWhenItsFolderStopsTakingIt();
    void pastRunsAreReadFromEveryFolder();

private:
    QStringList Logs() const;

    std::unique_ptr<QTemporaryDir> folder;
};

namespace {

QString ReadAll(const QString &file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
}

void WriteFile(const QString &file, qint64 bytes)
{
    QFile out(file);
    if (out.open(QIODevice::WriteOnly))
        out.write(QByteArray(int(bytes), 'x'));
}

} // namespace

void tst_Record::init()
{
    folder = std::make_unique<QTemporaryDir>();
}

void tst_Record::cleanup()
{
    qunsetenv("XDG_STATE_HOME");
}

QStringList tst_Record::Logs() const
{
    return QDir(folder->path()).entryList({QStringLiteral("run-*")}, QDir::Files, QDir::Name);
}

void tst_Record::stateFolder_data()
{
    QTest::addColumn<QByteArray>("stateHome");
    QTest::addColumn<QString>("expected");
#ifdef Q_OS_WIN
    // Windows keeps it in the user's local application data, whatever
    // XDG_STATE_HOME says.
    const QString local = QDir::homePath() + "/AppData/Local/orvex-updater";
    QTest::newRow("XDG_STATE_HOME: not Windows'") << QByteArray("/var/tmp/state") << local;
    QTest::newRow("unset") << QByteArray() << local;
#else
    QTest::newRow("XDG_STATE_HOME") << QByteArray("/var/tmp/state") << "/var/tmp/state/orvex-updater";
    QTest::newRow("unset") << QByteArray() << QDir::homePath() + "/.local/state/orvex-updater";
    QTest::newRow("relative: ignored") << QByteArray("state") << QDir::homePath() + "/.local/state/orvex-updater";
#endif
}

void tst_Record::stateFolder()
{
    QFETCH(QByteArray, stateHome);
    QFETCH(QString, expected);
    qputenv("XDG_STATE_HOME", stateHome);
    QCOMPARE(StateFolder(), expected);
}

void tst_Record::everyMessageGoesIntoTheLog()
{
    QString log;
    {
        Record record({folder->path()});
        // Said before the log opens: held, and written first.
        QTest::ignoreMessage(QtDebugMsg, "Look for System with PID= 1317");
        qDebug() << "Look for System with PID=" << Qt::hex << 0x1317;
        QCOMPARE(QDir(folder->path()).entryList(QDir::Files), QStringList());
        record.Open();
        log = record.LogFile();
        QVERIFY(QFileInfo(log).fileName().startsWith(QLatin1String("run-")));
        const QString paths = QCoreApplication::applicationDirPath() + QStringLiteral("/Translations ")
            + QDir::homePath() + QStringLiteral("/x");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QRegularExpression::escape(QStringLiteral("qm path: ") + paths)));
        qDebug().noquote() << "qm path:" << paths;
        QTest::ignoreMessage(QtWarningMsg, "careful");
        qWarning("careful");
    }
    qDebug("after the record");
    QStringList lines = ReadAll(log).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    const QRegularExpression stamp(QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z )"));
    for (const QString &line : lines)
        QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
    QVERIFY(lines[0].endsWith(QLatin1String(" Look for System with PID= 1317")));
    // Neither the program's folder nor the home folder, with the user's name.
    QVERIFY2(lines[1].endsWith(QLatin1String(" qm path: <program folder>/Translations <home>/x")), qPrintable(lines[1]));
    QVERIFY(lines[2].endsWith(QLatin1String(" warning: careful")));
}

void tst_Record::oldLogsGo_data()
{
    QTest::addColumn<int>("oldLogs");
    QTest::addColumn<qint64>("logBytes");
    QTest::addColumn<int>("setAside"); // damaged histories set aside, older than the logs
    QTest::addColumn<qint64>("setAsideBytes");
    QTest::addColumn<int>("kept"); // old logs left beside the new one
    QTest::addColumn<int>("keptSetAside");

    QTest::newRow("19 old logs: all kept") << 19 << qint64(100) << 0 << qint64(0) << 19 << 0;
    QTest::newRow("25 old logs: the newest 19 kept") << 25 << qint64(100) << 0 << qint64(0) << 19 << 0;
    // With room kept for the new log's two parts, 3 MiB are left for the
    // history and the old logs.
    QTest::newRow("five old logs of 900 KiB: three kept") << 5 << qint64(900 << 10) << 0 << qint64(0) << 3 << 0;
    QTest::newRow("ten set-aside histories: the newest three kept") << 2 << qint64(100) << 10 << qint64(100) << 2 << 3;
    QTest::newRow("set-aside histories count in the folder's size") << 2 << qint64(900 << 10) << 2 << qint64(900 << 10) << 2 << 1;
}

void tst_Record::oldLogsGo()
{
    QFETCH(int, oldLogs);
    QFETCH(qint64, logBytes);
    QFETCH(int, setAside);
    QFETCH(qint64, setAsideBytes);
    QFETCH(int, kept);
    QFETCH(int, keptSetAside);
    QStringList names;
    for (int i = 0; i < oldLogs; ++i) {
        names << QStringLiteral("run-20260102T0000%1.000Z.log").arg(i, 2, 10, QLatin1Char('0'));
        WriteFile(folder->filePath(names.last()), logBytes);
    }
    QStringList asideNames;
    for (int i = 0; i < setAside; ++i) {
        asideNames << QStringLiteral("%1-20260101T0000%2.000Z").arg(QLatin1String(History::kSetAsidePrefix)).arg(i, 2, 10, QLatin1Char('0'));
        WriteFile(folder->filePath(asideNames.last()), setAsideBytes);
    }
    Record record({folder->path()});
    record.Open();
    const QStringList logs = Logs();
    QCOMPARE(logs.size(), kept + 1);
    QCOMPARE(logs.mid(0, kept), names.mid(oldLogs - kept));
    QVERIFY(logs.last() == QFileInfo(record.LogFile()).fileName());
    const QStringList asideKept = QDir(folder->path()).entryList({QLatin1String(History::kSetAsidePrefix) + QLatin1Char('*')}, QDir::Files, QDir::Name);
    QCOMPARE(asideKept, asideNames.mid(setAside - keptSetAside));
}

void tst_Record::aLongLogKeepsItsNewestPart()
{
    Record record({folder->path()});
    record.Open();
    const QString line(1000, QLatin1Char('y'));
    for (int i = 0; i < 2500; ++i) {
        QTest::ignoreMessage(QtDebugMsg, qPrintable(line + QString::number(i)));
        qDebug().noquote() << line + QString::number(i);
    }
    const QString older = ReadAll(record.LogFile() + QStringLiteral(".old"));
    const QString newest = ReadAll(record.LogFile());
    QVERIFY(older.size() <= retention::kLogPartBytes && newest.size() <= retention::kLogPartBytes);
    QVERIFY(newest.endsWith(line + QStringLiteral("2499\n")));
    // Whole lines in each part, the newer ones where they belong.
    QVERIFY(older.endsWith(QLatin1Char('\n')));
    QVERIFY(!older.contains(line + QStringLiteral("2499\n")));
}

void tst_Record::sessionOutcomeWrittenAtTheEnd_data()
{
    QTest::addColumn<QString>("session"); // what it came to
    QTest::addColumn<QString>("written"); // the event of the one line, or "" for none
    QTest::newRow("nothing found") << "" << "no-receiver";
    QTest::newRow("found, never offered") << "found" << "";
    QTest::newRow("up to date") << "found, up to date" << "up-to-date";
    QTest::newRow("offered, no run") << "found, offered" << "declined";
    QTest::newRow("offered and run") << "found, offered, run" << "";
}

void tst_Record::sessionOutcomeWrittenAtTheEnd()
{
    QFETCH(QString, session);
    QFETCH(QString, written);
    const ReceiverFacts receiver{0x1317, 6.01, 81, 2, 2, true};
    const TargetFacts target{0x1317, 6.01, 83, Selection::Rule};
    {
        Record record({folder->path()});
        if (session.contains(QLatin1String("found")))
            record.ReceiverFound();
        if (session.contains(QLatin1String("up to date")))
            record.Offered(receiver, std::nullopt);
        if (session.contains(QLatin1String("offered")))
            record.Offered(receiver, target);
        if (session.contains(QLatin1String("run"))) {
            record.RunBegins(receiver, target, QStringLiteral("full"));
            record.RunEnds(0, 1000, QStringLiteral("full"), 7, QStringLiteral("Finish Flash Upgrade"));
        }
    }
    QStringList events;
    for (const QString &line : ReadAll(folder->filePath(QLatin1String(History::kFileName))).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        events << QJsonDocument::fromJson(line.toUtf8()).object().value(QStringLiteral("event")).toString();
    events.removeAll(QStringLiteral("run-start"));
    events.removeAll(QStringLiteral("run-end"));
    QCOMPARE(events, written.isEmpty() ? QStringList() : QStringList{written});
}

void tst_Record::goesToTheFirstFolderItCanWrite_data()
{
    QTest::addColumn<int>("unusable"); // of the three folders, the first so many have a file in their place
    QTest::addColumn<int>("used");     // the folder written, -1: none
    QTest::newRow("state folder") << 0 << 0;
    QTest::newRow("state folder a file: the cache") << 1 << 1;
    QTest::newRow("state and cache files: the runtime folder") << 2 << 2;
    QTest::newRow("nothing can be written") << 3 << -1;
}

void tst_Record::goesToTheFirstFolderItCanWrite()
{
    QFETCH(int, unusable);
    QFETCH(int, used);
    QStringList folders;
    for (const char *name : {"state", "cache", "runtime"})
        folders << folder->filePath(QLatin1String(name));
    for (int i = 0; i < unusable; ++i)
        WriteFile(folders[i], 10);
    const ReceiverFacts receiver{0x1317, 6.01, 81, 2, 2, true};
    const TargetFacts target{0x1317, 6.01, 83, Selection::Rule};
    QString said;
    {
        Record record(folders);
        said = CapturedStderr([&] { record.Open(); });
        QCOMPARE(record.Keeps(), used >= 0);
        QCOMPARE(record.Folder(), used >= 0 ? folders[used] : QString());
        record.RunBegins(receiver, target, QStringLiteral("full"));
        // The next start, on the same computer, knows of it.
        QCOMPARE(Record(folders).LastRun([](const RecordedRun &) { return true; }).has_value(), used >= 0);
    }
    // One line, naming where the record went, or that there is none.
    QCOMPARE(said.count(QLatin1Char('\n')), unusable > 0 ? 1 : 0);
    if (unusable > 0)
        QVERIFY2(said.contains(used >= 0 ? QStringLiteral("the record goes to ") + folders[used]
                                         : QStringLiteral("without a record")),
                 qPrintable(said));
}

// A history that stops taking lines (here a folder put in its place) does
// not end the record: the run under way goes on in the next folder.
void tst_Record::runMovesOnWhenItsFolderStopsTakingIt()
{
    const QStringList folders{folder->filePath(QStringLiteral("state")), folder->filePath(QStringLiteral("cache"))};
    Record record(folders);
    record.RunBegins({0x1317, 6.01, 81, 2, 2, true}, {0x1317, 6.01, 83, Selection::Rule}, QStringLiteral("full"));
    const QString first = QDir(folders[0]).filePath(QLatin1String(History::kFileName));
    QVERIFY(QFile::remove(first) && QDir().mkdir(first));
    CapturedStderr([&] { record.StepCompleted(1, QStringLiteral("Loading Copy Code 2"), QStringLiteral("full")); });
    QCOMPARE(record.Folder(), folders[1]);
    const auto run = Record({folders[1]}).LastRun([](const RecordedRun &) { return true; });
    QVERIFY(run.has_value());
    QCOMPARE(run->lastCompletedStep, 1);
    QVERIFY(!run->result.has_value());
}

// A run cut off while the record was in the cache folder, met when the
// state folder can be written again; and its end written there.
void tst_Record::pastRunsAreReadFromEveryFolder()
{
    const QStringList folders{folder->filePath(QStringLiteral("state")), folder->filePath(QStringLiteral("cache"))};
    {
        Record inCache({folders[1]});
        inCache.RunBegins({0x1317, 6.01, 81, 2, 2, true}, {0x1317, 6.01, 83, Selection::Rule}, QStringLiteral("full"));
    }
    Record record(folders);
    const auto last = record.LastRun([](const RecordedRun &) { return true; });
    QVERIFY(last.has_value());
    QVERIFY(!last->result.has_value());
    record.RunFoundComplete(*last);
    QCOMPARE(record.Folder(), folders[0]);
    QCOMPARE(Record(folders).LastRun([](const RecordedRun &) { return true; })->result, std::optional<int>(0));
}

QTEST_MAIN(tst_Record)
#include "tst_record.moc"
