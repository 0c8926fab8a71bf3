#include "configwizard.h"
#include "pageids.h"
#include "pageflags.h"
#include "receiverstate.h"
#include "sleepinhibitor.h"
#include "wizardsupport.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QAccessible>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>

class tst_UpdateFirmwarePage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void upToDate();
    void updatesFromSearchToSuccess();
    void reenteringStartsOneRun();
    void failureAsksToRetry_data();
    void failureAsksToRetry();
    void unreachableReceiverRestartsSilently();
    void enterKey_data();
    void enterKey();
    void pressDuringRunStartsNoSecondRun();
    void offerNamesTheFirmware_data();
    void offerNamesTheFirmware();
    void restartLineCountsWhileTheReceiverRestarts();
    void closeDuringTheWriteIsAnswered_data();
    void closeDuringTheWriteIsAnswered();
    void closeDuringARestartIsAnsweredAtOnce_data();
    void closeDuringARestartIsAnsweredAtOnce();
    void spaceAndEnterAgree_data();
    void spaceAndEnterAgree();

private:
    // Shows the wizard, lets the search find the receiver and goes on to
    // the update page with the given pack.
    void ReachUpdatePage(const char *pack = "scrivetpack_new");
    // `interrupt`: a close request and Escape arrive during the write.
    void PressUpdateAndRun(bool interrupt = false);
    QString Headline() const;
    // The target's firmware in both copies, copy 1 running.
    void ReplaceReceiverWithUpToDateOne();
    // A fresh wizard in one of the states a user meets: search, pack,
    // offered, up to date, updated.
    void ReachState(const QString &state);
    bool Shown(QWizard::WizardButton which) const { return wizard->button(which)->isVisible(); }

    WizardFixture fixture;
    CConfigWizard *wizard = nullptr;
    std::shared_ptr<sim::Receiver> receiver;
    MemoryRecord record;
};

namespace {

// Counts the sleep locks taken and given back, and how many library calls
// the receiver had seen when they were.
class FakeSleepLock : public SleepInhibitor::Backend
{
public:
    std::shared_ptr<void> Take() override
    {
        ++taken;
        callsAtTake = Calls();
        return std::shared_ptr<void>(this, [this](void *) {
            ++released;
            callsAtRelease = Calls();
        });
    }
    static qint64 Calls() { return sim::Bus::Instance().Receivers().value(0)->calls; }
    int taken = 0;
    int released = 0;
    qint64 callsAtTake = -1;
    qint64 callsAtRelease = -1;
};

FakeSleepLock *g_sleepLock = nullptr;

// Waits for the next message box, notes what it and the page's headline
// behind it say, and answers it.
void AnswerNextBox(const QString &answer, QString *text, QString *question, QLabel *headline = nullptr,
                   QString *behind = nullptr)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer->deleteLater();
        timer->stop();
        *text = box->text();
        *question = box->informativeText();
        if (headline)
            *behind = headline->text();
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == answer)
                button->click();
        }
    });
    timer->start(0);
}

} // namespace

void tst_UpdateFirmwarePage::init()
{
    fixture.Begin();
    g_sleepLock = new FakeSleepLock;
    SleepInhibitor::SetBackend(g_sleepLock);
    receiver = AttachReceiver(0x1317, 6.01, 81);
}

void tst_UpdateFirmwarePage::cleanup()
{
    delete wizard;
    wizard = nullptr;
    receiver.reset();
    record = MemoryRecord();
    SleepInhibitor::SetBackend(nullptr);
    delete g_sleepLock;
    fixture.End();
}

void tst_UpdateFirmwarePage::ReachUpdatePage(const char *pack)
{
    wizard = new CConfigWizard(nullptr, &record);
    QVERIFY(FireRunningTimer(wizard->page(kSearchPageId)));
    QCOMPARE(wizard->currentId(), kPackPageId);
    QTest::mouseClick(wizard->currentPage()->findChild<QRadioButton *>(QLatin1String(pack)), Qt::LeftButton);
    wizard->button(QWizard::NextButton)->click();
    QCOMPARE(wizard->currentId(), kUpdatePageId);
}

