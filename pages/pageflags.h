#ifndef ORVEX_PAGEFLAGS_H
#define ORVEX_PAGEFLAGS_H

#include <array>

// Process-wide flags through which the update page talks to the wizard
// window and to start-up. GUI thread only.

// Buttons the wizard shows when the update page becomes current.
extern bool g_backButtonVisible;
extern bool g_finishButtonVisible;
extern bool g_nextButtonVisible;
extern bool g_updateButtonVisible;
extern bool g_cancelButtonVisible;

// False while the firmware is written: the window must not close.
extern bool g_closeAllowed;

// Set after a failed update: start-up starts the program anew.
extern bool g_restartRequested;

// Every flag above, in one list, for whoever must save and restore them.
extern const std::array<bool *, 7> kAllPageFlags;

#endif
