// Every text of every page fits its place, in English and in every
// catalogue, at the window's fixed size.

#include "startup.h"
#include "testsupport.h"
#include "wizardtour.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QTranslator>
#include <QtTest>

class tst_PageTexts : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void fits_data();
    void fits();
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

} // namespace

void tst_PageTexts::cleanup()
{
    for (QTranslator *translator : QCoreApplication::instance()->findChildren<QTranslator *>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    ResetGlobals();
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
    ScopedVirtualClock clock;
    QStringList clipped;
    QVERIFY(WizardTour::Visit(state, [&clipped](QWidget *window) { clipped = Clipped(window); }));
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
}

QTEST_MAIN(tst_PageTexts)
#include "tst_pagetexts.moc"