void tst_UpdateFirmwarePage::PressUpdateAndRun(bool interrupt)
{
    wizard->button(QWizard::CustomButton1)->click();
    QVERIFY(!Shown(QWizard::BackButton));
    QVERIFY(!Shown(QWizard::CancelButton));
    QVERIFY(!wizard->button(QWizard::CustomButton1)->isEnabled());
    QVERIFY(wizard->currentPage()->findChild<QProgressBar *>(QStringLiteral("progressBar"))->isVisible());
    QCOMPARE(RunningTimerInterval(wizard->currentPage()), 500);
    if (interrupt) {
        QCoreApplication::postEvent(wizard, new QCloseEvent);
        for (const int key : {Qt::Key_Escape, Qt::Key_Return})
            QCoreApplication::postEvent(wizard, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    }
    QVERIFY(FireRunningTimer(wizard->currentPage()));
}

void tst_UpdateFirmwarePage::ReplaceReceiverWithUpToDateOne()
{
    sim::Bus::Instance().Reset();
    receiver = BeforeUpdate::Current().Attach(0x1317, RuleNamed(QStringLiteral("A7")).target);
}

void tst_UpdateFirmwarePage::ReachState(const QString &state)
{
    const QStringList known = {"search", "pack", "offered", "up to date", "updated"};
    QVERIFY2(known.contains(state), qPrintable(state));
    if (state == QLatin1String("up to date"))
        ReplaceReceiverWithUpToDateOne();
    if (state == QLatin1String("search") || state == QLatin1String("pack")) {
        wizard = new CConfigWizard;
        if (state == QLatin1String("pack"))
            QVERIFY(FireRunningTimer(wizard->page(kSearchPageId)));
        return;
    }
    ReachUpdatePage();
    if (state == QLatin1String("updated"))
        PressUpdateAndRun();
}

QString tst_UpdateFirmwarePage::Headline() const
{
    return wizard->currentPage()->findChild<QLabel *>(QStringLiteral("label_msg1"))->text();
}

void tst_UpdateFirmwarePage::upToDate()
{
    ReplaceReceiverWithUpToDateOne();
    ReachUpdatePage();
    QCOMPARE(Headline(), QStringLiteral("Your Orvex receiver firmware is up to date."));
    QVERIFY(!wizard->currentPage()->findChild<QLabel *>(QStringLiteral("label_msg2"))->isVisible());
    QVERIFY(!wizard->currentPage()->findChild<QProgressBar *>(QStringLiteral("progressBar"))->isVisible());
    QVERIFY(Shown(QWizard::BackButton) && Shown(QWizard::FinishButton));
    QVERIFY(!Shown(QWizard::CustomButton1) && !Shown(QWizard::NextButton) && !Shown(QWizard::CancelButton));
    QCOMPARE(wizard->button(QWizard::FinishButton)->text(), QStringLiteral("Close"));
    // The firmware it runs, named on the page and to a screen reader on Close.
    QCOMPARE(wizard->currentPage()->findChild<QLabel *>(QStringLiteral("label_installed"))->text(),
             QStringLiteral("Installed: 6.01, build 83."));
    QCOMPARE(wizard->button(QWizard::FinishButton)->accessibleDescription(),
             QStringLiteral("Your Orvex receiver firmware is up to date. Installed: 6.01, build 83."));
    wizard->button(QWizard::FinishButton)->click();
    QVERIFY(!g_restartRequested);
}

void tst_UpdateFirmwarePage::updatesFromSearchToSuccess()
{
    ReachUpdatePage();
    QCOMPARE(Headline(), QStringLiteral("Your Orvex receiver firmware needs to be updated."));
    QVERIFY(Shown(QWizard::BackButton) && Shown(QWizard::CustomButton1) && Shown(QWizard::CancelButton));
    QVERIFY(!Shown(QWizard::NextButton) && !Shown(QWizard::FinishButton));
    QCOMPARE(wizard->button(QWizard::CustomButton1)->text(), QStringLiteral("&Update"));

    const qint64 callsBeforeRun = receiver->calls;
    // The bar, as a screen reader has it: named, a progress bar, with
    // its value; it holds the focus while the receiver is written.
    auto *bar = wizard->currentPage()->findChild<QProgressBar *>(QStringLiteral("progressBar"));
    QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(bar);
    QCOMPARE(spoken->text(QAccessible::Name), QStringLiteral("Update progress"));
    QCOMPARE(spoken->role(), QAccessible::ProgressBar);
    int focusedAt = 0;
    int shown = 0;
    DebugCapture capture;
    capture.onLine = [&](const QString &line) {
        if (line.startsWith(QLatin1String("UpdateProgress:"))) {
            ++shown;
            focusedAt += wizard->focusWidget() == bar;
        }
    };
    PressUpdateAndRun(true);
    QVERIFY(shown > 10);
    QCOMPARE(focusedAt, shown);
    QCOMPARE(spoken->valueInterface()->currentValue().toInt(), 100);
    QCOMPARE(wizard->focusWidget(), wizard->button(QWizard::FinishButton));
    QCOMPARE(wizard->button(QWizard::FinishButton)->accessibleDescription(),
             QStringLiteral("Your Orvex receiver firmware has been updated. Installed: 6.01, build 83."));

    QCOMPARE(Headline(), QStringLiteral("Your Orvex receiver firmware has been updated."));
    // Held from before the run's first call to after its last.
    QCOMPARE(g_sleepLock->callsAtTake, callsBeforeRun);
    QCOMPARE(g_sleepLock->callsAtRelease, receiver->calls);
    QVERIFY(receiver->calls > callsBeforeRun);
    QVERIFY(wizard->isVisible());
    QVERIFY(Shown(QWizard::FinishButton));
    QVERIFY(!Shown(QWizard::CustomButton1) && !Shown(QWizard::BackButton) && !Shown(QWizard::CancelButton));
    QCOMPARE(wizard->currentPage()->findChild<QProgressBar *>(QStringLiteral("progressBar"))->value(), 100);
    QVERIFY(g_closeAllowed);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(receiver->runningIdentity.build, 83);
    QCOMPARE(g_sleepLock->taken, 1);
    QCOMPARE(g_sleepLock->released, 1);
    wizard->button(QWizard::FinishButton)->click();
    QVERIFY(!g_restartRequested);
}

void tst_UpdateFirmwarePage::reenteringStartsOneRun()
{
    ReachUpdatePage();
    wizard->button(QWizard::BackButton)->click();
    QCOMPARE(wizard->currentId(), kPackPageId);
    QTest::mouseClick(wizard->currentPage()->findChild<QRadioButton *>(QStringLiteral("scrivetpack_classic")),
                      Qt::LeftButton);
    DebugCapture capture;
    wizard->button(QWizard::NextButton)->click();
    QVERIFY(!g_receiverState.newPackSelected);
    const QStringList chosen = capture.lines.filter(QStringLiteral("upgrade firmware to:"));
    QCOMPARE(chosen.size(), 1);
    QVERIFY2(chosen.first().endsWith(QLatin1String("version= 6 ,build= 82")), qPrintable(chosen.first()));

    wizard->button(QWizard::CustomButton1)->click();
    QCOMPARE(QAbstractEventDispatcher::instance()->registeredTimers(wizard->currentPage()).size(), 1);
    QVERIFY(FireRunningTimer(wizard->currentPage()));
    QCOMPARE(capture.lines.count(QStringLiteral("Finish Flash Upgrade")), 1);
    QCOMPARE(receiver->runningIdentity.build, 82);
    wizard->close();
}

void tst_UpdateFirmwarePage::failureAsksToRetry_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("restart");
    QTest::newRow("Yes: restart") << "Yes" << true;
    QTest::newRow("No: no restart") << "No" << false;
}

