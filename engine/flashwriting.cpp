#include "firmwareupdater.h"

#include "protocol.h"

#include <QDebug>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr std::array<unsigned char, kBlockSize> kMarkerSector = {0x6A, 0xC0, 0x00, 0x00};

using Header = std::array<unsigned char, kHeaderSize>;

void PutBigEndian(unsigned char *at, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) {
        at[i] = static_cast<unsigned char>(value & 0xFF);
        value >>= 8;
    }
}

// Puts in the copy's start address and the two check sums, in the layout
// that the receiver's version expects.
void PatchHeader(Header &header, uint32_t address, bool newHeader)
{
    if (newHeader) {
        PutBigEndian(&header[0], address, 4);
        const HeaderSums sums = NewHeaderSums(header.data());
        PutBigEndian(&header[56], sums.a, 4);
        PutBigEndian(&header[60], sums.b, 4);
    } else {
        PutBigEndian(&header[0], address & 0xFFFF, 2);
        const HeaderSums sums = OldHeaderSums(header.data());
        PutBigEndian(&header[60], sums.a, 2);
        PutBigEndian(&header[62], sums.b, 2);
    }
}

} // namespace

bool FirmwareUpdater::UsesOldFlashProtocol() const
{
    return ::UsesOldFlashProtocol(versionInfo.version, versionInfo.build);
}

bool FirmwareUpdater::WriteCopyCode(int copy)
{
    stepFraction = 0.0;
    const bool newHeader = versionInfo.version >= kNewFormatVersion;
    const bool oldProtocol = UsesOldFlashProtocol();

    CMDHAND_FLASH_INFOstruct info{};
    if (oldProtocol) {
        info.flashBase = kOldProtocolFlashBase;
        info.codeAddress = kOldProtocolCodeAddress;
        info.codeCapacity = kOldProtocolCapacity;
    } else if (!commandHandler->GetFlashInfo(info, newHeader)) {
        return Fail(kCopyFlashInfoFailed);
    }
    if (!commandHandler->SetWriteMode(CMDHAND_WRITE_MODE_START))
        return Fail(kCopyModeStartFailed);

    Header header;
    std::memcpy(header.data(), copy == 1 ? images->header1 : images->header2, kHeaderSize);
    PatchHeader(header, info.codeAddress, newHeader);
    if (!commandHandler->WriteFlashHeader(header.data()))
        return Fail(kCopyHeaderWriteFailed);

    const unsigned char *code = copy == 1 ? images->code1 : images->code2;
    const uint32_t size = copy == 1 ? images->code1Size : images->code2Size;
    const uint32_t blocks = (size + kBlockSize - 1) / kBlockSize;
    for (uint32_t block = 0; block < blocks;) {
        std::array<unsigned char, kBlocksPerCodeWrite * kBlockSize> buffer{};
        const uint32_t count = oldProtocol ? 1 : std::min(kBlocksPerCodeWrite, blocks - block);
        const uint32_t byteOffset = block * kBlockSize;
        std::memcpy(buffer.data(), code + byteOffset, std::min(size - byteOffset, count * kBlockSize));
        // The old protocol counts its offset in blocks.
        if (!commandHandler->WriteFlashCode(oldProtocol ? block : byteOffset, count, buffer.data()))
            return Fail(kCopyCodeWriteFailed);
        block += count;
        stepFraction = double(block) / blocks;
        UpdateProgress();
    }
    return true;
}

bool FirmwareUpdater::WriteBootCode()
{
    if (!commandHandler->SetWriteMode(CMDHAND_WRITE_MODE_START))
        return Fail(kBootModeStartFailed);

    const uint32_t sectors = (images->bootSize + kBlockSize - 1) / kBlockSize;
    std::vector<unsigned char> buffer(size_t(sectors) * kBlockSize, 0);

    const auto writeSector = [this](uint32_t address, const unsigned char *data) {
        if (!commandHandler->SetWriteMode(CMDHAND_WRITE_MODE_SECTOR))
            return Fail(kBootSectorModeFailed);
        // The library takes a non-const pointer but does not write through it.
        if (!commandHandler->WriteFlashSector(address, const_cast<unsigned char *>(data)))
            return Fail(kBootSectorWriteFailed);
        return true;
    };
    if (versionInfo.version >= kNewFormatVersion) {
        for (const uint32_t address : kMarkerAddresses) {
            if (!writeSector(address, kMarkerSector.data()))
                return false;
        }
    }

    std::memcpy(buffer.data(), images->bootCode, images->bootSize);
    stepFraction = 0.0;
    for (uint32_t i = 0; i < sectors; ++i) {
        if (!writeSector(i * kBlockSize, buffer.data() + size_t(i) * kBlockSize))
            return false;
        stepFraction = double(i + 1) / sectors;
        UpdateProgress();
    }
    return true;
}

bool FirmwareUpdater::WriteLast256Bytes()
{
    if (versionInfo.version >= kNewFormatVersion)
        return true;

    std::array<unsigned char, kLastBytesSize> buffer{};
    buffer[kLastBytesSize - 2] = images->lastPageTag[0];
    buffer[kLastBytesSize - 1] = images->lastPageTag[1];
    stepFraction = 0.0;

    if (!commandHandler->SetWriteMode(CMDHAND_WRITE_MODE_START))
        return Fail(kLastBytesModeStartFailed);
    for (int offset = 0; offset < kLastBytesSize; offset += kBlockSize) {
        if (!commandHandler->SetWriteMode(CMDHAND_WRITE_MODE_SECTOR))
            return Fail(kLastBytesSectorModeFailed);
        if (!commandHandler->WriteFlashSector(kLastBytesAddress + uint32_t(offset), buffer.data() + offset))
            return Fail(kLastBytesSectorWriteFailed);
    }
    stepFraction = 1.0;
    return true;
}

void FirmwareUpdater::UpdateProgress()
{
    if (!progressView)
        return;
    const int computed = int(100.0 * (step - 1) / stepCount + 100.0 * stepFraction / stepCount);
    // The bar never moves back.
    lastReportedPercent = std::max(computed, lastReportedPercent);
    qDebug() << "UpdateProgress:" << lastReportedPercent;
    progressView->ShowProgress(lastReportedPercent);
}
