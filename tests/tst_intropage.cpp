#include "configwizard.h"
#include "intropage.h"
#include "pageids.h"
#include "receiverstate.h"
#include "wizardsupport.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QtTest>

#include <cmath>

class tst_IntroPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sweep_data();
    void sweep();
    void versionReadRetried();
    void pollingSlowsDownOnce();
    void cleanupStopsPolling();
    void tickDuringSweepStartsNoSecondOne();
    void closedWindowProbesNoMore_data();
    void closedWindowProbesNoMore();
    void leavingAfterFoundStopsNoDeadTimer();
    void hintAfterTwentySecondsWithoutReceiver();

private:
    void Poll() { QVERIFY(FireRunningTimer(page)); }
    int PollInterval() const { return RunningTimerInterval(page); }

    WizardFixture fixture;
    CConfigWizard *wizard = nullptr;
    QWizardPage *page = nullptr;
};

namespace {

struct Attached {
    quint32 pid;
    double version;
};

} // namespace

Q_DECLARE_METATYPE(QList<Attached>)

void tst_IntroPage::init()
{
    fixture.Begin();
}

void tst_IntroPage::cleanup()
{
    delete wizard;
    wizard = nullptr;
    fixture.End();
}

void tst_IntroPage::sweep_data()
{
    QTest::addColumn<QList<Attached>>("attached");
    QTest::addColumn<int>("accepted"); // 0: none
    QTest::addColumn<QStringList>("probed");
    QTest::addColumn<int>("released");
    QTest::addColumn<int>("pageAfter");

    const QStringList all = {"1311", "1400", "1315", "1316", "1317", "1320"};
    QTest::newRow("earlier ID wins: 1311 before 1317")
        << QList<Attached>{{0x1317, 6.01}, {0x1311, 6.0}} << 0x1311 << QStringList{"1311"} << 0 << 1;
    QTest::newRow("1400 is probed second")
        << QList<Attached>{{0x1315, 6.01}, {0x1400, 6.0}} << 0x1400 << QStringList{"1311", "1400"} << 0 << 1;
    QTest::newRow("5.0 released, then 6.01 accepted")
        << QList<Attached>{{0x1311, 5.0}, {0x1316, 6.01}} << 0x1316 << all.mid(0, 4) << 1 << 1;
    QTest::newRow("exactly 6.0 accepted") << QList<Attached>{{0x1315, 6.0}} << 0x1315 << all.mid(0, 3) << 0
                                          << 1;
    QTest::newRow("5.9 rejected") << QList<Attached>{{0x1316, 5.9}} << 0 << all << 1 << 0;
    QTest::newRow("NaN rejected") << QList<Attached>{{0x1317, std::nan("")}} << 0 << all << 1 << 0;
    QTest::newRow("nothing attached") << QList<Attached>{} << 0 << all << 0 << 0;
    QTest::newRow("1320 skips the pack page") << QList<Attached>{{0x1320, 6.07}} << 0x1320 << all << 0 << 2;
}

void tst_IntroPage::sweep()
{
    QFETCH(QList<Attached>, attached);
    QFETCH(int, accepted);
    QFETCH(QStringList, probed);
    QFETCH(int, released);
    QFETCH(int, pageAfter);
    for (const Attached &receiver : attached) {
        auto r = AttachReceiver(receiver.pid, receiver.version, 3);
        r->versionNaN = std::isnan(receiver.version);
    }
    wizard = new CConfigWizard;
    page = wizard->page(kSearchPageId);
    QVERIFY(!wizard->button(QWizard::NextButton)->isEnabled());

    DebugCapture capture;
    Poll();
    QStringList lookedFor;
    for (const QString &line : capture.lines.filter(QStringLiteral("Look for System with PID= ")))
        lookedFor << line.section(QLatin1Char(' '), -1);
    QCOMPARE(lookedFor, probed);
    QCOMPARE(g_receiverState.found, accepted != 0);
    QCOMPARE(g_receiverState.pid, accepted);
    QCOMPARE(capture.lines.count(QStringLiteral("System found but not supported")), released);
    const QStringList release = {"ClosePort", "DeletePortManager", "DeleteCommandHandler"};
    QStringList expectedRelease;
    for (int i = 0; i < released; ++i)
        expectedRelease += release;
    QCOMPARE(sim::Bus::Instance().releaseLog, expectedRelease);
    QCOMPARE(sim::Bus::Instance().liveHandlers, accepted ? 1 : 0);
    QCOMPARE(wizard->currentId(), pageAfter);
    QCOMPARE(g_receiverState.newPackSelected, accepted == 0x1320);
    QCOMPARE(page->findChild<QLabel *>(QStringLiteral("label_search"))->isVisible(), accepted == 0);
    if (accepted == 0) {
        // Six IDs, two tries each, half a second after every failed try.
        QCOMPARE(fixture.Clock().NowMs(), qint64(6 * 2 * 500 - released * 1000));
        QCOMPARE(g_receiverState.commandHandler, nullptr);
    }
}

