// Any text as a scenario: parsed or refused with a message, never a crash.
#include "simulator.h"

#include <QDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QList<std::shared_ptr<sim::Receiver>> receivers;
    QString error;
    const bool parsed = sim::ParseScenario(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)),
                                           QDir::tempPath(), &receivers, &error);
    if (parsed != error.isEmpty())
        std::abort();
    for (const auto &receiver : receivers)
        receiver->Boot(1);
    return 0;
}
