// Any bytes as the updater's history file: read as far as it can be, the
// rest set aside, never a crash; a run recorded after it reads back.
#include "history.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QTemporaryDir folder;
    QFile file(QDir(folder.path()).filePath(QLatin1String(History::kFileName)));
    if (!file.open(QIODevice::WriteOnly))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    History history(folder.path());
    history.LastRun([](const RecordedRun &) { return false; });
    history.RunBegins({0x1317, 6.01, 81, 2, 2, true}, {0x1317, 6.01, 83, Selection::Rule}, QStringLiteral("full"));
    History again(folder.path());
    const auto last = again.LastRun([](const RecordedRun &run) { return run.pid == 0x1317 && run.targetBuild == 83; });
    if (!last || last->result)
        std::abort();
    return 0;
}
