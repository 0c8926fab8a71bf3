#include "configwizard.h"

#include "catalogue.h"
#include "clearstyle.h"
#include "pageflags.h"
#include "reportbox.h"
#include "wizardsupport.h"
#include "wizardtour.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

class tst_ConfigWizard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fixedSizeWithoutHelp();
    void title_data();
    void title();
    void buttonsOnSearchAndPackPages_data();
    void buttonsOnSearchAndPackPages();
    void buttonsOnUpdatePage_data();
    void buttonsOnUpdatePage();
    void closing_data();
    void closing();
    void helpKeyShowsReport_data();
    void helpKeyShowsReport();
    void reportFitsOnTheScreen_data();
    void reportFitsOnTheScreen();
    void reportScrollBarShowsWhereTheTextIs_data();
    void reportScrollBarShowsWhereTheTextIs();

private:
    WizardFixture fixture;
};

namespace {

using Buttons = QList<QWizard::WizardButton>;

const Buttons kPageButtons = {QWizard::BackButton, QWizard::NextButton, QWizard::FinishButton,
                              QWizard::CustomButton1, QWizard::CancelButton};

// Closes the next modal box and hands back what it showed.
void CloseNextBox(QString *title, QString *text)
{
    QTimer::singleShot(0, [title, text] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        *title = box->windowTitle();
        *text = box->text();
        box->close();
    });
}

void ShowPage(CConfigWizard &wizard, int id)
{
    while (wizard.currentId() < id)
        wizard.next();
    QCOMPARE(wizard.currentId(), id);
}

} // namespace

void tst_ConfigWizard::init()
{
    fixture.Begin();
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0.6"));
}

void tst_ConfigWizard::cleanup()
{
    QApplication::setStyle(QStringLiteral("fusion"));
    fixture.End();
}

// A user cannot make it larger or smaller, and finds no Help anywhere.
void tst_ConfigWizard::fixedSizeWithoutHelp()
{
    CConfigWizard wizard;
    QVERIFY(wizard.isVisible());
    const QSize shown = wizard.size();
    for (const QSize asked : {QSize(800, 600), QSize(200, 100)}) {
        wizard.resize(asked);
        QCOMPARE(wizard.size(), shown);
    }
    QVERIFY(!(wizard.windowFlags() & Qt::WindowContextHelpButtonHint));
    QVERIFY(!wizard.button(QWizard::HelpButton)->isVisible());
    wizard.close();
}

void tst_ConfigWizard::title_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("title");
    QTest::newRow("with the program's version") << "1.0.0.6" << "Orvex Firmware Updater v1.0.0.6";
    QTest::newRow("without a version") << "" << "Orvex Firmware Updater v";
}

void tst_ConfigWizard::title()
{
    QFETCH(QString, version);
    QFETCH(QString, title);
    QCoreApplication::setApplicationVersion(version);
    CConfigWizard wizard;
    QCOMPARE(wizard.windowTitle(), title);
    wizard.close();
}

void tst_ConfigWizard::buttonsOnSearchAndPackPages_data()
{
    QTest::addColumn<int>("id");
    QTest::newRow("search page") << 0;
    QTest::newRow("pack page") << 1;
}

void tst_ConfigWizard::buttonsOnSearchAndPackPages()
{
    QFETCH(int, id);
    // Flags meant for the update page must not leak onto these pages.
    g_backButtonVisible = g_updateButtonVisible = true;
    CConfigWizard wizard;
    ShowPage(wizard, id);
    QVERIFY(!wizard.button(QWizard::BackButton)->isVisible());
    QVERIFY(!wizard.button(QWizard::CustomButton1)->isVisible());
    QVERIFY(!wizard.button(QWizard::CustomButton1)->isEnabled());
    QVERIFY(wizard.button(QWizard::CancelButton)->isVisible());
    QVERIFY(wizard.button(QWizard::NextButton)->isVisible());
    wizard.close();
}

// What a user meets on the update page in each of its states, reached
// through the real buttons.
void tst_ConfigWizard::buttonsOnUpdatePage_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<Buttons>("shown");
    QTest::addColumn<bool>("updateEnabled");
    QTest::newRow("up to date: Back and Close") << "up-to-date" << Buttons{QWizard::BackButton, QWizard::FinishButton} << false;
    QTest::newRow("offered: Back, Update, Cancel")
        << "offered" << Buttons{QWizard::BackButton, QWizard::CustomButton1, QWizard::CancelButton} << true;
    QTest::newRow("while it runs: Update, greyed") << "running" << Buttons{QWizard::CustomButton1} << false;
    QTest::newRow("updated: Close alone") << "updated" << Buttons{QWizard::FinishButton} << false;
}

void tst_ConfigWizard::buttonsOnUpdatePage()
{
    QFETCH(QString, state);
    QFETCH(Buttons, shown);
    QFETCH(bool, updateEnabled);
    QStringList wrong;
    QVERIFY(WizardTour::Visit(state, [&](QWidget *window) {
        auto *wizard = qobject_cast<QWizard *>(window);
        QVERIFY(wizard);
        for (const QWizard::WizardButton which : kPageButtons) {
            if (wizard->button(which)->isVisible() != shown.contains(which))
                wrong << wizard->button(which)->text();
        }
        if (wizard->button(QWizard::CustomButton1)->isEnabled() != updateEnabled)
            wrong << QStringLiteral("Update enabled");
    }));
    QCOMPARE(wrong, QStringList());
}

void tst_ConfigWizard::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("allowed");
    for (const char *how : {"close()", "Escape", "reject()", "Cancel button"}) {
        QTest::addRow("%s while idle", how) << how << true;
        QTest::addRow("%s during a write", how) << how << false;
    }
}

