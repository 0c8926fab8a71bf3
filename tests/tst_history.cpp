#include "history.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class tst_History : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void runsAndSessionsAreReadBack();
    void damagedFileIsSetAside_data();
    void damagedFileIsSetAside();
    void hugeFileIsReadFromItsEnd();
    void keptWithinItsSize();
    void damageNeverEndsTheHistory();
    void newestRunIsTheLastWritten_data();
    void newestRunIsTheLastWritten();

private:
    QString FilePath() const { return folder->filePath(QLatin1String(History::kFileName)); }
    // The set-aside copies, oldest first.
    QStringList SetAside() const
    {
        return QDir(folder->path()).entryList({QLatin1String(History::kSetAsidePrefix) + QLatin1Char('*')},
                                              QDir::AllEntries | QDir::System, QDir::Name);
    }
    QList<QJsonObject> Lines(const QString &file) const;
    void Write(const QByteArray &bytes) const;

    std::unique_ptr<QTemporaryDir> folder;
};

namespace {

const ReceiverFacts kReceiver{0x1317, 6.01, 81, 2, 2, true};
const TargetFacts kImage6{0x1317, 6.01, 83, Selection::Rule};

// A run as a line of the file, in the form the history writes.
QByteArray RunStart(const char *id, const char *pid)
{
    return QStringLiteral(R"({"event":"run-start","run":"%1","receiver":{"pid":"%2"},)"
                          R"("target":{"pid":"1317","version":6.01,"build":83}})")
               .arg(QLatin1String(id), QLatin1String(pid))
               .toUtf8()
        + '\n';
}

bool Concerns1317(const RecordedRun &run)
{
    return run.pid == 0x1317;
}

} // namespace

void tst_History::init()
{
    folder = std::make_unique<QTemporaryDir>();
}

QList<QJsonObject> tst_History::Lines(const QString &file) const
{
    QFile in(file);
    QList<QJsonObject> lines;
    if (in.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : in.readAll().split('\n')) {
            if (!line.isEmpty())
                lines << QJsonDocument::fromJson(line).object();
        }
    }
    return lines;
}

void tst_History::Write(const QByteArray &bytes) const
{
    QFile out(FilePath());
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
}

void tst_History::runsAndSessionsAreReadBack()
{
    {
        History history(folder->path());
        history.RunBegins(kReceiver, kImage6, QStringLiteral("full"));
        history.StepCompleted(3, QStringLiteral("Loading Copy Code2"), QStringLiteral("full"));
        history.RunEnds(13, 61000, QStringLiteral("full"), 4, QStringLiteral("Restarting Copy2"));
        history.RunBegins({0x1315, 6.01, 14, 2, 2, true}, {0x1315, 6.01, 15, Selection::Rule},
                          QStringLiteral("short or full"));
        history.StepCompleted(0, QStringLiteral("restarting Copy2"), QStringLiteral("short or full"));
        history.StepCompleted(1, QStringLiteral("Loading Copy Code 1"), QStringLiteral("short"));
        history.Declined(kReceiver, kImage6);
    }
    const QList<QJsonObject> lines = Lines(FilePath());
    QStringList events;
    for (const QJsonObject &line : lines)
        events << line.value(QStringLiteral("event")).toString();
    QCOMPARE(events, QStringList({"run-start", "run-step", "run-end", "run-start", "run-step", "run-step", "declined"}));
    QCOMPARE(lines[0].value(QStringLiteral("run")), lines[2].value(QStringLiteral("run")));
    QCOMPARE(lines[0].value(QStringLiteral("receiver")).toObject().value(QStringLiteral("pid")).toString(),
             QStringLiteral("1317"));
    QCOMPARE(lines[2].value(QStringLiteral("lastStepLine")).toString(), QStringLiteral("Restarting Copy2"));
    QCOMPARE(lines[3].value(QStringLiteral("path")).toString(), QStringLiteral("short or full"));

    // Another start of the updater reads it back: the failed run, and a
    // cut-off one (no end) for the other ID.
    History again(folder->path());
    const auto failed = again.LastRun(Concerns1317);
    QVERIFY(failed.has_value());
    QCOMPARE(failed->result, std::optional<int>(13));
    QCOMPARE(failed->targetVersion, 6.01);
    QCOMPARE(failed->targetBuild, 83);
    const auto cut = again.LastRun([](const RecordedRun &run) { return run.pid == 0x1315; });
    QVERIFY(cut.has_value());
    QVERIFY(!cut->result.has_value());
    QCOMPARE(cut->targetPid, 0x1315);
    // How far it got, on the path it settled on.
    QCOMPARE(cut->lastCompletedStep, 1);
    QCOMPARE(cut->path, QStringLiteral("short"));

    // Found whole later, it has ended with 0.
    again.RunFoundComplete(*cut);
    QCOMPARE(History(folder->path()).LastRun([](const RecordedRun &run) { return run.pid == 0x1315; })->result,
             std::optional<int>(0));
}

