#ifndef ORVEXSYS_H
#define ORVEXSYS_H

// The calls and records of the maker's device library that the updater
// uses, and nothing more: the classes declare exactly the maker's virtual
// tables, so that an object of the maker's library (built with MSVC) is
// called through them. On Linux the build links the simulated receiver
// behind them (or, with ORVEX_DEVICE_LIBRARY, the maker's library); on
// Windows the programs bind OrvexSys.dll beside them at run time
// (devicelibrary.h).

#include <stddef.h>
#include <stdint.h>

typedef int PORTNUMBER;
typedef int ORVEXSYS_ERROR;

enum CMDHAND_WRITE_MODE {
    CMDHAND_WRITE_MODE_START = 1,  // once, before a write operation
    CMDHAND_WRITE_MODE_SECTOR = 2, // before every WriteFlashSector
};

struct CMDHAND_VERSIONstruct {
    double version;
    int32_t build;
    int32_t codePosition;  // copy now running: 1 or 2, 0 for neither
    int32_t startPosition; // 0, 1 or 2
    unsigned char reserved[28];
};
static_assert(offsetof(CMDHAND_VERSIONstruct, version) == 0, "version record layout");
static_assert(offsetof(CMDHAND_VERSIONstruct, build) == 8, "version record layout");
static_assert(offsetof(CMDHAND_VERSIONstruct, codePosition) == 12, "version record layout");
static_assert(offsetof(CMDHAND_VERSIONstruct, startPosition) == 16, "version record layout");
static_assert(sizeof(CMDHAND_VERSIONstruct) <= 48, "version record layout");

struct CMDHAND_FLASH_INFOstruct {
    uint32_t flashBase;
    uint32_t codeAddress;  // start of the copy that will be written next
    uint32_t codeCapacity; // room for its code, in bytes
    uint32_t reserved[4];
    uint32_t header2SumA;  // filled by GetHeader2Checksum
    uint32_t header2SumB;
};
static_assert(offsetof(CMDHAND_FLASH_INFOstruct, codeAddress) == 4, "flash info layout");
static_assert(offsetof(CMDHAND_FLASH_INFOstruct, codeCapacity) == 8, "flash info layout");
static_assert(offsetof(CMDHAND_FLASH_INFOstruct, header2SumA) == 28, "flash info layout");
static_assert(offsetof(CMDHAND_FLASH_INFOstruct, header2SumB) == 32, "flash info layout");
static_assert(sizeof(CMDHAND_FLASH_INFOstruct) == 36, "flash info layout");

// Both classes are created and destroyed by the library only.
class CCommandHandler
{
public:
    virtual bool GetVersion(CMDHAND_VERSIONstruct &version) = 0;
    virtual bool GetFlashInfo(CMDHAND_FLASH_INFOstruct &info, bool newFormat) = 0;
    virtual bool GetHeader2Checksum(CMDHAND_FLASH_INFOstruct &info) = 0;
    virtual bool SetWriteMode(CMDHAND_WRITE_MODE mode) = 0;
    virtual bool WriteFlashHeader(unsigned char *header) = 0;
    virtual bool WriteFlashCode(unsigned int offset, unsigned int count, unsigned char *data) = 0;
    virtual bool WriteFlashSector(unsigned int address, unsigned char *data) = 0;
    virtual bool PrepareToCloseConnection() = 0;
    virtual bool RestartWithCodeInPosition(int position) = 0;
    virtual bool CloseConnection() = 0;
    virtual bool InitializeConnection() = 0;

protected:
    ~CCommandHandler() = default;
};

class CPortManager
{
public:
    virtual bool OpenPort() = 0;
    virtual bool IsPortOpen() const = 0;
    virtual bool FlushPort() = 0;
    // The fourth operation: called before the port manager is deleted.
    virtual bool ClosePort() = 0;

protected:
    ~CPortManager() = default;
};

// How the library's own build marks what it exports; nothing for its users.
#ifndef ORVEXSYS_API
#define ORVEXSYS_API
#endif

// 0: opened, both out-pointers valid. Anything else: nothing was opened.
ORVEXSYS_API ORVEXSYS_ERROR LookForOrvexWithSpecifiedPID(int pid, PORTNUMBER port,
                                                         CCommandHandler **handler,
                                                         CPortManager **portManager, int reserved);
ORVEXSYS_API void DeletePortManager(CPortManager *portManager);
ORVEXSYS_API void DeleteCommandHandler(CCommandHandler *handler);

#endif
