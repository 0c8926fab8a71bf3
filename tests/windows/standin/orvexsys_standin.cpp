// A stand-in for the maker's OrvexSys.dll in the maker's own ABI (MSVC,
// x64), built by clang from orvexsys.h alone, with no C or C++ library and
// no start-up code: what the Windows programs meet in the field, save the
// USB. Its one receiver (product ID 0x1317, firmware 6.01 build 81, running
// copy 2) answers one whole update: it offers the copy not running for
// writing, boots the copy it is restarted on, and then runs what was
// written there, as the identity record at the start of our firmware
// images states it. It has no restart time of its own to tell, as the
// maker's library has none.

#include "orvexsys.h"

extern "C" {
// What the compiler calls for copies and clears, and what MSVC's objects
// that use floating point refer to.
int _fltused = 0;
void *memcpy(void *to, const void *from, size_t count)
{
    auto *out = static_cast<unsigned char *>(to);
    const auto *in = static_cast<const unsigned char *>(from);
    while (count--)
        *out++ = *in++;
    return to;
}
void *memset(void *to, int value, size_t count)
{
    auto *out = static_cast<unsigned char *>(to);
    while (count--)
        *out++ = static_cast<unsigned char>(value);
    return to;
}
}

namespace {

constexpr int kPid = 0x1317;
constexpr uint32_t kSlotAddress[2] = {0x00C10000, 0x00C90000};
constexpr uint32_t kCapacity = 0x30000;
constexpr int kHeaderSize = 64;
// The identity record of our images: version, build and product ID, little-endian.
constexpr int kVersionAt = 8, kBuildAt = 16, kPidAt = 20;

struct Firmware {
    double version;
    int32_t build;
    int32_t pid;
};

struct Receiver {
    Firmware copies[2];
    unsigned char header2[kHeaderSize];
    bool header2Written;
    int running;
    int startPosition;
    int writing; // the copy a header was written to, 0 for none
    bool connected;
};

constinit Receiver receiver = {{{6.01, 81, kPid}, {6.01, 81, kPid}}, {}, false, 2, 2, 0, true};

int Offered()
{
    return receiver.running == 2 ? 1 : 2;
}

template <typename T>
T Read(const unsigned char *at)
{
    T value;
    memcpy(&value, at, sizeof value);
    return value;
}

uint32_t BigEndian(const unsigned char *at)
{
    return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
}

class StandInCommandHandler final : public CCommandHandler
{
public:
    constexpr StandInCommandHandler() = default;

    bool GetVersion(CMDHAND_VERSIONstruct &version) override
    {
        if (!receiver.connected)
            return false;
        memset(&version, 0, sizeof version);
        const Firmware &running = receiver.copies[receiver.running - 1];
        version.version = running.version;
        version.build = running.build;
        version.codePosition = receiver.running;
        version.startPosition = receiver.startPosition;
        return true;
    }
    bool GetFlashInfo(CMDHAND_FLASH_INFOstruct &info, bool) override
    {
        memset(&info, 0, sizeof info);
        info.codeAddress = kSlotAddress[Offered() - 1];
        info.codeCapacity = kCapacity;
        return receiver.connected;
    }
    bool GetHeader2Checksum(CMDHAND_FLASH_INFOstruct &info) override
    {
        info.header2SumA = receiver.header2Written ? BigEndian(receiver.header2 + 56) : 0xFFFFFFFF;
        info.header2SumB = receiver.header2Written ? BigEndian(receiver.header2 + 60) : 0xFFFFFFFF;
        return receiver.connected;
    }
    bool SetWriteMode(CMDHAND_WRITE_MODE mode) override
    {
        return receiver.connected && (mode == CMDHAND_WRITE_MODE_START || mode == CMDHAND_WRITE_MODE_SECTOR);
    }
    bool WriteFlashHeader(unsigned char *header) override
    {
        receiver.writing = Offered();
        if (receiver.writing == 2) {
            memcpy(receiver.header2, header, kHeaderSize);
            receiver.header2Written = true;
        }
        return receiver.connected;
    }
    bool WriteFlashCode(unsigned int offset, unsigned int count, unsigned char *data) override
    {
        if (!receiver.connected || receiver.writing == 0 || count == 0 || offset + count * 64 > kCapacity)
            return false;
        if (offset == 0) {
            receiver.copies[receiver.writing - 1] = {Read<double>(data + kVersionAt), Read<int32_t>(data + kBuildAt),
                                                     Read<int32_t>(data + kPidAt)};
        }
        return true;
    }
    bool WriteFlashSector(unsigned int, unsigned char *) override { return receiver.connected; }
    bool PrepareToCloseConnection() override { return receiver.connected; }
    bool RestartWithCodeInPosition(int position) override
    {
        if (position != 1 && position != 2)
            return false;
        receiver.running = receiver.startPosition = position;
        receiver.writing = 0;
        receiver.connected = false;
        return true;
    }
    bool CloseConnection() override { return true; }
    bool InitializeConnection() override { return receiver.connected = true; }
};

class StandInPortManager final : public CPortManager
{
public:
    constexpr StandInPortManager() = default;

    bool OpenPort() override { return open = true; }
    bool IsPortOpen() const override { return open; }
    bool FlushPort() override { return open; }
    bool ClosePort() override
    {
        open = false;
        return true;
    }

private:
    bool open = true;
};

constinit StandInCommandHandler commandHandler;
constinit StandInPortManager portManager;

} // namespace

ORVEXSYS_ERROR LookForOrvexWithSpecifiedPID(int pid, PORTNUMBER port, CCommandHandler **handler,
                                                                  CPortManager **ports, int)
{
    const int running = receiver.copies[receiver.running - 1].pid;
    if (port != 0 || pid != running || !handler || !ports)
        return 1;
    receiver.connected = true;
    *handler = &commandHandler;
    *ports = &portManager;
    return 0;
}

void DeletePortManager(CPortManager *) {}

void DeleteCommandHandler(CCommandHandler *) {}
