#include "windowloss.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QWidget>

#include <xcb/xproto.h>

namespace {

// Any X client may destroy any window. Qt leaves the widget as it was, so
// the destruction is looked for among the window system's events; the
// watch goes with the window.
class DestructionWatch : public QObject, public QAbstractNativeEventFilter
{
public:
    DestructionWatch(QWidget *window, std::function<void()> lost)
        : QObject(window), window(window), lost(std::move(lost))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~DestructionWatch() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "xcb_generic_event_t" || !lost)
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & ~0x80) != XCB_DESTROY_NOTIFY)
            return false;
        const auto *destroyed = static_cast<const xcb_destroy_notify_event_t *>(message);
        if (destroyed->window == xcb_window_t(window->internalWinId())) {
            const std::function<void()> once = std::move(lost);
            lost = nullptr;
            once();
        }
        return false;
    }

private:
    QWidget *window;
    std::function<void()> lost;
};

} // namespace

void WhenDestroyedFromOutside(QWidget *window, std::function<void()> lost)
{
    new DestructionWatch(window, std::move(lost));
}
