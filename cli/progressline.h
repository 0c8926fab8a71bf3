#ifndef ORVEX_PROGRESSLINE_H
#define ORVEX_PROGRESSLINE_H

#include "firmwareupdater.h"
#include "output.h"

#include <QTimer>

// An update's progress on the command line: on a terminal one line,
// redrawn, with the step, a bar and the percentage, and while the
// receiver restarts which restart of how many and the seconds counted;
// elsewhere one plain line a step and a tenth; with --json the same as
// events. It never moves back. Asked to stop during the write, it says
// once that the receiver is finished first.
class ProgressLine : public ProgressView
{
public:
    ProgressLine(Output &output, const std::function<bool()> &stopAsked);

    void ShowProgress(int percent) override;
    void StepBegins(StepKind kind) override;
    void RestartWaitBegins(int restart, int restarts) override;
    void RestartWaitEnds() override;
    // The run is over: the redrawn line ends.
    void Finish();

private:
    void Draw();
    void NoticeStop();

    Output &output;
    std::function<bool()> stopAsked;
    bool stopSaid = false;
    QString step;
    int percent = 0;
    int tenthSaid = -1;
    int restart = 0;
    int restarts = 0;
    bool restarting = false;
    Stopwatch waited;
    QTimer ticker; // counts the seconds of a restart
};

#endif
