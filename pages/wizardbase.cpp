#include "wizardbase.h"

CWizardBase::CWizardBase(QWidget *parent)
    : QWizardPage(parent)
{
    messageBox.setWindowTitle(tr("Orvex Firmware Updater"));
}

void CWizardBase::initializePage()
{
}
