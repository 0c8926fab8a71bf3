#include "singleinstance.h"

// The window manager decides here; the running updater asks for
// activation itself.
void GrantForegroundToOtherProcess()
{
}
