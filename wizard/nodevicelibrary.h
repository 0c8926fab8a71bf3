#ifndef ORVEX_NODEVICELIBRARY_H
#define ORVEX_NODEVICELIBRARY_H

#include <QString>

// Tells the user, in a box instead of the window, why no receiver can be
// reached: the device library's problem, in one line.
void SayNoDeviceLibrary(const QString &problem);

#endif
