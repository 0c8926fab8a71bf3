#include "runrecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class tst_RunRecord : public QObject
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
    void sessionNoteWrittenAtTheEnd();

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

void tst_RunRecord::init()
{
    folder = std::make_unique<QTemporaryDir>();
}

void tst_RunRecord::cleanup()
{
    qunsetenv("XDG_STATE_HOME");
    // No record outlives its test.
    QVERIFY(UpdateHistory::Current().LastRun([](const RecordedRun &) { return true; }) == std::nullopt);
}

QStringList tst_RunRecord::Logs() const
{
    return QDir(folder->path()).entryList({QStringLiteral("run-*")}, QDir::Files, QDir::Name);
}

void tst_RunRecord::stateFolder_data()
{
    QTest::addColumn<QByteArray>("stateHome");
    QTest::addColumn<QString>("expected");
    QTest::newRow("XDG_STATE_HOME") << QByteArray("/var/tmp/state") << "/var/tmp/state/orvex-updater";
    QTest::newRow("unset") << QByteArray() << QDir::homePath() + "/.local/state/orvex-updater";
    QTest::newRow("relative: ignored") << QByteArray("state") << QDir::homePath() + "/.local/state/orvex-updater";
}

void tst_RunRecord::stateFolder()
{
    QFETCH(QByteArray, stateHome);
    QFETCH(QString, expected);
    qputenv("XDG_STATE_HOME", stateHome);
    QCOMPARE(StateFolder(), expected);
}

void tst_RunRecord::everyMessageGoesIntoTheLog()
{
    QString log;
    {
        const RunRecord record(folder->path());
        log = record.LogFile();
        QVERIFY(QFileInfo(log).fileName().startsWith(QLatin1String("run-")));
        // Still said where it was said before.
        QTest::ignoreMessage(QtDebugMsg, "Look for System with PID= 1317");
        qDebug() << "Look for System with PID=" << Qt::hex << 0x1317;
        const QString paths = QCoreApplication::applicationDirPath() + QStringLiteral("/Translations ")
            + QDir::homePath() + QStringLiteral("/x");
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("qm path: ") + paths));
        qDebug().noquote() << "qm path:" << paths;
        QTest::ignoreMessage(QtWarningMsg, "careful");
        qWarning("careful");
    }
    qDebug("after the record");
    const QStringList lines = ReadAll(log).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    const QRegularExpression stamp(QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z )"));
    for (const QString &line : lines)
        QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
    QVERIFY(lines[0].endsWith(QLatin1String(" Look for System with PID= 1317")));
    // Neither the program's folder nor the home folder, with the user's name.
    QVERIFY2(lines[1].endsWith(QLatin1String(" qm path: <program folder>/Translations <home>/x")), qPrintable(lines[1]));
    QVERIFY(lines[2].endsWith(QLatin1String(" warning: careful")));
}

void tst_RunRecord::oldLogsGo_data()
{
    QTest::addColumn<int>("oldLogs");
    QTest::addColumn<qint64>("logBytes");
    QTest::addColumn<int>("kept"); // old logs left beside the new one

    QTest::newRow("19 old logs: all kept") << 19 << qint64(100) << 19;
    QTest::newRow("25 old logs: the newest 19 kept") << 25 << qint64(100) << 19;
    // With room kept for the new log's two parts, 3 MiB are left for the
    // history and the old logs.
    QTest::newRow("five old logs of 900 KiB: three kept") << 5 << qint64(900 << 10) << 3;
}

void tst_RunRecord::oldLogsGo()
{
    QFETCH(int, oldLogs);
    QFETCH(qint64, logBytes);
    QFETCH(int, kept);
    QStringList names;
    for (int i = 0; i < oldLogs; ++i) {
        names << QStringLiteral("run-20260101T0000%1.000Z.log").arg(i, 2, 10, QLatin1Char('0'));
        WriteFile(folder->filePath(names.last()), logBytes);
    }
    const RunRecord record(folder->path());
    const QStringList logs = Logs();
    QCOMPARE(logs.size(), kept + 1);
    QCOMPARE(logs.mid(0, kept), names.mid(oldLogs - kept));
    QVERIFY(logs.last() == QFileInfo(record.LogFile()).fileName());
}

void tst_RunRecord::aLongLogKeepsItsNewestPart()
{
    const RunRecord record(folder->path());
    const QString line(1000, QLatin1Char('y'));
    for (int i = 0; i < 2500; ++i) {
        QTest::ignoreMessage(QtDebugMsg, qPrintable(line + QString::number(i)));
        qDebug().noquote() << line + QString::number(i);
    }
    const QString older = ReadAll(record.LogFile() + QStringLiteral(".old"));
    const QString newest = ReadAll(record.LogFile());
    QVERIFY(older.size() <= RunRecord::kLogPartBytes && newest.size() <= RunRecord::kLogPartBytes);
    QVERIFY(newest.endsWith(line + QStringLiteral("2499\n")));
    // Whole lines in each part, the newer ones where they belong.
    QVERIFY(older.endsWith(QLatin1Char('\n')));
    QVERIFY(!older.contains(line + QStringLiteral("2499\n")));
}

void tst_RunRecord::sessionNoteWrittenAtTheEnd()
{
    {
        const RunRecord record(folder->path());
        UpdateHistory::Current().NoteNoReceiver();
    }
    const QString history = ReadAll(folder->filePath(QLatin1String(UpdateHistory::kFileName)));
    QCOMPARE(history.count(QLatin1Char('\n')), 1);
    QCOMPARE(QJsonDocument::fromJson(history.toUtf8()).object().value(QStringLiteral("event")).toString(),
             QStringLiteral("no-receiver"));
}

QTEST_MAIN(tst_RunRecord)
#include "tst_runrecord.moc"
