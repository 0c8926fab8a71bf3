#ifndef ORVEX_WINDOWLOSS_H
#define ORVEX_WINDOWLOSS_H

#include <functional>

class QWidget;

// Calls `lost` once when another program destroys `window` through the
// window system: the updater can then no longer be seen or closed by the
// user.
void WhenDestroyedFromOutside(QWidget *window, std::function<void()> lost);

#endif
