#include "catalogtexts.h"
#include "startup.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <QtEndian>

#include <cstdio>
#include <random>

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
    void damagedCatalogueRefused_data();
    void damagedCatalogueRefused();
    void damagedCataloguesNeverCrash();

private:
    QStringList debugLinesOfLoad(const QString &folder, const QString &key);
};

namespace {

const QString kGermanCatalogue = QStringLiteral(ORVEX_TRANSLATIONS_DIR "/OrvexUpdater_de.qm");

QByteArray FileBytes(const QString &file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

// Where the block with this tag starts in a catalogue, and how long it is.
QPair<int, quint32> FindBlock(const QByteArray &catalogue, uchar tag)
{
    for (int at = 16; at + 5 <= catalogue.size();) {
        const auto length = qFromBigEndian<quint32>(catalogue.constData() + at + 1);
        if (uchar(catalogue.at(at)) == tag)
            return {at + 5, length};
        at += 5 + int(length);
    }
    return {-1, 0};
}

void Put32(QByteArray &bytes, int at, quint32 value)
{
    qToBigEndian(value, bytes.data() + at);
}

// Installs `catalogue` as the only German catalogue of a folder, as
// start-up would, and uses it for every text; true when it was installed.
bool InstallAndUse(const QString &folder, const QByteArray &catalogue)
{
    QFile file(QDir(folder).filePath(QStringLiteral("Damaged_de.qm")));
    if (!file.open(QIODevice::WriteOnly) || file.write(catalogue) != catalogue.size())
        return false;
    file.close();
    LoadTranslation(folder, QStringLiteral("de"));
    const QList<QTranslator *> installed = QCoreApplication::instance()->findChildren<QTranslator *>();
    bool used = false;
    for (QTranslator *translator : installed) {
        used = used || !translator->isEmpty();
        QCoreApplication::removeTranslator(translator);
        for (const CatalogText &text : ReadCatalogTexts(QStringLiteral(ORVEX_SOURCE_DIR "/translations/OrvexUpdater_de.ts")))
            translator->translate(text.context.constData(), text.source.constData());
        delete translator;
    }
    return used;
}

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
    DebugCapture capture;
    LoadTranslation(folder, key);
    return capture.lines;
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
#ifndef Q_OS_WIN
    // A Windows folder cannot hold two names that differ only in case.
    QTest::newRow("upper case sorts first") << QStringList{"b_de.qm", "B_de.qm"} << "de" << "B_de" << 2;
#endif
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
#ifndef Q_OS_WIN
    // A name that is not UTF-8, made with the raw bytes (Windows names
    // are UTF-16 and always decode).
    const QByteArray foreign = QFile::encodeName(folder.path()) + "/\xff\xfe_de.qm";
    FILE *raw = std::fopen(foreign.constData(), "w");
    QVERIFY(raw);
    std::fclose(raw);
#endif
    QVERIFY(QFile::copy(kGermanCatalogue, folder.filePath(QStringLiteral("zz_de.qm"))));

    const QStringList lines = debugLinesOfLoad(folder.path(), QStringLiteral("de"));
    // A name that cannot be decoded is not listed; the real catalogue wins.
    QCOMPARE(lines.value(1), QStringLiteral("qm files found= 3001"));
    QCOMPARE(lines.filter(QStringLiteral("installed translator for:")),
             QStringList{QStringLiteral("installed translator for: \"zz_de\"")});
#ifndef Q_OS_WIN
    // QTemporaryDir cannot remove what Qt cannot name.
    QCOMPARE(std::remove(foreign.constData()), 0);
#endif
}

void tst_TranslationLoader::damagedCatalogueRefused_data()
{
    // Each damage below loads into a plain QTranslator and then makes
    // translating read outside the catalogue or divide by zero.
    const QByteArray real = FileBytes(kGermanCatalogue);
    const auto [hashes, hashesLength] = FindBlock(real, 0x42);
    const auto [messages, messagesLength] = FindBlock(real, 0x69);
    QVERIFY(hashes > 0 && messages > 0);

    QByteArray offsetPastBlock = real;
    Put32(offsetPastBlock, hashes + 4, messagesLength + 16);
    QByteArray translationTooLong = real;
    Put32(translationTooLong, messages + real.mid(messages, int(messagesLength)).indexOf('\x03') + 1, 0x7FFFFFF0);
    const QByteArray emptyContextTable = real + QByteArray("\x2f\x00\x00\x00\x02\x00\x00", 7);
    const QByteArray contextListPastBlock = real + QByteArray("\x2f\x00\x00\x00\x04\x00\x01\x00\x40", 9);
    const QByteArray dependency = real + QByteArray("\x96\x00\x00\x00\x04\x00\x00\x00\x00", 9);

    QTest::addColumn<QByteArray>("catalogue");
    QTest::addColumn<bool>("installed");
    QTest::newRow("the real catalogue") << real << true;
    QTest::newRow("a message offset past its block") << offsetPastBlock << false;
    QTest::newRow("a translation longer than its block") << translationTooLong << false;
    QTest::newRow("a context table of size zero") << emptyContextTable << false;
    QTest::newRow("a context list past its block") << contextListPastBlock << false;
    QTest::newRow("a dependency on another catalogue") << dependency << false;
    QTest::newRow("cut inside the messages") << real.left(messages + 100) << false;
}

void tst_TranslationLoader::damagedCatalogueRefused()
{
    QFETCH(QByteArray, catalogue);
    QFETCH(bool, installed);
    QTemporaryDir folder;
    QCOMPARE(InstallAndUse(folder.path(), catalogue), installed);
}

void tst_TranslationLoader::damagedCataloguesNeverCrash()
{
    // Random damage to every shipped catalogue; under the sanitizers any
    // read outside a catalogue ends the test.
    const QStringList shipped = QDir(QStringLiteral(ORVEX_TRANSLATIONS_DIR)).entryList({QStringLiteral("*.qm")});
    QCOMPARE(shipped.size(), 5);
    QTemporaryDir folder;
    std::mt19937 random(2024);
    int damaged = 0;
    int acceptedByQtAlone = 0;
    int installed = 0;
    for (const QString &name : shipped) {
        const QByteArray real = FileBytes(QDir(QStringLiteral(ORVEX_TRANSLATIONS_DIR)).filePath(name));
        for (int i = 0; i < 240; ++i) {
            QByteArray bytes = real;
            const int at = 16 + int(random() % quint32(bytes.size() - 20));
            switch (i % 4) {
            case 0: // a few bits flipped
                for (int n = 1 + int(random() % 4); n > 0; --n)
                    bytes[16 + int(random() % quint32(bytes.size() - 16))] ^= char(1 << (random() % 8));
                break;
            case 1: // a length or offset made up
                Put32(bytes, at, random() % 2 ? quint32(random()) : quint32(random() % 0x2000));
                break;
            case 2: // cut short
                bytes.truncate(at);
                break;
            default: // a 16-bit field zeroed or made up
                qToBigEndian(quint16(random() % 3 ? 0 : random()), bytes.data() + at);
                break;
            }
            QTranslator plain;
            acceptedByQtAlone += plain.load(reinterpret_cast<const uchar *>(bytes.constData()), int(bytes.size()));
            installed += InstallAndUse(folder.path(), bytes);
            ++damaged;
        }
    }
    qInfo("%d damaged catalogues: %d loaded by QTranslator alone, %d installed after the check", damaged,
          acceptedByQtAlone, installed);
    QVERIFY(damaged >= 1000);
    // The check is what stands between many of them and the translator.
    QVERIFY(acceptedByQtAlone > installed);
}

QTEST_MAIN(tst_TranslationLoader)
#include "tst_translationloader.moc"
