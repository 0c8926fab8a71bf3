#include "startup.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QTranslator>

namespace {

const int kPartsWithCountry = 4; // name_name_language_COUNTRY

} // namespace

QString CatalogueLanguageCode(const QString &baseName)
{
    const QStringList parts = baseName.split(QLatin1Char('_'), Qt::KeepEmptyParts, Qt::CaseSensitive);
    const QString code = parts.size() == kPartsWithCountry ? parts.at(2) : parts.last();
    return code.toLower();
}

void LoadTranslation(const QString &translationsFolder, const QString &languageKey)
{
    qDebug() << "translations path=" << translationsFolder;
    const QFileInfoList entries = QDir(translationsFolder)
                                      .entryInfoList({QStringLiteral("*_*.qm")},
                                                     QDir::Files | QDir::Readable, QDir::Name);
    qDebug() << "qm files found=" << entries.size();

    for (const QFileInfo &entry : entries) {
        const QString baseName = entry.baseName();
        qDebug() << "qm file=" << baseName;
        if (CatalogueLanguageCode(baseName).compare(languageKey, Qt::CaseInsensitive) != 0)
            continue;
        // The first match decides, whether it loads or not.
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(entry.absoluteFilePath())) {
            qDebug() << "installed translator for:" << baseName;
            QCoreApplication::installTranslator(translator);
        }
        return;
    }
}
