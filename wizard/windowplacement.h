#ifndef ORVEX_WINDOWPLACEMENT_H
#define ORVEX_WINDOWPLACEMENT_H

class QWidget;

// Puts the window in front of other applications' windows without
// leaving it always on top.
void PlaceInFrontOfOtherApplications(QWidget *window);

#endif
