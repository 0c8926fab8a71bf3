// Any bytes as a translation catalogue: refused, or every translation from
// it stays inside it. The sanitizers catch any read outside.
#include "catalogtexts.h"
#include "startup.h"

#include <QTranslator>

#include <cstddef>
#include <cstdint>

namespace {

const QList<CatalogText> &ProgramTexts()
{
    static const QList<CatalogText> texts = ReadCatalogTexts(QStringLiteral(ORVEX_TS_FILE));
    return texts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!CatalogueIsSound(bytes))
        return 0;
    QTranslator translator;
    if (!translator.load(reinterpret_cast<const uchar *>(bytes.constData()), int(bytes.size())))
        return 0;
    for (const CatalogText &text : ProgramTexts())
        translator.translate(text.context.constData(), text.source.constData());
    // Lookups that hash anywhere: the tail of the input as a text.
    const QByteArray tail = bytes.right(16).replace('\0', 'x');
    translator.translate(tail.constData(), tail.constData(), tail.constData(), 3);
    return 0;
}
