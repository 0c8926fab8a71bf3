#ifndef ORVEX_WIZARDBASE_H
#define ORVEX_WIZARDBASE_H

#include <QMessageBox>
#include <QWizardPage>

// Base of every page: a ready-made message box titled with the program's
// name, for a page to fill and show.
class CWizardBase : public QWizardPage
{
    Q_OBJECT

public:
    explicit CWizardBase(QWidget *parent = nullptr);

    void initializePage() override;

protected:
    // No parent: a top-level window of its own when shown.
    QMessageBox messageBox;
};

#endif
