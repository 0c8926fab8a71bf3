#include "wizardtour.h"

#include "configwizard.h"
#include "wizardsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>

namespace {

// Looks at the window as soon as `ready` holds; events are processed
// inside the update run, so this also catches states in the middle of it.
void LookWhen(const std::function<QWidget *()> &ready, const std::function<void(QWidget *)> &look)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [=] {
        if (QWidget *window = ready()) {
            timer->stop();
            timer->deleteLater();
            look(window);
        }
    });
    timer->start(0);
}

} // namespace

QStringList WizardTour::States()
{
    return {QStringLiteral("search"), QStringLiteral("pack"),    QStringLiteral("up-to-date"),
            QStringLiteral("offered"), QStringLiteral("running"), QStringLiteral("updated"),
            QStringLiteral("failure")};
}

bool WizardTour::Visit(const QString &state, const std::function<void(QWidget *)> &look)
{
    WizardFixture everything;
    everything.Reset();
    ScopedVirtualClock clock;
    if (state != QLatin1String("search")) {
        auto receiver = AttachReceiver(0x1317, 6.01, state == QLatin1String("up-to-date") ? 83 : 81);
        if (state == QLatin1String("failure"))
            receiver->faults[sim::Op::WriteFlashCode].always = true;
    }
    CConfigWizard wizard;
    bool seen = false;
    const auto lookOnce = [&](QWidget *window) {
        seen = true;
        look(window);
    };
    if (state == QLatin1String("search")) {
        lookOnce(&wizard);
    } else {
        FireRunningTimer(wizard.page(0));
        if (state == QLatin1String("pack"))
            lookOnce(&wizard);
        else
            wizard.button(QWizard::NextButton)->click();
    }
    if (wizard.currentId() == 2 && state != QLatin1String("up-to-date")) {
        if (state == QLatin1String("running")) {
            auto *bar = wizard.currentPage()->findChild<QProgressBar *>();
            LookWhen([&wizard, bar] { return bar->value() >= 40 ? &wizard : nullptr; }, lookOnce);
        } else if (state == QLatin1String("failure")) {
            LookWhen([] { return QApplication::activeModalWidget(); }, [&](QWidget *box) {
                lookOnce(box);
                static_cast<QMessageBox *>(box)->buttons().last()->click();
            });
        }
        if (state != QLatin1String("offered")) {
            wizard.button(QWizard::CustomButton1)->click();
            FireRunningTimer(wizard.currentPage());
        }
    }
    if (!seen && wizard.currentId() == 2)
        lookOnce(&wizard);
    wizard.close();
    ReleaseReceiverState();
    everything.Reset();
    return seen;
}