void tst_ConfigWizard::closing()
{
    QFETCH(QString, how);
    QFETCH(bool, allowed);
    CConfigWizard wizard;
    g_closeAllowed = allowed;
    if (how == QLatin1String("close()"))
        wizard.close();
    else if (how == QLatin1String("Escape"))
        QTest::keyClick(&wizard, Qt::Key_Escape);
    else if (how == QLatin1String("reject()"))
        wizard.reject();
    else
        wizard.button(QWizard::CancelButton)->click();
    QCOMPARE(wizard.isVisible(), !allowed);
    g_closeAllowed = true;
    wizard.close();
}

void tst_ConfigWizard::helpKeyShowsReport_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("writing");
    QTest::newRow("search page") << 0 << false;
    QTest::newRow("pack page") << 1 << false;
    QTest::newRow("update page") << 2 << false;
    QTest::newRow("during a write: no box") << 2 << true;
}

void tst_ConfigWizard::helpKeyShowsReport()
{
    QFETCH(int, id);
    QFETCH(bool, writing);
    CConfigWizard wizard;
    ShowPage(wizard, id);
    g_closeAllowed = !writing;
    QString title;
    QString text;
    if (!writing)
        CloseNextBox(&title, &text);
    DebugCapture capture;
    QTest::keyClick(&wizard, Qt::Key_F1);
    QCoreApplication::processEvents();
    // Both tables, each rule on a line of its own.
    QCOMPARE(text.startsWith(QStringLiteral("Scrivet Pack Classic:\npid=1311,v=6.00.0-6.00.18->pid=1400,v=6.00.29\n")), !writing);
    QCOMPARE(text.contains(QStringLiteral("\nScrivet Pack:\n")), !writing);
    QCOMPARE(title, writing ? QString() : QStringLiteral("Orvex Firmware Updater"));
    QCOMPARE(capture.lines.contains(QStringLiteral("F1 key pressed")), !writing);
    QCOMPARE(wizard.currentId(), id);
    QVERIFY(wizard.isVisible());
    g_closeAllowed = true;
    wizard.close();
}

void tst_ConfigWizard::reportFitsOnTheScreen_data()
{
    QTest::addColumn<QSize>("screen"); // free area, in the window's own pixels
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("800 x 600: all of it") << QSize(800, 600) << false;
    QTest::newRow("800 x 600 at scale 2") << QSize(400, 300) << true;
    QTest::newRow("1280 x 800 at scale 2, less a panel") << QSize(640, 370) << true;
}

void tst_ConfigWizard::reportFitsOnTheScreen()
{
    QFETCH(QSize, screen);
    QFETCH(bool, scrolls);
    QMessageBox box;
    box.setText(DescribeUpgradeTables());
    FitMessageBoxOnScreen(&box, QRect(QPoint(0, 0), screen));
    box.show();
    QCoreApplication::processEvents();
    // Within the screen, frame allowed for, with its OK button; the text
    // as it was, in a scrolling view where it does not fit.
    QVERIFY2(box.height() <= screen.height() - 32 && box.width() <= screen.width(),
             qPrintable(QStringLiteral("%1 x %2").arg(box.width()).arg(box.height())));
    QCOMPARE(box.text(), DescribeUpgradeTables());
    QAbstractButton *ok = box.buttons().value(0);
    QVERIFY(ok && ok->isVisible() && box.rect().contains(QRect(ok->mapTo(&box, QPoint(0, 0)), ok->size())));
    auto *view = box.findChild<QScrollArea *>();
    QVERIFY(view);
    QCOMPARE(view->verticalScrollBar()->maximum() > 0, scrolls);
    // The keys scroll it from the start; Enter is still the box's.
    QCOMPARE(box.focusWidget(), view);
    QTest::keyClick(view, Qt::Key_End);
    QCOMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
    QTest::keyClick(view, Qt::Key_Home);
    QCOMPARE(view->verticalScrollBar()->value(), 0);
    QTest::keyClick(view, Qt::Key_Return);
    QVERIFY(!box.isVisible());
}

// Where the report scrolls, its scroll bar's handle is drawn at the end of
// the track where the text is: the track left free lies the other way.
void tst_ConfigWizard::reportScrollBarShowsWhereTheTextIs_data()
{
    QTest::addColumn<bool>("atEnd");
    QTest::newRow("at the top") << false;
    QTest::newRow("after End") << true;
}

void tst_ConfigWizard::reportScrollBarShowsWhereTheTextIs()
{
    QFETCH(bool, atEnd);
    MakeFusionClear();
    QMessageBox box;
    box.setText(DescribeUpgradeTables());
    FitMessageBoxOnScreen(&box, QRect(0, 0, 400, 300));
    box.show();
    QCoreApplication::processEvents();
    auto *view = box.findChild<QScrollArea *>();
    QVERIFY(view);
    if (atEnd)
        QTest::keyClick(view, Qt::Key_End);
    QScrollBar *bar = view->verticalScrollBar();
    const QImage drawn = bar->grab().toImage();
    const QRgb handle = bar->palette().color(QPalette::Mid).rgb();
    int first = -1;
    int last = -1;
    for (int y = 0; y < drawn.height(); ++y) {
        if (drawn.pixel(drawn.width() / 2, y) == handle) {
            first = first < 0 ? y : first;
            last = y;
        }
    }
    QVERIFY2(first >= 0, "no handle in the handle's colour");
    const int freeAbove = first;
    const int freeBelow = drawn.height() - 1 - last;
    QVERIFY2(atEnd ? freeAbove > freeBelow : freeAbove < freeBelow,
             qPrintable(QStringLiteral("handle from %1 to %2 of %3").arg(first).arg(last).arg(drawn.height())));
    box.close();
}

QTEST_MAIN(tst_ConfigWizard)
#include "tst_configwizard.moc"