void tst_UpdateFirmwarePage::failureAsksToRetry()
{
    QFETCH(QString, answer);
    QFETCH(bool, restart);
    receiver->faults[sim::Op::WriteFlashCode].always = true;
    ReachUpdatePage();
    QString text;
    QString question;
    QString behind;
    AnswerNextBox(answer, &text, &question, wizard->currentPage()->findChild<QLabel *>(QStringLiteral("label_msg1")),
                  &behind);
    PressUpdateAndRun();
    QCOMPARE(text, QStringLiteral("Your Orvex receiver failed to update. Please provide Technical Support "
                                  "with the following error code: 119"));
    // The page behind the box no longer says that the update goes on.
    QCOMPARE(behind, QStringLiteral("Your Orvex receiver firmware could not be updated."));
    QCOMPARE(question, QStringLiteral("Please unplug the Orvex receiver before restarting the updater. "
                                      "Would you like to retry the update?"));
    QCOMPARE(g_restartRequested, restart);
    QVERIFY(!wizard->isVisible());
    QCOMPARE(g_sleepLock->released, 1);
}

void tst_UpdateFirmwarePage::unreachableReceiverRestartsSilently()
{
    ReachUpdatePage();
    receiver->Unplug();
    // A box would hold the run in its own loop: note and close any.
    QStringList boxes;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&boxes] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxes << box->text();
            box->reject();
        }
    });
    watch.start(0);
    PressUpdateAndRun();
    QVERIFY(g_restartRequested);
    QVERIFY(!wizard->isVisible());
    QCOMPARE(boxes, QStringList());
}

