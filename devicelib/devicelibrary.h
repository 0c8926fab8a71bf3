#ifndef ORVEX_DEVICELIBRARY_H
#define ORVEX_DEVICELIBRARY_H

// What stands behind the calls of orvexsys.h, and what the updater needs
// of it beyond the maker's calls. Each backend defines these: the
// simulated receiver, the maker's library linked at build time, or the
// Windows programs' binding of OrvexSys.dll at run time.

#include "orvexsys.h"

#include <string>

// The maker's library has no call for how long its receiver needs to come
// back after a restart: the updater waits this long, then asks for the
// receiver every half second for up to a minute.
constexpr int kMakerRestartTimeMs = 2000;

// How long the receiver behind an open handler needs to come back after a
// restart: the simulated receiver knows each receiver's own time; with the
// maker's library it is kMakerRestartTimeMs.
int ReceiverRestartTimeMs(const CCommandHandler *handler);

struct DeviceLibrary {
    enum class Problem {
        None,
        FileMissing,   // no library file where it is looked for
        FileNotLoaded, // the system would not load it (systemError says why)
        CallMissing,   // it lacks one of the calls (call names it)
    };
    Problem problem = Problem::None;
    std::wstring file;      // the file bound at run time; empty when linked
    std::string call;       // the call missing, as orvexsys.h names it
    unsigned long systemError = 0;
    bool simulated = false; // the simulated receiver: it reaches no real receiver
};

// The library behind the calls, bound on first use; while it has a
// problem, no receiver is ever found and nothing is written.
const DeviceLibrary &UsedDeviceLibrary();

#endif
