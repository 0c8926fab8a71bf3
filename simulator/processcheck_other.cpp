#include "inputs.h"

#include <cerrno>
#include <csignal>

bool sim::ProcessHasEnded(qint64 pid)
{
    // Signal 0 only asks whether the process is there.
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}
