#include "windowloss.h"

// Windows lets only the thread that made a window destroy it: no other
// program can take the updater's window away.
void WhenDestroyedFromOutside(QWidget *, std::function<void()>)
{
}