void tst_UpdateFirmwarePage::enterKey_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("focused"); // the button Enter is typed on
    QTest::addColumn<QString>("outcome");
    QTest::newRow("search page, Cancel focused: nothing") << "search" << int(QWizard::CancelButton) << "stays";
    QTest::newRow("pack page, Cancel focused: Next") << "pack" << int(QWizard::CancelButton) << "next";
    QTest::newRow("offered, Cancel focused: Update") << "offered" << int(QWizard::CancelButton) << "update";
    QTest::newRow("offered, Back focused: Update") << "offered" << int(QWizard::BackButton) << "update";
    QTest::newRow("up to date, Back focused: Close") << "up to date" << int(QWizard::BackButton) << "closes";
    QTest::newRow("updated: Close") << "updated" << int(QWizard::FinishButton) << "closes";
}

void tst_UpdateFirmwarePage::enterKey()
{
    QFETCH(QString, state);
    QFETCH(int, focused);
    QFETCH(QString, outcome);
    ReachState(state);
    const int page = wizard->currentId();

    QAbstractButton *button = wizard->button(QWizard::WizardButton(focused));
    QVERIFY(button->isVisible());
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);

    QCOMPARE(wizard->isVisible(), outcome != QLatin1String("closes"));
    QCOMPARE(wizard->currentId(), outcome == QLatin1String("next") ? kUpdatePageId : page);
    const bool starting = wizard->currentId() == kUpdatePageId && !wizard->button(QWizard::CustomButton1)->isEnabled()
        && RunningTimerInterval(wizard->currentPage()) == 500;
    QCOMPARE(starting, outcome == QLatin1String("update"));
    QVERIFY(!g_restartRequested);
    if (wizard->isVisible() && wizard->currentId() != 0)
        wizard->close();
}

void tst_UpdateFirmwarePage::pressDuringRunStartsNoSecondRun()
{
    BriefRealClock realTime; // the waits really process events
    receiver->restartTimeMs = 2000;
    ReachUpdatePage();
    wizard->button(QWizard::CustomButton1)->click();
    // A press that arrives in the middle of the run, as if from the button.
    QTimer::singleShot(10, wizard, [this] { emit wizard->customButtonClicked(QWizard::CustomButton1); });
    DebugCapture capture;
    QVERIFY(FireRunningTimer(wizard->currentPage()));
    QCOMPARE(capture.lines.count(QStringLiteral("Finish Flash Upgrade")), 1);
    QCOMPARE(capture.lines.count(QStringLiteral("CUpdateFirmwarePage::initializePage")), 0);
    QCOMPARE(RunningTimerInterval(wizard->currentPage()), 0);
    QCOMPARE(Headline(), QStringLiteral("Your Orvex receiver firmware has been updated."));
    wizard->close();
}

void tst_UpdateFirmwarePage::offerNamesTheFirmware_data()
{
    QTest::addColumn<int>("build");   // of the receiver, 6.01 on copy 2
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("kept"); // a record of the update can be kept
    QTest::newRow("a rule: installed and new")
        << 81 << "Installed: 6.01, build 81. New: 6.01, build 83." << true;
    QTest::newRow("copy 1 left behind: finishing")
        << 83 << "An earlier update of this receiver did not finish. Update finishes it: 6.01, build 83." << true;
    QTest::newRow("no record can be kept: said before Update")
        << 81 << "Installed: 6.01, build 81. New: 6.01, build 83." << false;
}

