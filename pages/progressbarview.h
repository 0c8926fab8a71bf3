#ifndef ORVEX_PROGRESSBARVIEW_H
#define ORVEX_PROGRESSBARVIEW_H

#include "firmwareupdater.h"

class QLabel;
class QProgressBar;
class QTimer;

// The engine's progress on the update page: the bar, painted at once when
// it moves, then the window takes its pending events, while the update
// keeps the thread; and, while the receiver restarts, a line under the bar
// that says so, which restart of how many it is, and counts the seconds,
// so that nobody unplugs it during a wait of a minute or more. The bar
// holds the focus while the update runs; the line reaches a screen reader
// as the bar's description, when a restart begins and then at most every
// kDescribeEveryMs, while the count on the screen goes on every second.
class ProgressBarView : public ProgressView
{
public:
    ProgressBarView(QProgressBar *bar, QLabel *restartLine);
    void ShowProgress(int percent) override;
    void RestartWaitBegins(int restart, int restarts) override;
    void RestartWaitEnds() override;

    // Object name of the timer that counts the seconds.
    static constexpr const char *kTickerName = "restartWaitTicker";
    static constexpr qint64 kDescribeEveryMs = 15000;

private:
    void ShowRestartLine();

    QProgressBar *bar;
    QLabel *restartLine;
    QTimer *ticker; // owned by restartLine
    Stopwatch waited;
    int restart = 0;
    int restarts = 0;
    qint64 describedAtMs = -1; // of the wait; -1: not yet
};

#endif
