#include "singleinstance.h"

#include <windows.h>

void GrantForegroundToOtherProcess()
{
    // Windows lets only the foreground process hand the foreground on.
    AllowSetForegroundWindow(ASFW_ANY);
}
