#include "firmware.h"

#include <QtEndian>

#include <zlib.h>

#include <cstring>

namespace sim {

namespace {

const char kCodeMagic[] = "ORVXCODE";
const char kBootMagic[] = "ORVXBOOT";
constexpr int kMagicSize = 8;
constexpr int kLengthOffset = 28;
constexpr int kCrcOffset = 32;

quint32 SumOfWords(const QByteArray &header, bool inverted)
{
    quint32 sum = 0;
    for (int i = 0; i < 56; i += 2) {
        const quint32 word = quint32(quint8(header[i])) << 8 | quint8(header[i + 1]);
        sum += inverted ? 0xFFFF - word : word;
    }
    return sum;
}

quint16 ReadBigEndian16(const QByteArray &data, int offset)
{
    return quint16(quint8(data[offset]) << 8 | quint8(data[offset + 1]));
}

quint32 SumOfBytes(const QByteArray &header, bool inverted)
{
    quint32 sum = 0;
    for (int i = 0; i < 60; ++i)
        sum += inverted ? 0xFF - quint8(header[i]) : quint8(header[i]);
    return sum;
}

bool OldHeaderValid(const QByteArray &header, quint32 address)
{
    const quint16 stored = ReadBigEndian16(header, 0);
    const bool addressRight = stored == quint16(address) || stored == kOldProtocolCodeAddress;
    return addressRight && ReadBigEndian16(header, 60) == OldHeaderSumA(header)
        && ReadBigEndian16(header, 62) == OldHeaderSumB(header);
}

} // namespace

quint32 Crc32(const QByteArray &data)
{
    return quint32(crc32(0, reinterpret_cast<const Bytef *>(data.constData()), uInt(data.size())));
}

QByteArray MakeFirmwareBlock(const FirmwareIdentity &identity, int size)
{
    QByteArray block(qMax(size, kIdentitySize), '\0');
    char *p = block.data();
    std::memcpy(p, identity.copy == 0 ? kBootMagic : kCodeMagic, kMagicSize);
    qToLittleEndian(identity.version, p + 8);
    qToLittleEndian(identity.build, p + 16);
    qToLittleEndian(identity.pid, p + 20);
    qToLittleEndian(identity.copy, p + 24);
    qToLittleEndian(quint32(block.size()), p + kLengthOffset);

    // xorshift filler seeded from the identity, so every image differs
    quint64 versionBits = 0;
    std::memcpy(&versionBits, &identity.version, sizeof versionBits);
    quint32 state = identity.pid * 2654435761u ^ quint32(identity.build) * 40503u
        ^ quint32(versionBits ^ versionBits >> 32) * 97u ^ (identity.copy + 1) * 0x9E3779B9u;
    if (state == 0)
        state = 1;
    for (int i = kIdentitySize; i < block.size(); ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        p[i] = char(state & 0xFF);
    }
    qToLittleEndian(Crc32(block), p + kCrcOffset);
    return block;
}

std::optional<FirmwareIdentity> ReadIdentity(const QByteArray &block)
{
    if (block.size() < kIdentitySize)
        return std::nullopt;
    const char *p = block.constData();
    const bool boot = block.startsWith(QByteArrayView(kBootMagic, kMagicSize));
    if (!boot && !block.startsWith(QByteArrayView(kCodeMagic, kMagicSize)))
        return std::nullopt;
    const quint32 length = qFromLittleEndian<quint32>(p + kLengthOffset);
    if (length < quint32(kIdentitySize) || length > quint32(block.size()))
        return std::nullopt;
    // The CRC covers the record with its own field taken as zero.
    const auto bytes = reinterpret_cast<const Bytef *>(p);
    const Bytef zeros[4] = {};
    uLong crc = crc32(0, bytes, kCrcOffset);
    crc = crc32(crc, zeros, 4);
    crc = crc32(crc, bytes + kCrcOffset + 4, uInt(length - kCrcOffset - 4));
    if (quint32(crc) != qFromLittleEndian<quint32>(p + kCrcOffset))
        return std::nullopt;

    FirmwareIdentity identity;
    identity.version = qFromLittleEndian<double>(p + 8);
    identity.build = qFromLittleEndian<qint32>(p + 16);
    identity.pid = qFromLittleEndian<quint32>(p + 20);
    identity.copy = qFromLittleEndian<quint32>(p + 24);
    identity.length = length;
    if (boot != (identity.copy == 0))
        return std::nullopt;
    return identity;
}

quint32 HeaderSumA(const QByteArray &header)
{
    return 0xBEAD + SumOfWords(header, false);
}

quint32 HeaderSumB(const QByteArray &header)
{
    return 0xCAFE + SumOfWords(header, true);
}

quint16 OldHeaderSumA(const QByteArray &header)
{
    return quint16(0xBEAD + SumOfBytes(header, false));
}

quint16 OldHeaderSumB(const QByteArray &header)
{
    return quint16(0xCAFE + SumOfBytes(header, true));
}

bool OldFlashProtocol(double version, qint32 build)
{
    return version == 3.0 && build < 28;
}

QByteArray MakeHeader(quint32 address, quint32 codeLength, quint32 copyFlag,
                      quint32 word1, quint32 word5, quint32 word7)
{
    QByteArray header(kHeaderSize, '\0');
    char *p = header.data();
    qToBigEndian(address, p);
    qToBigEndian(word1, p + 4);
    qToBigEndian(codeLength, p + 8);
    qToBigEndian(word5, p + 20);
    qToBigEndian(copyFlag, p + 24);
    qToBigEndian(word7, p + 28);
    qToBigEndian(HeaderSumA(header), p + 56);
    qToBigEndian(HeaderSumB(header), p + 60);
    return header;
}

quint32 ReadBigEndian32(const QByteArray &data, int offset)
{
    return qFromBigEndian<quint32>(data.constData() + offset);
}

bool HeaderValid(const QByteArray &header, quint32 address)
{
    if (header.size() < kHeaderSize)
        return false;
    const bool newValid = ReadBigEndian32(header, 0) == address
        && ReadBigEndian32(header, 56) == HeaderSumA(header)
        && ReadBigEndian32(header, 60) == HeaderSumB(header);
    return newValid || OldHeaderValid(header, address);
}

} // namespace sim