void tst_UpdateFirmwarePage::offerNamesTheFirmware()
{
    QFETCH(int, build);
    QFETCH(QString, line);
    QFETCH(bool, kept);
    sim::Bus::Instance().Reset();
    receiver = AttachReceiver(0x1317, 6.01, build, 2);
    record.keeps = kept;
    ReachUpdatePage();
    auto *versions = wizard->currentPage()->findChild<QLabel *>(QStringLiteral("label_versions"));
    auto *unrecorded = wizard->currentPage()->findChild<QLabel *>(QStringLiteral("label_record"));
    QVERIFY(versions->isVisible());
    QCOMPARE(versions->text(), line);
    QCOMPARE(unrecorded->isVisible(), !kept);
    PressUpdateAndRun();
    QVERIFY(!versions->isVisible() && !unrecorded->isVisible());
    wizard->close();
}

void tst_UpdateFirmwarePage::restartLineCountsWhileTheReceiverRestarts()
{
    LookingClock clock;
    receiver->restartTimeMs = 23000;
    ReachUpdatePage();
    auto *line = wizard->currentPage()->findChild<QLabel *>(QStringLiteral("label_restart"));
    auto *ticker = wizard->currentPage()->findChild<QTimer *>(QStringLiteral("restartWaitTicker"));
    auto *bar = wizard->currentPage()->findChild<QProgressBar *>();
    QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(bar);
    QStringList seen;      // the line at each restart, as its count stood at the end of the wait
    QStringList described; // what a screen reader hears of the bar, which holds the focus
    bool wasVisible = false;
    QTimer look;
    connect(&look, &QTimer::timeout, [&] {
        if (line->isVisible() && !wasVisible) {
            // Said as the restart began; then again, 15 s on or later; the
            // count on the screen goes on meanwhile.
            described << spoken->text(QAccessible::Description);
            QMetaObject::invokeMethod(ticker, "timeout");
            described << spoken->text(QAccessible::Description);
            clock.VirtualClock::Wait(1000);
            QMetaObject::invokeMethod(ticker, "timeout");
            described << spoken->text(QAccessible::Description);
            seen << line->text();
        }
        wasVisible = line->isVisible();
    });
    look.start(0);
    DebugCapture capture;
    PressUpdateAndRun();
    QVERIFY(!line->isVisible());
    QVERIFY(!ticker->isActive());
    // Three restarts, each seen once the receiver's 23 s had passed, and
    // gone when it answered.
    const auto counted = [](int restart, int seconds) {
        return QStringLiteral("Restarting the receiver (restart %1 of 3). This can take a minute or two. "
                              "Do not unplug it. (%2\u00A0s)").arg(restart).arg(seconds);
    };
    QCOMPARE(seen, QStringList({counted(1, 24), counted(2, 24), counted(3, 24)}));
    QStringList heard;
    for (int restart = 1; restart <= 3; ++restart)
        heard << counted(restart, 0) << counted(restart, 23) << counted(restart, 23);
    QCOMPARE(described, heard);
    QCOMPARE(spoken->text(QAccessible::Description), QString());
    QVERIFY(wizard->focusWidget() != bar);
    QCOMPARE(capture.lines.count(QStringLiteral("RestartWithCopy MsToRestart= 23000")), 3);
    wizard->close();
}

void tst_UpdateFirmwarePage::closeDuringTheWriteIsAnswered_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("the title bar's close button") << "close";
}

void tst_UpdateFirmwarePage::closeDuringTheWriteIsAnswered()
{
    QFETCH(QString, how);
    LookingClock clock;
    ReachUpdatePage();
    auto *notice = wizard->currentPage()->findChild<QLabel *>(QStringLiteral("label_notice"));
    auto *bar = wizard->currentPage()->findChild<QProgressBar *>(QStringLiteral("progressBar"));
    QString said;
    QString heard;
    bool asked = false;
    QTimer look;
    connect(&look, &QTimer::timeout, [&] {
        if (asked || g_closeAllowed)
            return;
        asked = true;
        if (how == QLatin1String("Escape"))
            QTest::keyClick(wizard, Qt::Key_Escape);
        else
            wizard->close();
        said = notice->isVisible() ? notice->text() : QString();
        heard = QAccessible::queryAccessibleInterface(bar)->text(QAccessible::Description);
    });
    look.start(0);
    PressUpdateAndRun();
    const QString answer = QStringLiteral("The update must finish first. Keep the receiver plugged in until it has.");
    QCOMPARE(said, answer);
    QCOMPARE(heard, answer);
    // The window stayed, the update ended, and the notice with it.
    QVERIFY(wizard->isVisible());
    QCOMPARE(Headline(), QStringLiteral("Your Orvex receiver firmware has been updated."));
    QVERIFY(!notice->isVisible());
    wizard->close();
}

