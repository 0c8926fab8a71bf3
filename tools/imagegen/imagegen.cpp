// Writes the stand-in firmware images of the catalogue into a folder:
// boot.bin and, for each image N, imageN_code1.bin, imageN_code2.bin,
// imageN_header1.bin and imageN_header2.bin (64-byte headers in 72-byte
// slots). The output is the same on every run.

#include "firmware.h"
#include "imagefigures.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <array>

namespace {

constexpr double kBootVersion = 6.00;
constexpr int kHeaderSlotSize = 72;

// Words 1, 5 and 7 of a header are the image's own. Sum A of the copy-2
// header is fixed by the tables, so those five 16-bit halves must add up
// to what sum A leaves after the address and length: share it out evenly.
std::array<quint32, 3> OpaqueWords(const ImageFigures &image)
{
    const quint32 addressWords = sim::kSlot2Address >> 16;
    const quint32 lengthWords = (image.code2Size >> 16) + (image.code2Size & 0xFFFF);
    const quint32 rest = image.copy2SumA - 0xBEAD - addressWords - lengthWords;
    std::array<quint32, 5> halves{};
    for (quint32 i = 0; i < 5; ++i)
        halves[i] = rest / 5 + (i < rest % 5 ? 1 : 0);
    return {halves[0], halves[1] << 16 | halves[2], halves[3] << 16 | halves[4]};
}

bool Write(const QDir &folder, const QString &name, const QByteArray &bytes)
{
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        QTextStream(stderr) << "imagegen: cannot write " << file.fileName() << "\n";
        return false;
    }
    return true;
}

QByteArray HeaderSlot(const QByteArray &header)
{
    return header + QByteArray(kHeaderSlotSize - header.size(), '\0');
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: imagegen OUTPUT_FOLDER\n";
        return 2;
    }
    QDir folder(QCoreApplication::arguments().value(1));
    if (!folder.mkpath(QStringLiteral(".")))
        return 1;

    sim::FirmwareIdentity boot;
    boot.version = kBootVersion;
    bool ok = Write(folder, QStringLiteral("boot.bin"),
                    sim::MakeFirmwareBlock(boot, int(kBootCodeSize)));

    int n = 0;
    for (const ImageFigures &image : kImageFigures) {
        ++n;
        const auto words = OpaqueWords(image);
        QByteArray headers[2];
        for (quint32 copy = 1; copy <= 2; ++copy) {
            const quint32 size = copy == 1 ? image.code1Size : image.code2Size;
            const quint32 address = copy == 1 ? sim::kSlot1Address : sim::kSlot2Address;
            const sim::FirmwareIdentity identity{image.version, image.build, image.runsUnderPid, copy, 0};
            const QString prefix = QStringLiteral("image%1_").arg(n);
            headers[copy - 1] =
                sim::MakeHeader(address, size, copy == 1 ? 1 : 0, words[0], words[1], words[2]);
            ok = ok
                && Write(folder, prefix + QStringLiteral("code%1.bin").arg(copy),
                         sim::MakeFirmwareBlock(identity, int(size)))
                && Write(folder, prefix + QStringLiteral("header%1.bin").arg(copy),
                         HeaderSlot(headers[copy - 1]));
        }
        if (sim::HeaderSumA(headers[1]) != image.copy2SumA || sim::HeaderSumB(headers[1]) != image.copy2SumB) {
            QTextStream(stderr) << "imagegen: image " << n << " misses its copy-2 sums\n";
            return 1;
        }
    }
    return ok ? 0 : 1;
}
