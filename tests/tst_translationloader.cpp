#include "startup.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <cstdio>

class tst_TranslationLoader : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void languageCode_data();
    void languageCode();
    void choice_data();
    void choice();
    void realCatalogueTranslates();
    void crowdedFolderWithForeignNames();

private:
    QStringList debugLinesOfLoad(const QString &folder, const QString &key);
};

namespace {

QStringList g_lines;

void Collect(QtMsgType, const QMessageLogContext &, const QString &message)
{
    g_lines << message;
}

const QString kGermanCatalogue = QStringLiteral(ORVEX_TRANSLATIONS_DIR "/OrvexUpdater_de.qm");

} // namespace

void tst_TranslationLoader::cleanup()
{
    // Each load parents its translator to the application; drop them all.
    for (QTranslator *translator : QCoreApplication::instance()->findChildren<QTranslator *>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

void tst_TranslationLoader::languageCode_data()
{
    QTest::addColumn<QString>("baseName");
    QTest::addColumn<QString>("code");
    QTest::newRow("two parts") << "Updater_chs" << "chs";
    QTest::newRow("three parts, upper case") << "Updater_Firmware_CHT" << "cht";
    QTest::newRow("four parts: the third") << "a_b_de_DE" << "de";
    QTest::newRow("five parts: the last") << "a_b_c_d_e" << "e";
    QTest::newRow("an empty part counts") << "Updater__chs" << "chs";
    QTest::newRow("base name ends at the first dot") << "beta" << "beta";
}

void tst_TranslationLoader::languageCode()
{
    QFETCH(QString, baseName);
    QFETCH(QString, code);
    QCOMPARE(CatalogueLanguageCode(baseName), code);
}

QStringList tst_TranslationLoader::debugLinesOfLoad(const QString &folder, const QString &key)
{
    g_lines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(Collect);
    LoadTranslation(folder, key);
    qInstallMessageHandler(previous);
    return g_lines;
}

// Files to lay out (a trailing "/" makes a folder, "!" an invalid
// catalogue), the key, and the base name installed ("" for none).
void tst_TranslationLoader::choice_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("installed");
    QTest::addColumn<int>("listed");

    QTest::newRow("chs among chs and cht") << QStringList{"Updater_chs.qm", "Updater_cht.qm"} << "chs"
                                           << "Updater_chs" << 2;
    QTest::newRow("upper-case key") << QStringList{"Updater_chs.qm"} << "CHS" << "Updater_chs" << 1;
    QTest::newRow("upper case sorts first") << QStringList{"b_de.qm", "B_de.qm"} << "de" << "B_de" << 2;
    QTest::newRow("first match fails: nothing, and no second try")
        << QStringList{"A_de.qm!", "B_de.qm"} << "de" << "" << 2;
    QTest::newRow("locale name with _ matches nothing") << QStringList{"Updater_de.qm"} << "de_DE" << ""
                                                        << 1;
    QTest::newRow("whole base name as code") << QStringList{"beta.2_chs.qm"} << "beta" << "beta" << 1;
    QTest::newRow("sub-folders only") << QStringList{"Updater_de.qm/", "x_de.qm/"} << "de" << "" << 0;
    QTest::newRow("no matching name") << QStringList{"Updater.qm", "de.ts"} << "de" << "" << 0;
    QTest::newRow("file name of 255 bytes") << QStringList{QString(249, 'x') + "_de.qm"} << "de"
                                            << QString(249, 'x') + "_de" << 1;
    QTest::newRow("zero-byte catalogue") << QStringList{"Updater_de.qm!"} << "de" << "" << 1;
}

void tst_TranslationLoader::choice()
{
    QFETCH(QStringList, files);
    QFETCH(QString, key);
    QFETCH(QString, installed);
    QFETCH(int, listed);

    QTemporaryDir folder;
    for (QString name : files) {
        if (name.endsWith(QLatin1Char('/'))) {
            QVERIFY(QDir(folder.path()).mkdir(name.chopped(1)));
            continue;
        }
        const bool invalid = name.endsWith(QLatin1Char('!'));
        if (invalid)
            name.chop(1);
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (!invalid) {
            QFile real(kGermanCatalogue);
            QVERIFY(real.open(QIODevice::ReadOnly));
            file.write(real.readAll());
        }
    }

    const QStringList lines = debugLinesOfLoad(folder.path(), key);
    QCOMPARE(lines.value(0), QStringLiteral("translations path= \"%1\"").arg(folder.path()));
    QCOMPARE(lines.value(1), QStringLiteral("qm files found= %1").arg(listed));
    const QStringList installLines = lines.filter(QStringLiteral("installed translator for:"));
    QCOMPARE(installLines,
             installed.isEmpty() ? QStringList()
                                 : QStringList{QStringLiteral("installed translator for: \"%1\"").arg(installed)});
    const int translators = QCoreApplication::instance()->findChildren<QTranslator *>().size();
    QVERIFY(translators <= 1);
}

void tst_TranslationLoader::realCatalogueTranslates()
{
    LoadTranslation(QStringLiteral(ORVEX_TRANSLATIONS_DIR), QStringLiteral("de"));
    QCOMPARE(QCoreApplication::translate("CConfigWizard", "Back"), QStringLiteral("Zurück"));
    LoadTranslation(QStringLiteral("/no/such/folder"), QStringLiteral("de"));
}

void tst_TranslationLoader::crowdedFolderWithForeignNames()
{
    QTemporaryDir folder;
    for (int i = 0; i < 3000; ++i) {
        QFile file(folder.filePath(QStringLiteral("noise%1_xx.qm").arg(i)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // A name that is not UTF-8, made with the raw bytes.
    const QByteArray foreign = QFile::encodeName(folder.path()) + "/\xff\xfe_de.qm";
    FILE *raw = std::fopen(foreign.constData(), "w");
    QVERIFY(raw);
    std::fclose(raw);
    QVERIFY(QFile::copy(kGermanCatalogue, folder.filePath(QStringLiteral("zz_de.qm"))));

    const QStringList lines = debugLinesOfLoad(folder.path(), QStringLiteral("de"));
    // A name that cannot be decoded is not listed; the real catalogue wins.
    QCOMPARE(lines.value(1), QStringLiteral("qm files found= 3001"));
    QCOMPARE(lines.filter(QStringLiteral("installed translator for:")),
             QStringList{QStringLiteral("installed translator for: \"zz_de\"")});
}

QTEST_MAIN(tst_TranslationLoader)
#include "tst_translationloader.moc"