// A request that the window system brings while the receiver restarts
// (here 110 s) is answered on the page within a tenth of a second, on the
// virtual clock; the window stays and the update goes on to its end.
void tst_UpdateFirmwarePage::closeDuringARestartIsAnsweredAtOnce_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Escape typed") << "Escape";
    QTest::newRow("the title bar's close button") << "close";
    QTest::newRow("Alt+F4") << "Alt+F4";
}

void tst_UpdateFirmwarePage::closeDuringARestartIsAnsweredAtOnce()
{
    QFETCH(QString, how);
    constexpr int kRestartMs = 110000;
    LookingClock clock(10);
    receiver->restartTimeMs = kRestartMs;
    ReachUpdatePage();
    auto *line = wizard->currentPage()->findChild<QLabel *>(QStringLiteral("label_restart"));
    auto *notice = wizard->currentPage()->findChild<QLabel *>(QStringLiteral("label_notice"));
    qint64 askedAtMs = -1;
    qint64 answeredAtMs = -1;
    QTimer look;
    connect(&look, &QTimer::timeout, [&] {
        if (askedAtMs < 0 && line->isVisible()) {
            askedAtMs = clock.NowMs();
            QWindow *window = wizard->windowHandle();
            if (how == QLatin1String("close"))
                QWindowSystemInterface::handleCloseEvent(window);
            else
                QWindowSystemInterface::handleKeyEvent(window, QEvent::KeyPress,
                                                       how == QLatin1String("Escape") ? Qt::Key_Escape : Qt::Key_F4,
                                                       how == QLatin1String("Escape") ? Qt::NoModifier : Qt::AltModifier);
        } else if (askedAtMs >= 0 && answeredAtMs < 0 && notice->isVisible()) {
            answeredAtMs = clock.NowMs();
        }
    });
    look.start(0);
    PressUpdateAndRun();
    QVERIFY(askedAtMs >= 0);
    QVERIFY2(answeredAtMs >= 0 && answeredAtMs - askedAtMs <= 100,
             qPrintable(QStringLiteral("asked at %1 ms, answered at %2 ms").arg(askedAtMs).arg(answeredAtMs)));
    QVERIFY(wizard->isVisible());
    QCOMPARE(Headline(), QStringLiteral("Your Orvex receiver firmware has been updated."));
    wizard->close();
}

void tst_UpdateFirmwarePage::spaceAndEnterAgree_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("defaultButton");
    QTest::newRow("pack page: Next") << "pack" << int(QWizard::NextButton);
    QTest::newRow("offered: Update") << "offered" << int(QWizard::CustomButton1);
    QTest::newRow("up to date: Close") << "up to date" << int(QWizard::FinishButton);
    QTest::newRow("updated: Close") << "updated" << int(QWizard::FinishButton);
}

void tst_UpdateFirmwarePage::spaceAndEnterAgree()
{
    QFETCH(QString, state);
    QFETCH(int, defaultButton);
    ReachState(state);
    auto *expected = qobject_cast<QPushButton *>(wizard->button(QWizard::WizardButton(defaultButton)));
    QVERIFY(expected->isDefault());
    // The default button has the focus, so Space presses it as Enter does.
    QCOMPARE(wizard->focusWidget(), expected);
    QSignalSpy pressed(expected, &QAbstractButton::clicked);
    QTest::keyClick(expected, Qt::Key_Space);
    QCOMPARE(pressed.count(), 1);
    if (wizard->isVisible())
        wizard->close();
}

QTEST_MAIN(tst_UpdateFirmwarePage)
#include "tst_updatefirmwarepage.moc"
