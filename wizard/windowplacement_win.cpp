#include "windowplacement.h"

#include <QWidget>

#include <windows.h>

void PlaceInFrontOfOtherApplications(QWidget *window)
{
    const HWND handle = reinterpret_cast<HWND>(window->winId());
    SetWindowPos(handle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(handle, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
