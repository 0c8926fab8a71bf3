#ifndef ORVEX_REPORTBOX_H
#define ORVEX_REPORTBOX_H

class QMessageBox;
class QRect;

// Keeps a message box with a long text inside `available` (a screen's
// free area): where the text would not fit, it scrolls, and the box's
// buttons stay on the screen. The text itself is not touched.
void FitMessageBoxOnScreen(QMessageBox *box, const QRect &available);

#endif
