#include "catalogtexts.h"

#include <QFile>
#include <QXmlStreamReader>

QList<CatalogText> ReadCatalogTexts(const QString &tsFile)
{
    QFile ts(tsFile);
    QList<CatalogText> texts;
    if (!ts.open(QIODevice::ReadOnly))
        return texts;
    QXmlStreamReader xml(&ts);
    QByteArray context;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText().toUtf8();
        else if (xml.name() == QLatin1String("source"))
            texts.append({context, xml.readElementText().toUtf8(), QString()});
        else if (xml.name() == QLatin1String("translation") && !texts.isEmpty())
            texts.last().translation = xml.readElementText();
    }
    return texts;
}
