#ifndef ORVEX_SIM_INPUTS_H
#define ORVEX_SIM_INPUTS_H

#include <QByteArray>
#include <QString>

// What the simulator takes from outside: the files it is given, the times
// a receiver may be told, the run that holds a state file's lock.
namespace sim {

// A receiver's restart time and latency, in a scenario or a state file.
constexpr int kMaxRestartMs = 3600000;
constexpr int kMaxLatencyMs = 60000;
// The receivers of a box, and its turns.
constexpr int kMaxBoxReceivers = 64;

// Reads a file the simulator is given, refusing anything over `limit`
// bytes whatever size the file reports, and anything but a regular file.
bool ReadCapped(const QString &file, qint64 limit, QByteArray *bytes, QString *error);

// Whether the process with this id on this machine has ended.
bool ProcessHasEnded(qint64 pid);

} // namespace sim

#endif
