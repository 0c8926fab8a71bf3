#include "firstpaint.h"
#include "startup.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <vector>

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void languageKey_data();
    void languageKey();
    void versionSourcePath_data();
    void versionSourcePath();
    void readFileVersion_data();
    void readFileVersion();
    void readsOnlyWhatItNeeds();
    void restartStartsTheProgramWhole();
    void iconWaitsForTheFirstPaint();
};

void tst_Startup::languageKey_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("key");

    const QString program = QStringLiteral("orvex-updater");
    QTest::newRow("two arguments: the second wins") << QStringList{program, "x", "de"} << "fr_FR" << "de";
    QTest::newRow("no argument: locale") << QStringList{program} << "de_DE" << "de_DE";
    QTest::newRow("one argument: locale") << QStringList{program, "de"} << "fr_FR" << "fr_FR";
    QTest::newRow("three arguments: locale") << QStringList{program, "x", "de", "y"} << "es_ES" << "es_ES";
    QTest::newRow("ZH_TW argument") << QStringList{program, "x", "ZH_TW"} << "de_DE" << "cht";
    QTest::newRow("zh_SG argument") << QStringList{program, "x", "zh_SG"} << "de_DE" << "chs";
    QTest::newRow("zh_XX argument") << QStringList{program, "x", "zh_XX"} << "de_DE" << "chs";
    QTest::newRow("zh_ inside a longer key") << QStringList{program, "x", "az_ZH_q"} << "de_DE" << "chs";
    QTest::newRow("zh_CN locale") << QStringList{program} << "zh_CN" << "chs";
    QTest::newRow("zh_HK locale") << QStringList{program} << "zh_HK" << "cht";
    QTest::newRow("zh_MO locale") << QStringList{program} << "zh_MO" << "cht";
    QTest::newRow("argument kept as given") << QStringList{program, "x", "CHS"} << "de_DE" << "CHS";
}

void tst_Startup::languageKey()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, locale);
    QFETCH(QString, key);
    std::vector<QByteArray> storage;
    std::vector<char *> argv;
    for (const QString &argument : arguments)
        storage.push_back(argument.toLatin1());
    for (QByteArray &argument : storage)
        argv.push_back(argument.data());
    QCOMPARE(LanguageKey(int(argv.size()), argv.data(), locale), key);
}

void tst_Startup::versionSourcePath_data()
{
    QTest::addColumn<QString>("startedAs");
    QTest::addColumn<bool>("fallsBack");
#ifdef Q_OS_WIN
    const bool fromStartedAs = true;
#else
    // Elsewhere the running executable, whatever the name names.
    const bool fromStartedAs = false;
#endif
    QTest::newRow("started by its path") << QStringLiteral(ORVEX_UPDATER_PATH) << !fromStartedAs;
    QTest::newRow("started through PATH") << QStringLiteral("orvex-updater") << true;
    QTest::newRow("started as a folder") << QDir::tempPath() << true;
    QTest::newRow("a file of that name in the working folder")
        << QStringLiteral(ORVEX_SOURCE_DIR "/README.md") << !fromStartedAs;
}

void tst_Startup::versionSourcePath()
{
    QFETCH(QString, startedAs);
    QFETCH(bool, fallsBack);
    const QString running = QStringLiteral("/running/executable");
    QCOMPARE(VersionSourcePath(startedAs, running), fallsBack ? running : startedAs);
}

void tst_Startup::readsOnlyWhatItNeeds()
{
#ifdef Q_OS_WIN
    QSKIP("Windows reads the version resource itself; the bytes a read takes are counted from /proc");
#endif
    // What the kernel counts as read by this process.
    const auto bytesRead = [] {
        QFile io(QStringLiteral("/proc/self/io"));
        if (!io.open(QIODevice::ReadOnly))
            return qint64(-1);
        for (const QByteArray &line : io.readAll().split('\n')) {
            if (line.startsWith("rchar:"))
                return line.mid(6).trimmed().toLongLong();
        }
        return qint64(-1);
    };
    const qint64 before = bytesRead();
    QCOMPARE(ReadFileVersion(QStringLiteral(ORVEX_UPDATER_PATH)), QStringLiteral("1.0.0.6"));
    const qint64 read = bytesRead() - before;
    QVERIFY(before >= 0);
    QVERIFY2(read < 16 * 1024, qPrintable(QString::number(read))); // of an executable of megabytes
}

void tst_Startup::readFileVersion_data()
{
    QFile executable(QStringLiteral(ORVEX_UPDATER_PATH));
    QVERIFY(executable.open(QIODevice::ReadOnly));
    const QByteArray bytes = executable.readAll();
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("version");
    QTest::newRow("the program itself") << bytes << "1.0.0.6";
    QTest::newRow("empty file") << QByteArray() << "";
    QTest::newRow("garbage") << QByteArray(4096, char(0x5A)) << "";
    QTest::newRow("truncated to the headers") << bytes.left(64) << "";
#ifdef Q_OS_WIN
    // Windows reads the executable's version resource (block 040904B0)
    // itself: a file without one, however made, has no version.
    QTest::newRow("a text file") << QByteArray("no version resource here\r\n") << "";
#else
    const qsizetype block = bytes.indexOf("ORVXVERS 1\n[040904B0]");
    QVERIFY(block > 0);
    const auto patched = [&bytes, block](const QByteArray &from, const QByteArray &to) {
        QByteArray copy = bytes;
        copy.replace(copy.indexOf(from, block), from.size(), to);
        return copy;
    };
    QByteArray sectionTableFarAway = bytes;
    sectionTableFarAway.replace(0x28, 8, QByteArray(8, char(0x7F)));
    QTest::newRow("ELF magic and nothing else") << QByteArray("\x7f" "ELF\x02\x01") << "";
    QTest::newRow("truncated at half") << bytes.left(bytes.size() / 2) << "";
    QTest::newRow("truncated inside the block") << bytes.left(block + 20) << "";
    QTest::newRow("cut before the section table's last byte") << bytes.chopped(1) << "";
    QTest::newRow("section table past the end") << sectionTableFarAway << "";
    QTest::newRow("another block only") << patched("[040904B0]", "[040704B0]") << "";
    QTest::newRow("no FileVersion entry") << patched("\nFileVersion=", "\nFileVersiox=") << "";
    QTest::newRow("block without its magic") << patched("ORVXVERS 1", "ORVXVERS 2") << "";
#endif
}

void tst_Startup::readFileVersion()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, version);
    QTemporaryDir folder;
    QFile copy(folder.filePath(QStringLiteral("copy")));
    QVERIFY(copy.open(QIODevice::WriteOnly));
    copy.write(file);
    copy.close();
    QCOMPARE(ReadFileVersion(copy.fileName()), version);
}

void tst_Startup::restartStartsTheProgramWhole()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("with blank")));
    const QString program = folder.filePath(QStringLiteral("with blank/restart probe"));
    QVERIFY(QFile::copy(QStringLiteral(RESTART_PROBE_PATH), program));
    const QString marker = folder.filePath(QStringLiteral("marker"));
    SetEnvironment("ORVEX_RESTART_MARKER", marker);

    QVERIFY(RestartProgram(program));
    QTRY_VERIFY(QFile::exists(marker) && QFileInfo(marker).size() > 0);
    QFile written(marker);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("0"));
}

void tst_Startup::iconWaitsForTheFirstPaint()
{
    QWidget window;
    bool done = false;
    WhenFirstPainted(&window, [&done] { done = true; });
    QCoreApplication::processEvents();
    QVERIFY(!done);
    window.show();
    QTRY_VERIFY(done);
    window.hide();
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
