#ifndef ORVEX_CLI_VERBOSITY_H
#define ORVEX_CLI_VERBOSITY_H

#include <QLoggingCategory>

// Whether the program's debug lines also reach standard error: --verbose
// turns the category's debug output on (so can QT_LOGGING_RULES). The
// lines reach the log of the start either way.
Q_DECLARE_LOGGING_CATEGORY(lcVerbose)

// While it lives, debug lines reach standard error only as lcVerbose says.
class Verbosity
{
public:
    explicit Verbosity(bool verbose);
    ~Verbosity();
    Verbosity(const Verbosity &) = delete;
    Verbosity &operator=(const Verbosity &) = delete;

private:
    QtMessageHandler previous;
};

#endif
