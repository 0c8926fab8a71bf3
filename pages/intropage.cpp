#include "intropage.h"

#include "pageids.h"
#include "pagewidgets.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDebug>
#include <QLabel>
#include <QTimer>
#include <QTimerEvent>
#include <QWizard>

#include <iterator>

namespace {

constexpr int kFirstPollMs = 500;
constexpr int kSlowPollMs = 2000;
constexpr int kHintAfterMs = 20000;

} // namespace

struct CIntroPage::Form {
    QWidget *centralWidget;
    QLabel *label_main;
    QLabel *label_search;
    QLabel *label_hint; // after a while without a receiver
};

CIntroPage::CIntroPage(QWidget *parent, UpdateRecord *record)
    : CWizardBase(parent)
    , form(new Form)
    , receiver(g_receiverState, record)
{
    form->centralWidget = SetUpPage(this, "CIntroPage", QRect(16, 0, 521, 241));

    form->label_main = MakeTextLabel(form->centralWidget, "label_main", QRect(0, 20, 501, 51), HeadingFont());

    form->label_search = MakeTextLabel(form->centralWidget, "label_search", QRect(0, 70, 401, 31), BodyFont());

    form->label_hint = MakeTextLabel(form->centralWidget, "label_hint", QRect(0, 105, 501, 61), BodyFont());
    form->label_hint->hide();
    // A timer object of its own: the page's only timer is its poll.
    hintTimer = new QTimer(this);
    hintTimer->setObjectName(QStringLiteral("hintTimer"));
    hintTimer->setSingleShot(true);
    hintTimer->setInterval(kHintAfterMs);
    connect(hintTimer, &QTimer::timeout, this, [this] {
        form->label_hint->setText(tr("Still searching. Check that the USB cable is plugged in firmly at both "
                                     "ends, or try another USB port."));
        form->label_hint->show();
        // A screen reader speaks the focused control's description.
        hinted = wizard()->focusWidget();
        if (hinted)
            hinted->setAccessibleDescription(form->label_hint->text());
    });

    setWindowTitle(tr("Dialog"));
    form->label_main->setText(
        tr("Please connect your Orvex receiver to your computer using the provided USB cable."));
    form->label_search->setText(tr("Searching for your Orvex receiver..."));
}

CIntroPage::~CIntroPage() = default;

void CIntroPage::initializePage()
{
    qDebug() << "CIntroPage::initializePage";
    g_receiverState.found = false;
    slowPolling = false;
    timerId = startTimer(kFirstPollMs);
    form->label_search->setVisible(true);
    form->label_hint->hide();
    hintTimer->start();
}

void CIntroPage::cleanupPage()
{
    qDebug() << "CIntroPage::cleanupPage";
    StopPolling();
}

void CIntroPage::StopPolling()
{
    // The id is forgotten with its timer, so a later stop kills nothing.
    if (timerId != 0)
        killTimer(timerId);
    timerId = 0;
    hintTimer->stop();
    TakeHintBack();
}

void CIntroPage::TakeHintBack()
{
    if (hinted)
        hinted->setAccessibleDescription(QString());
    hinted = nullptr;
}

bool CIntroPage::validatePage()
{
    return true;
}

bool CIntroPage::isComplete() const
{
    return g_receiverState.found;
}

int CIntroPage::nextId() const
{
    if (!ReceiverSession::PackIsChosenFor(g_receiverState.pid)) {
        // These receivers serve the current pack only. Set here, in a
        // const function, because the pack page that would set it is
        // skipped; the wizard may ask more than once, which sets it again.
        g_receiverState.newPackSelected = true;
        return kUpdatePageId;
    }
    return kPackPageId;
}

void CIntroPage::timerEvent(QTimerEvent *event)
{
    // Waits inside a sweep keep the window painted, so a tick may fall due
    // while one runs; it must not start a second sweep.
    if (sweeping)
        return;
    // A closed window probes no more.
    if (!isVisible()) {
        StopPolling();
        return;
    }
    sweeping = true;
    SearchForReceiver();
    sweeping = false;
    if (!isVisible()) {
        StopPolling();
        return;
    }
    if (g_receiverState.found) {
        receiver.SayFound();
        wizard()->button(QWizard::NextButton)->setEnabled(true);
        killTimer(event->timerId());
        timerId = 0;
        hintTimer->stop();
        TakeHintBack();
        form->label_search->hide();
        form->label_hint->hide();
        wizard()->next();
    } else if (!slowPolling) {
        killTimer(event->timerId());
        timerId = startTimer(kSlowPollMs);
        slowPolling = true;
    }
}

void CIntroPage::SearchForReceiver()
{
    receiver.SearchForReceiver([this] {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        // Cancel or the close button may have ended the window just now.
        return isVisible();
    });
}
