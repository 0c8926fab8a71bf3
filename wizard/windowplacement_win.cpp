#include "windowplacement.h"

#include <QGuiApplication>
#include <QWidget>

#include <windows.h>

void PlaceInFrontOfOtherApplications(QWidget *window)
{
    // Only Qt's windows platform gives a window handle; another (offscreen,
    // minimal) gives a number that may name a hidden window of some other
    // thread, and SetWindowPos would wait for that thread forever.
    if (QGuiApplication::platformName() != QLatin1String("windows"))
        return;
    const HWND handle = reinterpret_cast<HWND>(window->winId());
    SetWindowPos(handle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(handle, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
