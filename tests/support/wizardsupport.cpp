#include "wizardsupport.h"

#include "pageflags.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTimerEvent>
#include <QWidget>
#include <QtTest>

namespace {

// The flags as the program starts with them, taken before any test
// changes them.
const QList<bool> kAtLoad = [] {
    QList<bool> values;
    for (const bool *flag : kAllPageFlags)
        values << *flag;
    return values;
}();

} // namespace

void WizardFixture::End()
{
    QStringList showing;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            showing << window->objectName() + QLatin1Char(' ') + window->metaObject()->className();
    }
    EngineFixture::End();
    QVERIFY2(showing.isEmpty(), qPrintable(showing.join(QStringLiteral(", "))));
}

void WizardFixture::Reset()
{
    EngineFixture::Reset();
    for (size_t i = 0; i < kAllPageFlags.size(); ++i)
        *kAllPageFlags[i] = kAtLoad[int(i)];
}

int RunningTimerInterval(QObject *object)
{
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(object);
    return timers.size() == 1 ? timers.first().interval : 0;
}

bool FireRunningTimer(QObject *object)
{
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(object);
    if (timers.size() != 1)
        return false;
    QTimerEvent event(timers.first().timerId);
    QCoreApplication::sendEvent(object, &event);
    return true;
}
