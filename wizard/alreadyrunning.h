#ifndef ORVEX_ALREADYRUNNING_H
#define ORVEX_ALREADYRUNNING_H

// Tells the user, in a box, that an updater runs that cannot show its
// window (a second start was asked to and got no window in answer).
void SayAlreadyRunning();

#endif
