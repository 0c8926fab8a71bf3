#include "updatefirmwarepage.h"

#include "clock.h"
#include "pageflags.h"
#include "pagewidgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDebug>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTimerEvent>
#include <QWindow>
#include <QWizard>

namespace {

constexpr int kStartDelayMs = 500; // lets the new texts paint before the run blocks
constexpr int kNoticeMs = 5000;    // how long a refused close request is answered

} // namespace

struct CUpdateFirmwarePage::Form {
    QWidget *centralWidget;
    QLabel *label_msg1;
    QLabel *label_msg2;
    QProgressBar *progressBar;
    QLabel *label_versions;  // what is installed and what will be, with the offer
    QLabel *label_record;    // with the offer, when no record of the update can be kept
    QLabel *label_installed; // what the receiver runs, once it is up to date
    QLabel *label_notice;    // for a while after a close request during the write
    QLabel *label_restart;   // under the bar while the receiver restarts
};

namespace {

QString Version(double version)
{
    return QString::number(version, 'f', 2);
}

} // namespace

CUpdateFirmwarePage::CUpdateFirmwarePage(QWidget *parent, UpdateRecord *record)
    : CWizardBase(parent)
    , form(new Form)
    , record(record)
{
    form->centralWidget = SetUpPage(this, "CUpdateFirmwarePage", QRect(16, 0, 581, 241));

    form->label_msg1 = MakeTextLabel(form->centralWidget, "label_msg1", QRect(0, 20, 551, 31), HeadingFont());

    form->label_msg2 = MakeTextLabel(form->centralWidget, "label_msg2", QRect(0, 50, 511, 61), BodyFont());

    form->progressBar = new QProgressBar(form->centralWidget);
    form->progressBar->setObjectName(QStringLiteral("progressBar"));
    form->progressBar->setGeometry(66, 140, 410, 23);
    // As the form was designed; set to 0 below, before anything shows it.
    form->progressBar->setValue(24);
    form->progressBar->setTextVisible(false);

    form->progressBar->setAccessibleName(tr("Update progress"));

    const auto line = [this](const char *name, const QRect &geometry) {
        QLabel *label = MakeTextLabel(form->centralWidget, name, geometry, BodyFont());
        label->hide();
        return label;
    };
    form->label_versions = line("label_versions", QRect(0, 112, 551, 82));
    form->label_record = line("label_record", QRect(0, 194, 551, 47));
    form->label_installed = line("label_installed", QRect(0, 50, 551, 41));
    form->label_notice = line("label_notice", QRect(0, 106, 551, 34));
    form->label_restart = line("label_restart", QRect(66, 170, 485, 61));
    noticeTimer = new QTimer(this);
    noticeTimer->setSingleShot(true);
    noticeTimer->setInterval(kNoticeMs);
    connect(noticeTimer, &QTimer::timeout, form->label_notice, &QLabel::hide);

    // The form's own texts, kept as the catalogues list them: every state
    // of the page replaces them before it shows. No slot here is named
    // for a widget yet; one that is connects as on the pack page.
    setWindowTitle(tr("WizardPage"));
    form->label_msg1->setText(tr("<placeholder do not translate>"));
    form->label_msg2->setText(tr("<placeholder do not translate>"));
    QMetaObject::connectSlotsByName(this);

    // The bar starts from 0, whatever the form's design value.
    form->progressBar->setValue(0);
    form->progressBar->hide();
    progress = std::make_unique<ProgressBarView>(form->progressBar, form->label_restart);
}

CUpdateFirmwarePage::~CUpdateFirmwarePage() = default;

void CUpdateFirmwarePage::initializePage()
{
    qDebug() << "CUpdateFirmwarePage::initializePage";
    g_backButtonVisible = true;
    g_cancelButtonVisible = false;
    g_nextButtonVisible = false;
    g_updateButtonVisible = false;
    g_finishButtonVisible = false;
    form->label_msg2->show();
    for (QLabel *label : {form->label_versions, form->label_record, form->label_installed})
        label->hide();
    form->progressBar->hide();
    runStarted = false;
    // A close request during the write is answered here.
    wizard()->installEventFilter(this);

    run = std::make_unique<UpdateRun>(g_receiverState, record, progress.get());
    if (!run->Aim()) {
        g_finishButtonVisible = true;
        form->label_msg1->setText(tr("Your Orvex receiver firmware is up to date."));
        form->label_msg2->hide();
        ShowInstalled(wizard()->button(QWizard::FinishButton));
        return;
    }
    form->label_msg1->setText(tr("Your Orvex receiver firmware needs to be updated."));
    form->label_msg2->setText(
        tr("Click \"Update\" to install the updated firmware on your Orvex receiver. Do not unplug "
           "the Orvex receiver until the firmware is updated."));
    const TargetFacts to = run->Target();
    const ReceiverFacts from = run->Receiver();
    QString versions =
        !Finishes(run->Reason())
            ? tr("Installed: %1, build %2. New: %3, build %4.")
                  .arg(Version(from.version))
                  .arg(from.build)
                  .arg(Version(to.version))
                  .arg(to.build)
            : tr("An earlier update of this receiver did not finish. Update finishes it: %1, build %2.")
                  .arg(Version(to.version))
                  .arg(to.build);
    // The Classic pack's firmware numbers run lower than the current one's.
    if (!Finishes(run->Reason()) && !run->TargetNumberIsHigher())
        versions += QLatin1Char('\n') + tr("The Scrivet Pack Classic has a firmware line of its own: a lower number "
                                           "is not an older firmware.");
    form->label_versions->setText(versions);
    form->label_versions->show();
    // Said before Update is pressed: a cut the next start cannot see.
    if (record && !record->Keeps()) {
        form->label_record->setText(tr("This computer cannot keep a record of updates: if this update is "
                                       "interrupted, the next start may not know it."));
        form->label_record->show();
    }
    QStringList offer;
    for (QLabel *label : {form->label_versions, form->label_record}) {
        if (!label->isHidden())
            offer << label->text().replace(QLatin1Char('\n'), QLatin1Char(' '));
    }
    wizard()->button(QWizard::CustomButton1)->setAccessibleDescription(offer.join(QLatin1Char(' ')));
    wizard()->setButtonText(QWizard::CustomButton1, tr("&Update"));
    wizard()->setOption(QWizard::HaveCustomButton1, true);
    // Entering the page again must not add a second connection.
    connect(wizard(), &QWizard::customButtonClicked, this, &CUpdateFirmwarePage::OnUpdate,
            Qt::UniqueConnection);
    g_updateButtonVisible = true;
    g_cancelButtonVisible = true;
}

