#include "wizardtour.h"

#include "configwizard.h"
#include "pageflags.h"
#include "pageids.h"
#include "progressbarview.h"
#include "wizardsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
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

// A state's receiver: restarts of 23 s, to show a count under way.
constexpr int kShownRestartMs = 23000;

} // namespace

QStringList WizardTour::States()
{
    return {QStringLiteral("search"),     QStringLiteral("search-hint"), QStringLiteral("pack"),
            QStringLiteral("up-to-date"), QStringLiteral("offered"),     QStringLiteral("finishing"),
            QStringLiteral("unrecorded"), QStringLiteral("classic"),     QStringLiteral("close-refused"),
            QStringLiteral("running"),    QStringLiteral("restarting"),  QStringLiteral("updated"),
            QStringLiteral("failure"),    QStringLiteral("failure-page")};
}

bool WizardTour::Visit(const QString &state, const std::function<void(QWidget *)> &look)
{
    WizardFixture everything;
    everything.Reset();
    // The window takes its events in each wait: a look can catch the page
    // while the receiver restarts.
    LookingClock clock;
    const bool failing = state.startsWith(QLatin1String("failure"));
    if (!state.startsWith(QLatin1String("search"))) {
        // Up to date: the target in both copies, copy 1 running; finishing:
        // the target's copy 2 running, copy 1 left behind.
        const FirmwareImage &image6 = RuleNamed(QStringLiteral("A7")).target;
        auto receiver = state == QLatin1String("up-to-date") ? BeforeUpdate::Current().Attach(0x1317, image6)
            : state == QLatin1String("finishing")            ? BeforeUpdate::TargetCopy2Running().Attach(0x1317, image6)
                                                             : AttachReceiver(0x1317, 6.01, 81, 2);
        receiver->restartTimeMs = kShownRestartMs;
        if (failing)
            receiver->faults[sim::Op::WriteFlashCode].always = true;
    }
    // Unrecorded: offered where no record can be kept.
    MemoryRecord record;
    record.keeps = state != QLatin1String("unrecorded");
    CConfigWizard wizard(nullptr, &record);
    bool seen = false;
    const auto lookOnce = [&](QWidget *window) {
        seen = true;
        look(window);
    };
    if (state == QLatin1String("search")) {
        lookOnce(&wizard);
    } else if (state == QLatin1String("search-hint")) {
        QMetaObject::invokeMethod(wizard.page(kSearchPageId)->findChild<QTimer *>(QStringLiteral("hintTimer")), "timeout");
        lookOnce(&wizard);
    } else {
        FireRunningTimer(wizard.page(kSearchPageId));
        if (state == QLatin1String("pack"))
            lookOnce(&wizard);
        else {
            // Classic: the offer of a firmware whose number is lower.
            if (state == QLatin1String("classic"))
                wizard.currentPage()->findChild<QAbstractButton *>(QStringLiteral("scrivetpack_classic"))->click();
            wizard.button(QWizard::NextButton)->click();
        }
    }
    const bool offered = state == QLatin1String("offered") || state == QLatin1String("finishing")
        || state == QLatin1String("unrecorded") || state == QLatin1String("classic");
    if (wizard.currentId() == kUpdatePageId && state != QLatin1String("up-to-date") && !offered) {
        auto *page = wizard.currentPage();
        if (state == QLatin1String("running")) {
            auto *bar = page->findChild<QProgressBar *>();
            LookWhen([&wizard, bar] { return bar->value() >= 40 ? &wizard : nullptr; }, lookOnce);
        } else if (state == QLatin1String("restarting")) {
            auto *line = page->findChild<QLabel *>(QStringLiteral("label_restart"));
            LookWhen([&wizard, line] { return line->isVisible() ? &wizard : nullptr; }, [&](QWidget *window) {
                // The count as it stands after the restart time.
                QMetaObject::invokeMethod(page->findChild<QTimer *>(QLatin1String(ProgressBarView::kTickerName)), "timeout");
                lookOnce(window);
            });
        } else if (state == QLatin1String("close-refused")) {
            auto *notice = page->findChild<QLabel *>(QStringLiteral("label_notice"));
            LookWhen([&wizard, notice] {
                if (!g_closeAllowed && !notice->isVisible())
                    wizard.close();
                return notice->isVisible() ? &wizard : nullptr;
            }, lookOnce);
        } else if (failing) {
            LookWhen([] { return QApplication::activeModalWidget(); }, [&](QWidget *box) {
                lookOnce(state == QLatin1String("failure") ? box : &wizard);
                static_cast<QMessageBox *>(box)->buttons().last()->click();
            });
        }
        wizard.button(QWizard::CustomButton1)->click();
        FireRunningTimer(wizard.currentPage());
    }
    if (!seen && wizard.currentId() == kUpdatePageId)
        lookOnce(&wizard);
    wizard.close();
    ReleaseReceiverState();
    everything.Reset();
    return seen;
}
