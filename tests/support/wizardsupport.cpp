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
struct Flags {
    bool back = g_backButtonVisible;
    bool finish = g_finishButtonVisible;
    bool next = g_nextButtonVisible;
    bool update = g_updateButtonVisible;
    bool cancel = g_cancelButtonVisible;
    bool closeAllowed = g_closeAllowed;
    bool restartRequested = g_restartRequested;
};
const Flags kAtLoad;

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
    g_backButtonVisible = kAtLoad.back;
    g_finishButtonVisible = kAtLoad.finish;
    g_nextButtonVisible = kAtLoad.next;
    g_updateButtonVisible = kAtLoad.update;
    g_cancelButtonVisible = kAtLoad.cancel;
    g_closeAllowed = kAtLoad.closeAllowed;
    g_restartRequested = kAtLoad.restartRequested;
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
