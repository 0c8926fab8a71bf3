#ifndef ORVEX_PROGRESSBARVIEW_H
#define ORVEX_PROGRESSBARVIEW_H

#include "firmwareupdater.h"

class QLabel;
class QProgressBar;
class QTimer;

// The engine's progress on the update page: the bar, painted at once when
// it moves, then the window takes its pending events, while the update
// keeps the thread; and, while the receiver restarts, a line under the bar
// that says so and counts the seconds, so that nobody unplugs it during a
// wait of a minute or more.
class ProgressBarView : public ProgressView
{
public:
    ProgressBarView(QProgressBar *bar, QLabel *restartLine);
    void ShowProgress(int percent) override;
    void RestartWaitBegins() override;
    void RestartWaitEnds() override;

    // Object name of the timer that counts the seconds.
    static constexpr const char *kTickerName = "restartWaitTicker";

private:
    void ShowRestartLine();

    QProgressBar *bar;
    QLabel *restartLine;
    QTimer *ticker; // owned by restartLine
    Stopwatch waited;
};

#endif
