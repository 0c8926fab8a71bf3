#ifndef ORVEX_CATALOGTEXTS_H
#define ORVEX_CATALOGTEXTS_H

#include <QByteArray>
#include <QList>
#include <QString>

// One message of a translation catalogue's source (.ts).
struct CatalogText {
    QByteArray context;
    QByteArray source;
    QString translation;
};

// The messages of a .ts file, in its order; none when it cannot be read.
QList<CatalogText> ReadCatalogTexts(const QString &tsFile);

#endif
