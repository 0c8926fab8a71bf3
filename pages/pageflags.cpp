#include "pageflags.h"

bool g_backButtonVisible = false;
bool g_finishButtonVisible = false;
bool g_nextButtonVisible = false;
bool g_updateButtonVisible = false;
bool g_cancelButtonVisible = false;
bool g_closeAllowed = true;
bool g_restartRequested = false;

const std::array<bool *, 7> kAllPageFlags = {&g_backButtonVisible, &g_finishButtonVisible, &g_nextButtonVisible,
                                             &g_updateButtonVisible, &g_cancelButtonVisible, &g_closeAllowed,
                                             &g_restartRequested};
