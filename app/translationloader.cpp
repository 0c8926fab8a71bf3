#include "startup.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QTranslator>

namespace {

const int kPartsWithCountry = 4; // name_name_language_COUNTRY
// Ours are a few kilobytes.
constexpr qint64 kMaxCatalogueBytes = 4 << 20;

// Translates from the very bytes that were checked: the file could change
// between the check and a second read.
class CheckedCatalogue : public QTranslator
{
public:
    using QTranslator::QTranslator;
    ~CheckedCatalogue() override { QCoreApplication::removeTranslator(this); }

    bool Load(const QString &file)
    {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        bytes = in.read(kMaxCatalogueBytes + 1);
        return bytes.size() <= kMaxCatalogueBytes && CatalogueIsSound(bytes)
            && load(reinterpret_cast<const uchar *>(bytes.constData()), int(bytes.size()));
    }

private:
    QByteArray bytes;
};

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
        // The first match decides, whether it loads or not; a damaged
        // catalogue counts as one that does not load.
        auto *translator = new CheckedCatalogue(QCoreApplication::instance());
        if (translator->Load(entry.absoluteFilePath())) {
            qDebug() << "installed translator for:" << baseName;
            QCoreApplication::installTranslator(translator);
        }
        return;
    }
}
