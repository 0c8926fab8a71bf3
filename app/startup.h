#ifndef ORVEX_STARTUP_H
#define ORVEX_STARTUP_H

#include <QString>
#include <QStringList>

#include <functional>

// The language key: the second of exactly two arguments, else the system
// locale's name; Chinese locales become "chs" or "cht".
QString LanguageKey(int argc, char **argv, const QString &systemLocaleName);

// Where the catalogues lie: the program's folder and "/Translations".
QString TranslationsFolder();

// The file whose version resource names the program's version. On Windows
// the file the program was started as, or, when that is no readable file,
// the running executable; elsewhere always the running executable.
QString VersionSourcePath(const QString &startedAs, const QString &applicationFilePath);

// The FileVersion of the file's version block 040904B0, or "".
QString ReadFileVersion(const QString &filePath);

#ifndef Q_OS_WIN
// The same, from an executable already read into memory.
QString FileVersionFromExecutable(const QByteArray &bytes);
#endif

// Installs at most one catalogue from the folder whose language code is
// the key.
void LoadTranslation(const QString &translationsFolder, const QString &languageKey);

// Whether every translation from this catalogue stays inside it.
bool CatalogueIsSound(const QByteArray &bytes);

// The language code of a catalogue, from its base name.
QString CatalogueLanguageCode(const QString &baseName);

// What --version says: the program's name and version, and the device
// library it drives (the simulated receiver, or the maker's library).
QString VersionText(const QString &program);
// The build drives the simulated receiver: it reaches no real receiver.
bool DrivesSimulatedReceiver();
// Why no receiver can be reached through the device library, in one line
// naming the file and the call; empty when the library is whole.
QString DeviceLibraryProblem();

// Starts the program anew, detached, with no arguments.
bool RestartProgram(const QString &program);

#endif
