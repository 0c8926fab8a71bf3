#include "alreadyrunning.h"
#include "configwizard.h"
#include "firstpaint.h"
#include "nodevicelibrary.h"
#include "clearstyle.h"
#include "pageflags.h"
#include "record.h"
#include "singleinstance.h"
#include "startup.h"
#include "windowloss.h"

#include <QApplication>
#include <QDebug>
#include <QIcon>
#include <QLocale>
#include <QTimer>

#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

constexpr int kLookForEndMs = 100;

// --version, on the console it was started from; no display is needed.
int PrintVersion(int argc, char **argv)
{
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationVersion(ReadFileVersion(QCoreApplication::applicationFilePath()));
#ifdef Q_OS_WIN
    // A windowed program has no console of its own.
    if (AttachConsole(ATTACH_PARENT_PROCESS))
        std::freopen("CONOUT$", "w", stdout);
#endif
    std::fputs(VersionText(QStringLiteral("orvex-updater")).toLocal8Bit().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
        return PrintVersion(argc, argv);
    QApplication app(argc, argv);
    // A second start (a double click, the menu) brings the running updater
    // forward and leaves the receiver alone.
    SingleInstance instance;
    if (!instance.Claim()) {
        if (!instance.AskRunningToComeForward()) {
            LoadTranslation(TranslationsFolder(), LanguageKey(argc, argv, QLocale::system().name()));
            SayAlreadyRunning();
        }
        return 0;
    }
    // From here on, every message also goes into this start's log. The
    // folder is opened once the window is painted: the window comes first.
    Record record;

    // Listed so that the catalogues carry the application menu's texts.
    QCoreApplication::translate("QMenuBar", "Services");
    QCoreApplication::translate("QMenuBar", "Hide %1");
    QCoreApplication::translate("QMenuBar", "Hide Others");
    QCoreApplication::translate("QMenuBar", "Show All");
    QCoreApplication::translate("QMenuBar", "Quit %1");

    const QString languageKey = LanguageKey(argc, argv, QLocale::system().name());
    const QString translationsFolder = TranslationsFolder();
    qDebug() << "qm path: " << translationsFolder;
    LoadTranslation(translationsFolder, languageKey);

    // Without the whole device library no receiver is found: say which
    // file or call is missing instead of searching forever.
    const QString libraryProblem = DeviceLibraryProblem();
    if (!libraryProblem.isEmpty()) {
        qDebug().noquote() << libraryProblem;
        SayNoDeviceLibrary(libraryProblem);
        return 1;
    }

    const QString startedAs = QCoreApplication::arguments().value(0);
    QCoreApplication::setApplicationVersion(
        ReadFileVersion(VersionSourcePath(startedAs, QCoreApplication::applicationFilePath())));

    MakeFusionClear();
    auto *wizard = new CConfigWizard(nullptr, &record);
    // A window another program destroyed: end as a close request would,
    // once no write is in progress, and meanwhile tell a second start.
    bool windowLost = false;
    QTimer endWhenClosable;
    QObject::connect(&endWhenClosable, &QTimer::timeout, [] {
        if (g_closeAllowed)
            QCoreApplication::quit();
    });
    WhenDestroyedFromOutside(wizard, [&] {
        windowLost = true;
        endWhenClosable.start(kLookForEndMs);
    });
    QObject::connect(&instance, &SingleInstance::ComeForwardRequested, wizard, [&] {
        if (windowLost)
            instance.AnswerCannotComeForward();
        else
            QMetaObject::invokeMethod(wizard, "BringWindowToForeground");
    });
    WhenFirstPainted(wizard, [&record] {
        record.Open();
#ifndef Q_OS_WIN
        // Windows takes the window icon from the executable's icon
        // resource; decoding it waits for the first paint too.
        QIcon icon;
        for (const int size : {16, 32, 48, 128})
            icon.addFile(QStringLiteral(":/icons/orvex-%1.png").arg(size));
        QApplication::setWindowIcon(icon);
#endif
    });
    g_restartRequested = false;
    const int result = QApplication::exec();
    delete wizard;

    if (g_restartRequested) {
        qDebug() << "restart app";
        // The fresh updater must be able to claim the lock.
        instance.Release();
        RestartProgram(QCoreApplication::arguments().value(0));
    }
    return result;
}
