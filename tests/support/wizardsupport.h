#ifndef ORVEX_WIZARDSUPPORT_H
#define ORVEX_WIZARDSUPPORT_H

#include "testsupport.h"

// What a test of the window and its pages begins and ends with: as
// EngineFixture, and the page flags as at load; at the end no window may
// be left showing.
class WizardFixture : public EngineFixture
{
public:
    void End() override;
    void Reset() override;
};

// The interval of the one timer running on `object`, or 0 for none.
int RunningTimerInterval(QObject *object);
// Delivers the event of the one timer running on `object`, at once.
bool FireRunningTimer(QObject *object);

#endif
