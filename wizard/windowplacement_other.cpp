#include "windowplacement.h"

#include <QWidget>
#include <QWindow>

// Window managers here decide the stacking across applications; asking
// for activation is what a program may do.
void PlaceInFrontOfOtherApplications(QWidget *window)
{
    if (QWindow *handle = window->windowHandle())
        handle->requestActivate();
}
