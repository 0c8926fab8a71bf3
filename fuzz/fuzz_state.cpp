// Any bytes as a simulated receiver's state file: read or refused with a
// reason, never a crash; what is read can be asked for its version.
#include "simulator.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QList<std::shared_ptr<sim::Receiver>> receivers;
    QString error;
    const bool read = sim::Bus::ReadState(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)),
                                          &receivers, &error);
    if (read != error.isEmpty())
        std::abort();
    for (const auto &receiver : receivers) {
        receiver->latencyMs = 0;
        CMDHAND_VERSIONstruct version{};
        if (receiver->Open())
            receiver->GetVersion(version);
    }
    return 0;
}
