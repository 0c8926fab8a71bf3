#include "windowplacement.h"

#include <QWidget>

#include <windows.h>

void PlaceInFrontOfOtherApplications(QWidget *window)
{
    const HWND handle = reinterpret_cast<HWND>(window->winId());
    // Only Qt's windows platform gives a window handle; another (offscreen,
    // minimal) gives a number that may name some other program's window,
    // which would then be raised, or wait on a program that never answers.
    DWORD owner = 0;
    if (!IsWindow(handle) || GetWindowThreadProcessId(handle, &owner) == 0 || owner != GetCurrentProcessId())
        return;
    SetWindowPos(handle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(handle, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}
