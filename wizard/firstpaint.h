#ifndef ORVEX_FIRSTPAINT_H
#define ORVEX_FIRSTPAINT_H

#include <functional>

class QWidget;

// Runs `then` once the window has been painted for the first time.
void WhenFirstPainted(QWidget *window, std::function<void()> then);

#endif
