#ifndef ORVEX_SIM_SCENARIO_H
#define ORVEX_SIM_SCENARIO_H

#include "receiver.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

namespace sim {

// Receivers described by a scenario (JSON); see docs/simulator.md.
// `baseDir` resolves the file names the scenario gives for slot contents.
bool ParseScenario(const QByteArray &json, const QString &baseDir,
                   QList<std::shared_ptr<Receiver>> *receivers, QString *error);

// A scenario file, or one of the built-in names (default, full-path,
// up-to-date, no-receiver, two-receivers, boot-recovery, unplug-mid-write).
bool LoadScenario(const QString &nameOrFile, QList<std::shared_ptr<Receiver>> *receivers,
                  QString *error);

// A receiver running generated firmware of this identity in both slots.
std::shared_ptr<Receiver> MakeReceiver(quint32 pid, double version, qint32 build, int running);

} // namespace sim

#endif
