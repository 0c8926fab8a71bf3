#include "firstpaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

class FirstPaintWatch : public QObject
{
public:
    FirstPaintWatch(QWidget *window, std::function<void()> then)
        : QObject(window), then(std::move(then))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // After this paint has finished.
            QTimer::singleShot(0, watched, then);
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> then;
};

} // namespace

void WhenFirstPainted(QWidget *window, std::function<void()> then)
{
    new FirstPaintWatch(window, std::move(then));
}
