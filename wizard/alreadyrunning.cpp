#include "alreadyrunning.h"

#include <QCoreApplication>
#include <QMessageBox>

void SayAlreadyRunning()
{
    QMessageBox box;
    box.setWindowTitle(QCoreApplication::translate("SingleInstance", "Orvex Firmware Updater"));
    box.setText(QCoreApplication::translate(
        "SingleInstance", "The Orvex Firmware Updater is already running, but its window cannot be shown. "
                          "If it is updating a receiver, leave the receiver plugged in, wait a few minutes, "
                          "then start the updater again."));
    box.exec();
}
