#include "windowloss.h"

#include <QAbstractEventDispatcher>
#include <QWidget>
#include <QtTest>

#include <xcb/xproto.h>

class tst_WindowLoss : public QObject
{
    Q_OBJECT

private slots:
    void destructionFromOutside_data();
    void destructionFromOutside();
    void watchGoesWithTheWindow();
};

namespace {

// The window system's report, as the X server sends it.
bool Deliver(uint8_t type, uint32_t window)
{
    xcb_destroy_notify_event_t event{};
    event.response_type = type;
    event.window = window;
    qintptr result = 0;
    return QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &event, &result);
}

} // namespace

void tst_WindowLoss::destructionFromOutside_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("ours");
    QTest::addColumn<int>("reports"); // how many times it arrives
    QTest::addColumn<int>("lost");
    QTest::newRow("our window destroyed") << int(XCB_DESTROY_NOTIFY) << true << 1 << 1;
    QTest::newRow("sent by another client") << int(XCB_DESTROY_NOTIFY | 0x80) << true << 1 << 1;
    QTest::newRow("told twice: once") << int(XCB_DESTROY_NOTIFY) << true << 2 << 1;
    QTest::newRow("another window destroyed") << int(XCB_DESTROY_NOTIFY) << false << 1 << 0;
    QTest::newRow("our window only unmapped") << int(XCB_UNMAP_NOTIFY) << true << 1 << 0;
}

void tst_WindowLoss::destructionFromOutside()
{
    QFETCH(int, type);
    QFETCH(bool, ours);
    QFETCH(int, reports);
    QFETCH(int, lost);
    QWidget window;
    window.show();
    int told = 0;
    WhenDestroyedFromOutside(&window, [&told] { ++told; });
    const uint32_t id = uint32_t(window.internalWinId());
    QVERIFY(id != 0);
    for (int i = 0; i < reports; ++i)
        QVERIFY(!Deliver(uint8_t(type), ours ? id : id + 1)); // and Qt still sees it
    QCOMPARE(told, lost);
}

void tst_WindowLoss::watchGoesWithTheWindow()
{
    int told = 0;
    uint32_t id = 0;
    {
        QWidget window;
        window.show();
        id = uint32_t(window.internalWinId());
        WhenDestroyedFromOutside(&window, [&told] { ++told; });
    }
    Deliver(XCB_DESTROY_NOTIFY, id);
    QCOMPARE(told, 0);
}

QTEST_MAIN(tst_WindowLoss)
#include "tst_windowloss.moc"
