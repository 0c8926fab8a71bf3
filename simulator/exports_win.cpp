// The simulated receiver as OrvexSys.dll: its calls exported under the
// names the maker's library has (orvexsys_exports.h), so that the Windows
// programs run against it as against the maker's, by the file beside them.

#include "devicelibrary.h"
#include "orvexsys_exports.h"

#ifdef _MSC_VER
extern "C" int ExportedRestartTime(const CCommandHandler *handler)
{
    return ReceiverRestartTimeMs(handler);
}

// MSVC gives the calls of orvexsys.h the maker's names itself.
#pragma comment(linker, "/EXPORT:" ORVEXSYS_EXPORT_LOOK_FOR)
#pragma comment(linker, "/EXPORT:" ORVEXSYS_EXPORT_DELETE_PORT_MANAGER)
#pragma comment(linker, "/EXPORT:" ORVEXSYS_EXPORT_DELETE_COMMAND_HANDLER)
#pragma comment(linker, "/EXPORT:" ORVEXSYS_EXPORT_SIMULATED_RESTART_TIME "=ExportedRestartTime")
#else
// GCC names them its own way: forwarders carry the maker's names, set as
// the symbols' assembler names (quoted: they are no plain assembler
// names). The linker exports what this file defines and nothing of the
// simulator's (CMakeLists.txt).
#define EXPORTED_AS(name) asm("\"" name "\"")

ORVEXSYS_ERROR ExportedLookFor(int, PORTNUMBER, CCommandHandler **, CPortManager **, int)
    EXPORTED_AS(ORVEXSYS_EXPORT_LOOK_FOR);
void ExportedDeletePortManager(CPortManager *)
    EXPORTED_AS(ORVEXSYS_EXPORT_DELETE_PORT_MANAGER);
void ExportedDeleteCommandHandler(CCommandHandler *)
    EXPORTED_AS(ORVEXSYS_EXPORT_DELETE_COMMAND_HANDLER);
int ExportedRestartTimeAs(const CCommandHandler *)
    EXPORTED_AS(ORVEXSYS_EXPORT_SIMULATED_RESTART_TIME);

ORVEXSYS_ERROR ExportedLookFor(int pid, PORTNUMBER port, CCommandHandler **handler, CPortManager **portManager,
                               int reserved)
{
    return LookForOrvexWithSpecifiedPID(pid, port, handler, portManager, reserved);
}

void ExportedDeletePortManager(CPortManager *portManager)
{
    DeletePortManager(portManager);
}

void ExportedDeleteCommandHandler(CCommandHandler *handler)
{
    DeleteCommandHandler(handler);
}

int ExportedRestartTimeAs(const CCommandHandler *handler)
{
    return ReceiverRestartTimeMs(handler);
}
#endif
