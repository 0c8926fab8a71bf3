// Any file name: the catalogue language rule must give a lower-case code
// without "_".
#include "startup.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString name = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString code = CatalogueLanguageCode(name);
    if (code.contains(QLatin1Char('_')) || code != code.toLower())
        std::abort();
    return 0;
}
