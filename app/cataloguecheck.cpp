// QTranslator checks a catalogue's block boundaries when it loads it and
// trusts everything inside them when it translates: the context table,
// the message offsets and every length field. A damaged catalogue that
// loads can therefore make a later translation read outside it. This walks
// everything a translation can reach, once, with every read checked.

#include "startup.h"

#include <QtEndian>

#include <array>

namespace {

constexpr std::array<uchar, 16> kMagic = {0x3C, 0xB8, 0x64, 0x18, 0xCA, 0xEF, 0x9C, 0x95,
                                          0xCD, 0x21, 0x1C, 0xBF, 0x60, 0xA1, 0xBD, 0xDD};

enum Block : uchar { kContexts = 0x2f, kHashes = 0x42, kMessages = 0x69, kDependencies = 0x96 };
enum Tag : uchar {
    kEnd = 1,
    kTranslation = 3,
    kObsolete1 = 5,
    kSourceText = 6,
    kContext = 7,
    kComment = 8,
};

struct Span {
    const uchar *data = nullptr;
    quint32 size = 0;

    bool Has(quint64 offset, quint64 count) const { return offset <= size && count <= size - offset; }
    quint32 Read32(quint32 at) const { return qFromBigEndian<quint32>(data + at); }
    quint16 Read16(quint32 at) const { return qFromBigEndian<quint16>(data + at); }
};

// The context hash table: a size, then bucket offsets to lists of
// length-prefixed names, each list ending in a zero length.
bool ContextsSound(const Span &contexts)
{
    if (contexts.size == 0)
        return true;
    if (!contexts.Has(0, 2))
        return false;
    const quint32 buckets = contexts.Read16(0);
    if (buckets == 0 || !contexts.Has(2, quint64(buckets) * 2))
        return false;
    for (quint32 bucket = 0; bucket < buckets; ++bucket) {
        const quint32 offset = contexts.Read16(2 + bucket * 2);
        if (offset == 0)
            continue;
        quint64 at = 2 + quint64(buckets) * 2 + quint64(offset) * 2;
        for (;;) {
            if (!contexts.Has(at, 1))
                return false;
            const uchar length = contexts.data[at++];
            if (length == 0)
                break;
            if (!contexts.Has(at, length))
                return false;
            at += length;
        }
    }
    return true;
}

// One message: tagged fields up to its end tag. A field that a
// translation reads must lie inside the block; the translator stops by
// itself at the block's end and at tags it does not know.
bool MessageSound(const Span &messages, quint32 at)
{
    for (;;) {
        if (at >= messages.size)
            return true;
        const uchar tag = messages.data[at++];
        switch (tag) {
        case kEnd:
            return true;
        case kObsolete1:
            if (!messages.Has(at, 4))
                return false;
            at += 4;
            break;
        case kTranslation:
        case kSourceText:
        case kContext:
        case kComment: {
            if (!messages.Has(at, 4))
                return false;
            const quint32 length = messages.Read32(at);
            at += 4;
            // Some fields are looked at before their length is.
            if (!messages.Has(at, qMax<quint32>(length, tag == kTranslation ? 0 : 1)))
                return false;
            at += length;
            break;
        }
        default:
            return true;
        }
    }
}

} // namespace

bool CatalogueIsSound(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const quint64 size = quint64(bytes.size());
    if (size < kMagic.size() || !std::equal(kMagic.begin(), kMagic.end(), data))
        return false;

    // The blocks as the translator takes them: the last of each kind wins.
    Span contexts, hashes, messages;
    quint64 at = kMagic.size();
    while (at + 5 <= size) {
        const uchar tag = data[at];
        const quint32 length = qFromBigEndian<quint32>(data + at + 1);
        at += 5;
        if (tag == 0 || length == 0)
            break;
        if (length > size - at)
            return false;
        const Span block{data + at, length};
        if (tag == kContexts)
            contexts = block;
        else if (tag == kHashes)
            hashes = block;
        else if (tag == kMessages)
            messages = block;
        else if (tag == kDependencies)
            return false; // would load further files; ours have none
        at += length;
    }

    if (!ContextsSound(contexts) || hashes.size % 8 != 0)
        return false;
    for (quint32 entry = 0; entry < hashes.size; entry += 8) {
        const quint32 offset = hashes.Read32(entry + 4);
        if (offset >= messages.size || !MessageSound(messages, offset))
            return false;
    }
    return true;
}