int CUpdateFirmwarePage::nextId() const
{
    return -1;
}

void CUpdateFirmwarePage::OnUpdate()
{
    // One run per entry of the page: nothing that arrives while a run is
    // starting, under way or over may start another.
    if (runStarted)
        return;
    runStarted = true;
    wizard()->button(QWizard::BackButton)->hide();
    wizard()->button(QWizard::CancelButton)->hide();
    wizard()->button(QWizard::CustomButton1)->setEnabled(false);

    form->label_msg1->setText(tr("Your Orvex receiver firmware is being updated..."));
    form->label_msg2->setText(tr("This process may take several minutes. Do not unplug the Orvex "
                                 "receiver until the firmware is updated."));
    for (QLabel *label : {form->label_versions, form->label_record})
        label->hide();
    form->progressBar->show();
    // Something holds the focus while the receiver is written, and it
    // starts nothing.
    form->progressBar->setFocusPolicy(Qt::StrongFocus);
    form->progressBar->setFocus(Qt::OtherFocusReason);
    run->ShowStart();
    startTimer(kStartDelayMs);
}

namespace {

bool IsCloseRequest(const QEvent &event)
{
    if (event.type() == QEvent::Close)
        return true;
    if (event.type() != QEvent::KeyPress)
        return false;
    const auto &key = static_cast<const QKeyEvent &>(event);
    return key.key() == Qt::Key_Escape || (key.key() == Qt::Key_F4 && key.modifiers() == Qt::AltModifier);
}

} // namespace

bool CUpdateFirmwarePage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == wizard() && IsCloseRequest(*event) && !g_closeAllowed)
        SayTheUpdateMustFinish();
    return CWizardBase::eventFilter(watched, event);
}

void CUpdateFirmwarePage::SayTheUpdateMustFinish()
{
    const QString notice = tr("The update must finish first. Keep the receiver plugged in until it has.");
    form->label_notice->setText(notice);
    form->label_notice->show();
    form->progressBar->setAccessibleDescription(notice);
    noticeTimer->start();
}

// What the receiver runs now, on the page and for a screen reader on the
// button that has the focus.
void CUpdateFirmwarePage::ShowInstalled(QAbstractButton *focused)
{
    form->label_installed->setText(tr("Installed: %1, build %2.")
                                       .arg(Version(run->Installed().version))
                                       .arg(run->Installed().build));
    form->label_installed->show();
    focused->setAccessibleDescription(form->label_msg1->text() + QLatin1Char(' ') + form->label_installed->text());
}

void CUpdateFirmwarePage::timerEvent(QTimerEvent *event)
{
    killTimer(event->timerId());
    RunUpdate();
}

void CUpdateFirmwarePage::RunUpdate()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Nothing may close the window under the write. A close request during
    // one of its waits is answered at once; it reaches the window after
    // the wait, at the latest as the watch ends, to be refused there.
    g_closeAllowed = false;
    Clock::WatchWaitingInput([this](QObject *receiver, const QEvent &event) {
        if (receiver == wizard()->windowHandle() && IsCloseRequest(event))
            SayTheUpdateMustFinish();
    });
    const int result = run->Run();
    Clock::WatchWaitingInput(nullptr);
    g_closeAllowed = true;
    QApplication::restoreOverrideCursor();

    noticeTimer->stop();
    form->label_notice->hide();
    form->progressBar->setAccessibleDescription(QString());
    form->progressBar->setFocusPolicy(Qt::NoFocus);
    wizard()->button(QWizard::CustomButton1)->hide();
    wizard()->button(QWizard::FinishButton)->show();
    if (auto *close = qobject_cast<QPushButton *>(wizard()->button(QWizard::FinishButton))) {
        close->setDefault(true);
        close->setFocus();
    }

    if (result == kUpdateSucceeded) {
        form->label_msg1->setText(tr("Your Orvex receiver firmware has been updated."));
        form->label_msg2->hide();
        ShowInstalled(wizard()->button(QWizard::FinishButton));
        return;
    }
    if (result == kReceiverNotReachable) {
        g_restartRequested = true;
        wizard()->close();
        return;
    }
    // Behind the box, the page no longer says that the update goes on.
    form->label_msg1->setText(tr("Your Orvex receiver firmware could not be updated."));
    form->label_msg2->hide();
    messageBox.setText(tr("Your Orvex receiver failed to update. Please provide Technical Support "
                          "with the following error code: ")
                       + QString::number(result));
    messageBox.setInformativeText(tr("Please unplug the Orvex receiver before restarting the updater. "
                                     "Would you like to retry the update?"));
    QAbstractButton *yes = messageBox.addButton(tr("Yes"), QMessageBox::YesRole);
    messageBox.addButton(tr("No"), QMessageBox::NoRole);
    messageBox.exec();
    if (messageBox.clickedButton() == yes)
        g_restartRequested = true;
    wizard()->close();
}