void tst_IntroPage::versionReadRetried()
{
    auto receiver = AttachReceiver(0x1311, 6.0, 10);
    receiver->faults[sim::Op::GetVersion].answerFrom = 3;
    wizard = new CConfigWizard;
    page = wizard->page(kSearchPageId);
    Poll();
    QVERIFY(g_receiverState.found);
    QCOMPARE(fixture.Clock().NowMs(), qint64(1000));
    QCOMPARE(wizard->currentId(), kPackPageId);
}

void tst_IntroPage::pollingSlowsDownOnce()
{
    wizard = new CConfigWizard;
    page = wizard->page(kSearchPageId);
    QCOMPARE(PollInterval(), 500);
    Poll();
    QCOMPARE(PollInterval(), 2000);
    const int slowTimer = QAbstractEventDispatcher::instance()->registeredTimers(page).first().timerId;
    Poll();
    QCOMPARE(QAbstractEventDispatcher::instance()->registeredTimers(page).first().timerId, slowTimer);

    AttachReceiver(0x1317, 6.01, 81);
    Poll();
    QCOMPARE(PollInterval(), 0);
    QCOMPARE(wizard->currentId(), kPackPageId);
}

void tst_IntroPage::cleanupStopsPolling()
{
    wizard = new CConfigWizard;
    page = wizard->page(kSearchPageId);
    page->cleanupPage();
    QCOMPARE(PollInterval(), 0);
}

void tst_IntroPage::tickDuringSweepStartsNoSecondOne()
{
    BriefRealClock realTime; // the waits really process events
    wizard = new CConfigWizard;
    page = wizard->page(kSearchPageId);
    QTimer::singleShot(0, page, [this] { FireRunningTimer(page); });
    DebugCapture capture;
    Poll();
    QCOMPARE(capture.lines.filter(QStringLiteral("Look for System with PID=")).size(), 6);
}

void tst_IntroPage::closedWindowProbesNoMore_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close button") << "close";
    QTest::newRow("Cancel") << "Cancel";
    QTest::newRow("Escape") << "Escape";
}

void tst_IntroPage::closedWindowProbesNoMore()
{
    QFETCH(QString, how);
    wizard = new CConfigWizard;
    page = wizard->page(kSearchPageId);
    // Arrives while the sweep looks for events before its first probe.
    QTimer::singleShot(0, wizard, [this, how] {
        if (how == QLatin1String("close"))
            wizard->close();
        else if (how == QLatin1String("Cancel"))
            wizard->button(QWizard::CancelButton)->click();
        else
            QTest::keyClick(wizard, Qt::Key_Escape);
    });
    DebugCapture capture;
    Poll();
    QVERIFY(!wizard->isVisible());
    QCOMPARE(capture.lines.filter(QStringLiteral("Look for System with PID=")).size(), 1);
    QCOMPARE(fixture.Clock().NowMs(), 0);
    QCOMPARE(PollInterval(), 0);
}

void tst_IntroPage::leavingAfterFoundStopsNoDeadTimer()
{
    AttachReceiver(0x1317, 6.01, 81);
    wizard = new CConfigWizard;
    page = wizard->page(kSearchPageId);
    Poll();
    QCOMPARE(wizard->currentId(), kPackPageId);
    QTest::failOnWarning(QRegularExpression(QStringLiteral("killTimer")));
    wizard->button(QWizard::CancelButton)->click();
    QVERIFY(!wizard->isVisible());
}

void tst_IntroPage::hintAfterTwentySecondsWithoutReceiver()
{
    wizard = new CConfigWizard;
    page = wizard->page(kSearchPageId);
    auto *hintTimer = page->findChild<QTimer *>(QStringLiteral("hintTimer"));
    auto *hint = page->findChild<QLabel *>(QStringLiteral("label_hint"));
    QVERIFY(hintTimer->isActive() && hintTimer->isSingleShot());
    QCOMPARE(hintTimer->interval(), 20000);
    QVERIFY(!hint->isVisible());
    Poll();
    Poll();
    QVERIFY(!hint->isVisible());
    DebugCapture capture;
    QMetaObject::invokeMethod(hintTimer, "timeout");
    QVERIFY(hint->isVisible());
    QCOMPARE(hint->text(), QStringLiteral("Still searching. Check that the USB cable is plugged in firmly at both "
                                          "ends, or try another USB port."));
    // The search itself goes on as before.
    QCOMPARE(PollInterval(), 2000);
    QVERIFY(capture.lines.isEmpty());

    AttachReceiver(0x1317, 6.01, 81);
    Poll();
    QCOMPARE(wizard->currentId(), kPackPageId);
    QVERIFY(!hint->isVisible() && !hintTimer->isActive());
}

QTEST_MAIN(tst_IntroPage)
#include "tst_intropage.moc"
