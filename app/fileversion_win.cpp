// The FileVersion text of the executable's version resource.

#include "startup.h"

#include "fileversion_win_core.h"

QString ReadFileVersion(const QString &filePath)
{
    return QString::fromStdWString(FileVersionOfFile(filePath.toStdWString().c_str()));
}
