// Writes a picture of every page and state into a folder:
// orvex-screenshots FOLDER [LANGUAGE]. Used for docs/screenshots.

#include "clearstyle.h"
#include "startup.h"
#include "wizardtour.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: orvex-screenshots FOLDER [LANGUAGE]\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString language = argc > 2 ? QString::fromLatin1(argv[2]) : QStringLiteral("en");
    LoadTranslation(QStringLiteral(ORVEX_TRANSLATIONS_DIR), language);
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVEX_VERSION));
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    MakeFusionClear();

    int failed = 0;
    for (const QString &state : WizardTour::States()) {
        const QString file = folder.filePath(QStringLiteral("%1-%2.png").arg(language, state));
        const bool saved = WizardTour::Visit(state, [&file](QWidget *window) {
            window->grab().save(file);
        });
        failed += saved ? 0 : 1;
    }
    return failed;
}
