// Reads the version block that the build embeds in the executable's
// ".orvex_version" section (see resources/versionblock.cpp.in). Every
// offset and size in the file is checked before it is used.

#include "startup.h"

#include <QFile>
#include <QtEndian>

namespace {

const char kSectionName[] = ".orvex_version";
const char kMagicLine[] = "ORVXVERS 1";
const char kWantedBlock[] = "[040904B0]";
const char kWantedKey[] = "FileVersion=";
constexpr qint64 kMaxFileSize = qint64(1) << 30;

class ElfFile
{
public:
    explicit ElfFile(const QByteArray &bytes) : bytes(bytes) {}

    // The contents of the named section, or an empty array.
    QByteArray Section(const char *name);

private:
    bool Has(quint64 offset, quint64 size) const
    {
        return offset <= quint64(bytes.size()) && size <= quint64(bytes.size()) - offset;
    }
    quint64 Read(quint64 offset, int size) const;

    const QByteArray &bytes;
    bool wide = false;
    bool bigEndian = false;
};

quint64 ElfFile::Read(quint64 offset, int size) const
{
    const uchar *at = reinterpret_cast<const uchar *>(bytes.constData()) + offset;
    switch (size) {
    case 2:
        return bigEndian ? qFromBigEndian<quint16>(at) : qFromLittleEndian<quint16>(at);
    case 4:
        return bigEndian ? qFromBigEndian<quint32>(at) : qFromLittleEndian<quint32>(at);
    default:
        return bigEndian ? qFromBigEndian<quint64>(at) : qFromLittleEndian<quint64>(at);
    }
}

QByteArray ElfFile::Section(const char *name)
{
    constexpr int kIdentSize = 16;
    if (!Has(0, kIdentSize) || !bytes.startsWith("\x7f" "ELF"))
        return {};
    const char elfClass = bytes.at(4);
    const char data = bytes.at(5);
    if ((elfClass != 1 && elfClass != 2) || (data != 1 && data != 2))
        return {};
    wide = elfClass == 2;
    bigEndian = data == 2;

    const int word = wide ? 8 : 4;
    const quint64 headerSize = wide ? 64 : 52;
    if (!Has(0, headerSize))
        return {};
    const quint64 sectionTable = Read(wide ? 0x28 : 0x20, word);
    const quint64 entrySize = Read(wide ? 0x3A : 0x2E, 2);
    const quint64 count = Read(wide ? 0x3C : 0x30, 2);
    const quint64 namesIndex = Read(wide ? 0x3E : 0x32, 2);
    const quint64 minimumEntry = wide ? 64 : 40;
    if (entrySize < minimumEntry || namesIndex >= count || !Has(sectionTable, count * entrySize))
        return {};

    const auto sectionAt = [&](quint64 index, quint64 *offset, quint64 *size) {
        const quint64 entry = sectionTable + index * entrySize;
        *offset = Read(entry + (wide ? 0x18 : 0x10), word);
        *size = Read(entry + (wide ? 0x20 : 0x14), word);
        return Has(*offset, *size);
    };
    quint64 namesOffset = 0;
    quint64 namesSize = 0;
    if (!sectionAt(namesIndex, &namesOffset, &namesSize))
        return {};
    const QByteArray names = bytes.mid(qsizetype(namesOffset), qsizetype(namesSize));

    for (quint64 i = 0; i < count; ++i) {
        const quint64 nameOffset = Read(sectionTable + i * entrySize, 4);
        if (nameOffset >= quint64(names.size()))
            continue;
        const qsizetype end = names.indexOf('\0', qsizetype(nameOffset));
        if (end < 0 || names.mid(qsizetype(nameOffset), end - qsizetype(nameOffset)) != name)
            continue;
        quint64 offset = 0;
        quint64 size = 0;
        if (!sectionAt(i, &offset, &size))
            return {};
        return bytes.mid(qsizetype(offset), qsizetype(size));
    }
    return {};
}

QString FileVersionFromBlock(const QByteArray &block)
{
    const qsizetype end = block.indexOf('\0');
    const QList<QByteArray> lines = (end < 0 ? block : block.left(end)).split('\n');
    if (lines.isEmpty() || lines.first() != kMagicLine)
        return {};
    bool inWantedBlock = false;
    for (const QByteArray &line : lines) {
        if (line.startsWith('['))
            inWantedBlock = line == kWantedBlock;
        else if (inWantedBlock && line.startsWith(kWantedKey))
            return QString::fromUtf8(line.mid(qsizetype(sizeof kWantedKey) - 1));
    }
    return {};
}

} // namespace

QString ReadFileVersion(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return {};
    return FileVersionFromExecutable(file.readAll());
}

QString FileVersionFromExecutable(const QByteArray &bytes)
{
    ElfFile elf(bytes);
    return FileVersionFromBlock(elf.Section(kSectionName));
}
