#ifndef ORVEX_RECEIVERSTATE_H
#define ORVEX_RECEIVERSTATE_H

#include "orvexsys.h"

#include <cstdint>

// The receiver that the search page found and opened, and the pack choice.
struct ReceiverState {
    bool found = false;
    CCommandHandler *commandHandler = nullptr; // created by the library
    CPortManager *portManager = nullptr;
    int32_t pid = 0;
    CMDHAND_VERSIONstruct versionInfo{};
    bool newPackSelected = false; // true: table A, false: table B (Classic)
};

// Written by the search and pack pages; the update engine takes a copy.
extern ReceiverState g_receiverState;

#endif
