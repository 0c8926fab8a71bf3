#ifndef ORVEX_PROGRESSBARVIEW_H
#define ORVEX_PROGRESSBARVIEW_H

#include "firmwareupdater.h"

class QProgressBar;

// The engine's progress on a bar: painted at once when it moves, then the
// window takes its pending events, while the update keeps the thread.
class ProgressBarView : public ProgressView
{
public:
    explicit ProgressBarView(QProgressBar *bar) : bar(bar) {}
    void ShowProgress(int percent) override;

private:
    QProgressBar *bar;
};

#endif
