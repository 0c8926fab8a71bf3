#ifndef ORVEX_WIZARDTOUR_H
#define ORVEX_WIZARDTOUR_H

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Drives a fresh wizard window against the simulated receiver into one of
// the states a user meets, and hands the window that shows that state
// (the wizard, or the failure box) to `look`, on a virtual clock.
namespace WizardTour {

// search, search-hint (after a while), pack, up-to-date, offered,
// finishing (an update left unfinished offered), running, restarting,
// updated, failure (the box), failure-page (the page behind it)
QStringList States();
bool Visit(const QString &state, const std::function<void(QWidget *)> &look);

} // namespace WizardTour

#endif
