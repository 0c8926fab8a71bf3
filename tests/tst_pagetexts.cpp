// Every text of every page fits its place, in English and in every
// catalogue, at the window's fixed size, and every character of every
// catalogue has a glyph in the fonts the window draws with.

#include "catalogtexts.h"
#include "pagewidgets.h"
#include "startup.h"
#include "wizardsupport.h"
#include "wizardtour.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGlyphRun>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRadioButton>
#include <QTextLayout>
#include <QTranslator>
#include <QtTest>

class tst_PageTexts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void fits_data();
    void fits();
    void everyCharacterHasAGlyph_data();
    void everyCharacterHasAGlyph();
};

namespace {

// What does not fit on the shown page or box.
QStringList Clipped(QWidget *window)
{
    QStringList clipped;
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (!label->isVisible() || label->text().isEmpty() || !label->wordWrap())
            continue;
        if (label->heightForWidth(label->width()) > label->height())
            clipped << label->objectName() + QStringLiteral(": ") + label->text();
    }
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (button->isVisible() && button->sizeHint().width() > button->width())
            clipped << button->objectName() + QStringLiteral(": ") + button->text();
    }
    return clipped;
}

// The characters of `text` that `font`, with the system's fallbacks,
// would draw as an empty box or not at all.
QString WithoutGlyph(const QString &text, const QFont &font)
{
    QString missing;
    for (const QChar c : text) {
        if (c.isSpace())
            continue;
        QTextLayout layout(QString(c), font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        bool drawn = false;
        for (const QGlyphRun &run : layout.glyphRuns())
            drawn = drawn || (!run.glyphIndexes().isEmpty() && !run.glyphIndexes().contains(0));
        if (!drawn && !missing.contains(c))
            missing += c;
    }
    return missing;
}

} // namespace

void tst_PageTexts::initTestCase()
{
    // Hundreds of debug lines a row would use up QtTest's message budget,
    // and later rows would report nothing.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
}

void tst_PageTexts::cleanup()
{
    for (QTranslator *translator : QCoreApplication::instance()->findChildren<QTranslator *>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

void tst_PageTexts::fits_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("state");
    for (const char *language : {"en", "de", "fr", "es", "chs", "cht"}) {
        for (const QString &state : WizardTour::States())
            QTest::addRow("%s %s", language, qPrintable(state)) << language << state;
    }
}

void tst_PageTexts::fits()
{
    QFETCH(QString, language);
    QFETCH(QString, state);
    LoadTranslation(QStringLiteral(ORVEX_TRANSLATIONS_DIR), language);
    QStringList clipped;
    QVERIFY(WizardTour::Visit(state, [&clipped](QWidget *window) { clipped = Clipped(window); }));
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
}

void tst_PageTexts::everyCharacterHasAGlyph_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QFont>("font");
    const QStringList catalogues = QDir(QStringLiteral(ORVEX_SOURCE_DIR "/translations"))
                                       .entryList({QStringLiteral("*.ts")}, QDir::Files);
    QVERIFY(catalogues.size() >= 5);
    const QFont buttons = QApplication::font("QPushButton");
    for (const QString &name : catalogues) {
        const QByteArray tag = name.toUtf8();
        QTest::addRow("%s, headings", tag.constData()) << name << HeadingFont();
        QTest::addRow("%s, page texts", tag.constData()) << name << BodyFont();
        QTest::addRow("%s, buttons and boxes", tag.constData()) << name << buttons;
    }
}

void tst_PageTexts::everyCharacterHasAGlyph()
{
    QFETCH(QString, catalogue);
    QFETCH(QFont, font);
    const QList<CatalogText> texts = ReadCatalogTexts(QStringLiteral(ORVEX_SOURCE_DIR "/translations/") + catalogue);
    QVERIFY(texts.size() >= 30);
    QString missing;
    for (const CatalogText &text : texts)
        missing += WithoutGlyph(text.translation, font);
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("no glyph for: ") + missing));
}

QTEST_MAIN(tst_PageTexts)
#include "tst_pagetexts.moc"
