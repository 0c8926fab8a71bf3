// orvex-updater-cli: the updater's command line.

#include "commandline.h"
#include "startup.h"

#include <QCoreApplication>

#include <atomic>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

std::atomic<int> g_stops{0};

#ifdef Q_OS_WIN
BOOL WINAPI AskToStop(DWORD event)
{
    ++g_stops;
    // Windows ends the process once this returns from a closed console or
    // a session's end: held here, the run finishes its write and the
    // program leaves by itself (unless Windows's own time limit ends it
    // first).
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(INFINITE);
    return TRUE;
}
#else
void AskToStop(int)
{
    ++g_stops;
}
#endif

bool IsTerminal(FILE *stream)
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stream));
#else
    return ::isatty(fileno(stream));
#endif
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(ReadFileVersion(QCoreApplication::applicationFilePath()));
    // Asked to stop, it stops between receivers, never in a write.
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(AskToStop, TRUE);
#else
    struct sigaction stop = {};
    stop.sa_handler = AskToStop;
    sigemptyset(&stop.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &stop, nullptr);
    // A reader that goes away (head, grep -m1) must not end a write: the
    // output says it was lost, and the command goes on.
    signal(SIGPIPE, SIG_IGN);
#endif
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    CommandLineContext context;
    context.out = &out;
    context.err = &err;
    context.in = &in;
    context.outIsTerminal = IsTerminal(stdout);
    context.inIsTerminal = IsTerminal(stdin);
    context.stopsAsked = [] { return g_stops.load(); };
    return RunCommandLine(QCoreApplication::arguments().mid(1), context);
}
