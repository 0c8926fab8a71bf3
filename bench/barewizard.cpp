// The yardstick for start-up figures: a bare QWizard with one page.
#include <QApplication>
#include <QWizard>
#include <QWizardPage>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWizard wizard;
    wizard.addPage(new QWizardPage);
    wizard.show();
    return QApplication::exec();
}
