// The yardstick for start-up figures: a bare QWizard with one page, empty,
// or ("texts") showing the search page's two texts in the page's fonts, to
// tell what drawing them costs from what the updater adds.
#include <QApplication>
#include <QLabel>
#include <QWizard>
#include <QWizardPage>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWizard wizard;
    auto *page = new QWizardPage;
    if (argc > 1 && qstrcmp(argv[1], "texts") == 0) {
        auto *heading = new QLabel(
            QStringLiteral("Please connect your Orvex receiver to your computer using the provided USB cable."), page);
        heading->setGeometry(16, 20, 501, 51);
        heading->setWordWrap(true);
        heading->setFont(QFont(QStringLiteral("Arial"), 11, QFont::Bold));
        auto *line = new QLabel(QStringLiteral("Searching for your Orvex receiver..."), page);
        line->setGeometry(16, 70, 401, 31);
        line->setFont(QFont(QStringLiteral("Arial"), 10));
    }
    wizard.addPage(page);
    wizard.show();
    return QApplication::exec();
}
