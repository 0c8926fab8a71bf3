// Reads the version block that the build embeds in the executable's
// ".orvex_version" section (see resources/versionblock.cpp.in): the ELF
// header, the section table, the section names and the one section, and
// nothing else. Every offset and size is checked before it is used.

#include "startup.h"

#include <QFile>
#include <QtEndian>

#include <functional>

namespace {

const char kSectionName[] = ".orvex_version";
const char kMagicLine[] = "ORVXVERS 1";
const char kWantedBlock[] = "[040904B0]";
const char kWantedKey[] = "FileVersion=";
// Far more than a real executable needs of each.
constexpr quint64 kMaxSectionTable = 1 << 20;
constexpr quint64 kMaxSectionNames = 1 << 16;
constexpr quint64 kMaxVersionSection = 1 << 12;

// Bytes [offset, offset + size) of a file, or an empty array when they
// are not all there.
using ReadAt = std::function<QByteArray(quint64 offset, quint64 size)>;

class ElfFile
{
public:
    explicit ElfFile(ReadAt read) : read(std::move(read)) {}

    // The contents of the named section, or an empty array.
    QByteArray Section(const char *name, quint64 maxSize);

private:
    quint64 Get(const QByteArray &bytes, quint64 offset, int size) const;

    ReadAt read;
    bool wide = false;
    bool bigEndian = false;
};

quint64 ElfFile::Get(const QByteArray &bytes, quint64 offset, int size) const
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

QByteArray ElfFile::Section(const char *name, quint64 maxSize)
{
    const QByteArray header = read(0, 64);
    if (header.size() < 52 || !header.startsWith("\x7f" "ELF"))
        return {};
    const char elfClass = header.at(4);
    const char data = header.at(5);
    if ((elfClass != 1 && elfClass != 2) || (data != 1 && data != 2))
        return {};
    wide = elfClass == 2;
    bigEndian = data == 2;
    if (wide && header.size() < 64)
        return {};

    const int word = wide ? 8 : 4;
    const quint64 tableOffset = Get(header, wide ? 0x28 : 0x20, word);
    const quint64 entrySize = Get(header, wide ? 0x3A : 0x2E, 2);
    const quint64 count = Get(header, wide ? 0x3C : 0x30, 2);
    const quint64 namesIndex = Get(header, wide ? 0x3E : 0x32, 2);
    const quint64 minimumEntry = wide ? 64 : 40;
    if (entrySize < minimumEntry || namesIndex >= count || count * entrySize > kMaxSectionTable)
        return {};
    const QByteArray table = read(tableOffset, count * entrySize);
    if (table.isEmpty())
        return {};

    const auto sectionAt = [&](quint64 index, quint64 limit) -> QByteArray {
        const quint64 entry = index * entrySize;
        const quint64 offset = Get(table, entry + (wide ? 0x18 : 0x10), word);
        const quint64 size = Get(table, entry + (wide ? 0x20 : 0x14), word);
        return size <= limit ? read(offset, size) : QByteArray();
    };
    const QByteArray names = sectionAt(namesIndex, kMaxSectionNames);
    for (quint64 i = 0; i < count; ++i) {
        const quint64 nameOffset = Get(table, i * entrySize, 4);
        if (nameOffset >= quint64(names.size()))
            continue;
        const qsizetype end = names.indexOf('\0', qsizetype(nameOffset));
        if (end >= 0 && names.mid(qsizetype(nameOffset), end - qsizetype(nameOffset)) == name)
            return sectionAt(i, maxSize);
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

QString FileVersion(const ReadAt &read)
{
    return FileVersionFromBlock(ElfFile(read).Section(kSectionName, kMaxVersionSection));
}

} // namespace

QString ReadFileVersion(const QString &filePath)
{
    QFile file(filePath);
    // Unbuffered: a buffered read would pull in far more than each piece.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    const quint64 fileSize = quint64(file.size());
    return FileVersion([&file, fileSize](quint64 offset, quint64 size) {
        if (offset > fileSize || size > fileSize - offset || !file.seek(qint64(offset)))
            return QByteArray();
        const QByteArray bytes = file.read(qint64(size));
        return quint64(bytes.size()) == size ? bytes : QByteArray();
    });
}

QString FileVersionFromExecutable(const QByteArray &bytes)
{
    return FileVersion([&bytes](quint64 offset, quint64 size) {
        const quint64 total = quint64(bytes.size());
        if (offset > total || size > total - offset)
            return QByteArray();
        return bytes.mid(qsizetype(offset), qsizetype(size));
    });
}
