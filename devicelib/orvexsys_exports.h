#ifndef ORVEX_ORVEXSYS_EXPORTS_H
#define ORVEX_ORVEXSYS_EXPORTS_H

// The names under which OrvexSys.dll exports the free functions of
// orvexsys.h: what the maker's compiler (MSVC, x64) makes of those
// declarations. The Windows programs bind them by these names, the
// simulated receiver's DLL exports its own under them, and the check of
// the MSVC-built stand-in holds them against what clang makes of
// orvexsys.h in that ABI.

#define ORVEXSYS_FILE_NAME "OrvexSys.dll"

#define ORVEXSYS_EXPORT_LOOK_FOR \
    "?LookForOrvexWithSpecifiedPID@@YAHHHPEAPEAVCCommandHandler@@PEAPEAVCPortManager@@H@Z"
#define ORVEXSYS_EXPORT_DELETE_PORT_MANAGER "?DeletePortManager@@YAXPEAVCPortManager@@@Z"
#define ORVEXSYS_EXPORT_DELETE_COMMAND_HANDLER "?DeleteCommandHandler@@YAXPEAVCCommandHandler@@@Z"

// Not the maker's: only the simulated receiver's DLL has it (a plain C
// name), and so it tells the simulated receiver from the maker's library.
#define ORVEXSYS_EXPORT_SIMULATED_RESTART_TIME "OrvexSimulatedRestartTimeMs"

#endif