void tst_History::newestRunIsTheLastWritten_data()
{
    QTest::addColumn<QByteArray>("earlier"); // lines before the new run
    QTest::addColumn<bool>("newEnds");
    const QByteArray ended = R"({"event":"run-end","run":"a","result":0,"time":"%1"})";
    const QByteArray start = RunStart("a", "1317").replace("}}\n", R"(},"time":"%1"})" "\n");
    const auto at = [](QByteArray line, const char *time) { return line.replace("%1", time); };
    QTest::newRow("a whole run while the clock was years ahead")
        << at(start, "2099-01-01T00:00:00.000Z") + at(ended, "2099-01-01T00:01:00.000Z") + '\n' << false;
    QTest::newRow("a run cut off while the clock was ahead, then a whole one")
        << at(start, "2099-01-01T00:00:00.000Z") << true;
}

// The run written last is the newest, whatever the times of earlier ones.
void tst_History::newestRunIsTheLastWritten()
{
    QFETCH(QByteArray, earlier);
    QFETCH(bool, newEnds);
    Write(earlier);
    {
        History history(folder->path());
        history.RunBegins(kReceiver, kImage6, QStringLiteral("full"));
        if (newEnds)
            history.RunEnds(7, 1000, QStringLiteral("full"), 2, QStringLiteral("Restarting Copy1"));
    }
    const auto newest = History(folder->path()).LastRun(Concerns1317);
    QVERIFY(newest.has_value());
    QVERIFY(newest->id != QLatin1String("a"));
    QCOMPARE(newest->result, newEnds ? std::optional<int>(7) : std::nullopt);
}

void tst_History::damagedFileIsSetAside_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("kind"); // what stands at the file's place
    QTest::addColumn<int>("readable"); // runs of 0x1317 still known

    const QByteArray good = RunStart("a", "1317");
    QTest::newRow("a line cut short by a killed writer") << good + R"({"event":"run-st)" << "file" << 1;
    QTest::newRow("junk between two runs") << good + "\x01\xFFnot json\n" + RunStart("b", "1317") << "file" << 2;
    QTest::newRow("a line longer than any the updater writes") << QByteArray(100000, 'x') + '\n' + good << "file" << 1;
#ifndef Q_OS_WIN
    // Windows keeps pipes apart from its folders: none can stand there.
    QTest::newRow("a pipe") << QByteArray() << "pipe" << 0;
#endif
    QTest::newRow("a folder") << QByteArray() << "folder" << 0;
    QTest::newRow("a link to elsewhere") << QByteArray() << "link" << 0;
}

void tst_History::damagedFileIsSetAside()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, kind);
    QFETCH(int, readable);
    if (kind == QLatin1String("file"))
        Write(bytes);
#ifndef Q_OS_WIN
    else if (kind == QLatin1String("pipe"))
        QCOMPARE(::mkfifo(QFile::encodeName(FilePath()).constData(), 0600), 0);
#endif
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(FilePath()));
    else
        QVERIFY(QFile::link(folder->filePath(QStringLiteral("elsewhere")), FilePath()));

    History history(folder->path());
    int known = 0;
    history.LastRun([&known](const RecordedRun &run) {
        known += run.pid == 0x1317;
        return false;
    });
    QCOMPARE(known, readable);
    QCOMPARE(SetAside().size(), 1);
    // What could be read is carried over, and the history goes on.
    history.RunBegins(kReceiver, kImage6, QStringLiteral("full"));
    QCOMPARE(Lines(FilePath()).size(), readable + 1);
    QVERIFY(!QFileInfo::exists(folder->filePath(QStringLiteral("elsewhere"))));
}

void tst_History::hugeFileIsReadFromItsEnd()
{
    // An old run of 0x1315 first, then far more than the read limit of
    // other lines, then a run of 0x1317.
    QByteArray bytes = RunStart("old", "1315");
    const QByteArray filler = R"({"event":"up-to-date","receiver":{"pid":"1316"}})" "\n";
    while (bytes.size() < 3 * History::kMaxBytes)
        bytes += filler;
    Write(bytes + RunStart("new", "1317"));

    History history(folder->path());
    QVERIFY(history.LastRun(Concerns1317).has_value());
    QVERIFY(!history.LastRun([](const RecordedRun &run) { return run.pid == 0x1315; }).has_value());
    // Nothing was damaged: the file stays where it is.
    QVERIFY(SetAside().isEmpty());
}

void tst_History::keptWithinItsSize()
{
    QByteArray bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += RunStart(QByteArray::number(i).constData(), "1317");
    Write(bytes);
    History history(folder->path());
    history.KeepWithin(10000);
    QFile kept(FilePath());
    QVERIFY(kept.open(QIODevice::ReadOnly));
    const QByteArray left = kept.readAll();
    QVERIFY(left.size() <= 10000 && left.size() > 9000);
    // The newest lines, whole.
    QVERIFY(bytes.endsWith(left));
    QVERIFY(left.startsWith("{\"event\""));
}

// A folder in the file's place, again and again: each is set aside under
// a name of its own, and every start goes on writing.
void tst_History::damageNeverEndsTheHistory()
{
    for (int start = 1; start <= 10; ++start) {
        QVERIFY(QDir().mkdir(FilePath()));
        History history(folder->path());
        history.RunBegins(kReceiver, kImage6, QStringLiteral("full"));
        QCOMPARE(Lines(FilePath()).size(), 1);
        QCOMPARE(SetAside().size(), start);
        QVERIFY(QFile::remove(FilePath()));
    }
}

QTEST_MAIN(tst_History)
#include "tst_history.moc"
