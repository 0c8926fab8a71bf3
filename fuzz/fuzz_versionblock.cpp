// Any bytes as an executable: the version reader must neither crash nor
// read out of bounds.
#include "startup.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FileVersionFromExecutable(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
