// Any bytes as a translation catalogue: refused, or every translation from
// it stays inside it. The sanitizers catch any read outside.
#include "startup.h"

#include <QFile>
#include <QTranslator>
#include <QXmlStreamReader>

#include <cstddef>
#include <cstdint>

namespace {

// Every (context, source) of the program, read once.
const QList<QPair<QByteArray, QByteArray>> &ProgramTexts()
{
    static const QList<QPair<QByteArray, QByteArray>> texts = [] {
        QList<QPair<QByteArray, QByteArray>> found;
        QFile ts(QStringLiteral(ORVEX_TS_FILE));
        if (!ts.open(QIODevice::ReadOnly))
            return found;
        QXmlStreamReader xml(&ts);
        QByteArray context;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("name"))
                context = xml.readElementText().toUtf8();
            else if (xml.isStartElement() && xml.name() == QLatin1String("source"))
                found.append({context, xml.readElementText().toUtf8()});
        }
        return found;
    }();
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
    for (const auto &text : ProgramTexts())
        translator.translate(text.first.constData(), text.second.constData());
    // Lookups that hash anywhere: the tail of the input as a text.
    const QByteArray tail = bytes.right(16).replace('\0', 'x');
    translator.translate(tail.constData(), tail.constData(), tail.constData(), 3);
    return 0;
}
