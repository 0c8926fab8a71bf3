#include "nodevicelibrary.h"

#include <QCoreApplication>
#include <QMessageBox>

void SayNoDeviceLibrary(const QString &problem)
{
    QMessageBox box(QMessageBox::Critical, QCoreApplication::translate("SingleInstance", "Orvex Firmware Updater"),
                    problem, QMessageBox::Close);
    box.exec();
}
