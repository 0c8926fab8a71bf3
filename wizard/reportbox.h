#ifndef ORVEX_REPORTBOX_H
#define ORVEX_REPORTBOX_H

class QMessageBox;
class QRect;

// Puts a message box's long text into a view that scrolls, sized to stay
// inside `available` (a screen's free area) with the box's buttons on the
// screen. The view holds the keyboard's focus from the moment the box
// opens, so that the arrows, Page Up and Down, Home and End scroll it,
// while Enter and Escape still close the box. The text itself is not
// touched.
void FitMessageBoxOnScreen(QMessageBox *box, const QRect &available);

#endif
