#include "wizardbase.h"

CWizardBase::CWizardBase(QWidget *parent)
    : QWizardPage(parent)
{
    messageBox.setWindowTitle(tr("Orvex Firmware Updater"));
}

// Empty, and kept so: the base prepares nothing when a page is entered,
// and no page's own initializePage owes it a call.
void CWizardBase::initializePage()
{
}
