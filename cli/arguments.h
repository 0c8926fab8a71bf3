#ifndef ORVEX_CLI_ARGUMENTS_H
#define ORVEX_CLI_ARGUMENTS_H

#include <QString>
#include <QStringList>

#include <optional>

// What the command line is asked to do.
struct Arguments {
    enum class Command { Help, Version, Status, Update, Batch, History };
    Command command = Command::Help;
    bool json = false;
    bool yes = false;
    bool verbose = false;
    std::optional<bool> scrivetPack; // --pack: true for scrivet and none
    int waitS = -1;                  // -1: the command's own
    int count = 0;                   // 0: without end
    int last = 0;                    // 0: all
};

// Reads the words after the program's name into `arguments`; "" when they
// make a command, else what is wrong with them. --json counts wherever it
// stands, so that even a usage error is said as an event.
QString ParseArguments(const QStringList &words, Arguments *arguments);

// The usage, as --help prints it.
QString UsageText();

// A word as an error line may show it: control characters and
// backslashes escaped, so that it neither splits the line nor reaches the
// terminal as a command.
QString Shown(const QString &word);

#endif
