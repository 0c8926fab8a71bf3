// The real clock: the program's waits keep the window alive but act on no
// user input; time inside the device library processes nothing.

#include "clock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>

class tst_Clock : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void whatHappensMeanwhile_data();
    void whatHappensMeanwhile();
    void waitLastsItsTime();
};

namespace {

constexpr int kWaitMs = 40;

// A window that notes what reached it.
class Watched : public QWidget
{
public:
    int paints = 0;
    int keys = 0;
    int closeRequests = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
    void keyPressEvent(QKeyEvent *) override { ++keys; }
    void closeEvent(QCloseEvent *event) override
    {
        ++closeRequests;
        event->ignore();
    }
};

} // namespace

void tst_Clock::cleanup()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        QVERIFY(!window->isVisible());
}

void tst_Clock::whatHappensMeanwhile_data()
{
    QTest::addColumn<bool>("sleep");
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("meanwhile");
    QTest::newRow("wait: a timer falls due") << false << "timer" << true;
    QTest::newRow("wait: the window is repainted") << false << "paint" << true;
    QTest::newRow("wait: a typed key waits") << false << "key" << false;
    QTest::newRow("wait: a close request waits") << false << "close" << false;
    QTest::newRow("device time: no timer") << true << "timer" << false;
    QTest::newRow("device time: no repaint") << true << "paint" << false;
}

void tst_Clock::whatHappensMeanwhile()
{
    QFETCH(bool, sleep);
    QFETCH(QString, what);
    QFETCH(bool, meanwhile);
    Watched window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    window.paints = 0;

    bool timerFired = false;
    if (what == QLatin1String("timer"))
        QTimer::singleShot(1, &window, [&timerFired] { timerFired = true; });
    else if (what == QLatin1String("paint"))
        window.update();
    else if (what == QLatin1String("key"))
        QWindowSystemInterface::handleKeyEvent(window.windowHandle(), QEvent::KeyPress, Qt::Key_Return,
                                               Qt::NoModifier);
    else
        QWindowSystemInterface::handleCloseEvent(window.windowHandle());

    const auto happened = [&] {
        return timerFired || window.paints > 0 || window.keys > 0 || window.closeRequests > 0;
    };
    RealClock clock;
    if (sleep)
        clock.Sleep(kWaitMs);
    else
        clock.Wait(kWaitMs);
    QCOMPARE(happened(), meanwhile);
    // What waited reaches the program the next time it looks.
    QCoreApplication::processEvents();
    QVERIFY(happened());
    window.hide();
}

void tst_Clock::waitLastsItsTime()
{
    // Events arriving all the time must not cut the wait short.
    QTimer busy;
    busy.start(1);
    QElapsedTimer elapsed;
    elapsed.start();
    RealClock().Wait(kWaitMs);
    QVERIFY2(elapsed.elapsed() >= kWaitMs, qPrintable(QString::number(elapsed.elapsed())));
}

QTEST_MAIN(tst_Clock)
#include "tst_clock.moc"
