#include "startup.h"

#include "devicelibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace {

const int kArgcWithLanguageKey = 3;

} // namespace

QString LanguageKey(int argc, char **argv, const QString &systemLocaleName)
{
    const QString key = argc == kArgcWithLanguageKey ? QString::fromLatin1(argv[2]) : systemLocaleName;
    const auto is = [&key](const char *name) {
        return key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    if (is("zh_cn") || is("zh_sg"))
        return QStringLiteral("chs");
    if (is("zh_hk") || is("zh_mo") || is("zh_tw"))
        return QStringLiteral("cht");
    if (key.contains(QLatin1String("zh_"), Qt::CaseInsensitive))
        return QStringLiteral("chs");
    return key;
}

bool DrivesSimulatedReceiver()
{
    return UsedDeviceLibrary().simulated;
}

QString DeviceLibraryProblem()
{
    const DeviceLibrary &library = UsedDeviceLibrary();
    const QString file = QDir::toNativeSeparators(QString::fromStdWString(library.file));
    switch (library.problem) {
    case DeviceLibrary::Problem::None:
        break;
    case DeviceLibrary::Problem::FileMissing:
        return QCoreApplication::translate("DeviceLibrary",
                                           "The device library %1 is missing: no receiver can be reached.")
            .arg(file);
    case DeviceLibrary::Problem::FileNotLoaded:
        return QCoreApplication::translate(
                   "DeviceLibrary",
                   "The device library %1 could not be loaded (system error %2): no receiver can be reached.")
            .arg(file)
            .arg(library.systemError);
    case DeviceLibrary::Problem::CallMissing:
        return QCoreApplication::translate("DeviceLibrary",
                                           "The device library %1 has no call %2: no receiver can be reached.")
            .arg(file, QString::fromStdString(library.call));
    }
    return QString();
}

QString VersionText(const QString &program)
{
    QString library = DeviceLibraryProblem();
    if (library.isEmpty() && DrivesSimulatedReceiver())
        library = QStringLiteral("the simulated receiver (a demonstration build: it reaches no real receiver)");
    else if (library.isEmpty())
        library = QStringLiteral("the maker's device library, %1")
                      .arg(QDir::toNativeSeparators(QString::fromStdWString(UsedDeviceLibrary().file)));
    return QStringLiteral("%1 %2\nDevice library: %3\n").arg(program, QCoreApplication::applicationVersion(), library);
}

QString TranslationsFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Translations");
}

QString VersionSourcePath(const QString &startedAs, const QString &applicationFilePath)
{
#ifdef Q_OS_WIN
    const QFileInfo info(startedAs);
    return info.isFile() && info.isReadable() ? startedAs : applicationFilePath;
#else
    // Started through PATH, the name can be any file of that name in the
    // working directory; the running executable is the one that carries
    // the version.
    Q_UNUSED(startedAs)
    return applicationFilePath;
#endif
}

bool RestartProgram(const QString &program)
{
    // The path is the program as a whole: never split at blanks.
    return QProcess::startDetached(program, {});
}
