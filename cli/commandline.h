#ifndef ORVEX_COMMANDLINE_H
#define ORVEX_COMMANDLINE_H

#include <QStringList>
#include <QTextStream>

#include <functional>

// The command line's exit statuses.
enum CommandLineExit : int {
    kExitCurrent = 0,    // every receiver handled ends current (updated, or it already was)
    kExitFailed = 1,     // an update failed; its code is in the output
    kExitUsage = 2,      // the words given are not a command
    kExitNoReceiver = 3, // no receiver within the wait
    kExitBusy = 4,       // another updater runs in this session
    kExitDeclined = 5,   // asked whether to update, the user said no
    kExitStopped = 6,    // asked to stop before any receiver was handled
    kExitOutputLost = 7, // output could not be written; the receivers were finished and recorded
    kExitNoLibrary = 8,  // the device library is missing or incomplete; no receiver was touched
};

// What the command line is run with, besides its words.
struct CommandLineContext {
    QTextStream *out = nullptr;
    QTextStream *err = nullptr;
    QTextStream *in = nullptr;
    bool outIsTerminal = false;
    bool inIsTerminal = false;
    // How many times the user asked it to stop (Ctrl-C, SIGTERM, SIGHUP).
    std::function<int()> stopsAsked = [] { return 0; };
    // After each receiver of a batch has been let go.
    std::function<void(int handled)> afterReceiver;
};

// orvex-updater-cli: status, update, batch and history, on the engine and
// the record the window uses; the program's exit status.
int RunCommandLine(const QStringList &arguments, const CommandLineContext &context);

#endif
