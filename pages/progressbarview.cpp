#include "progressbarview.h"

#include <QCoreApplication>
#include <QProgressBar>

void ProgressBarView::ShowProgress(int percent)
{
    // Most reports leave it where it is.
    if (bar->value() != percent) {
        bar->setValue(percent);
        bar->repaint();
    }
    QCoreApplication::processEvents();
}
