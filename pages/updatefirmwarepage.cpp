#include "updatefirmwarepage.h"

#include "pageflags.h"
#include "pagewidgets.h"
#include "receiversession.h"
#include "sleepinhibitor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDebug>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimerEvent>
#include <QWizard>

namespace {

constexpr int kStartDelayMs = 500; // lets the new texts paint before the run blocks

} // namespace

struct CUpdateFirmwarePage::Form {
    QWidget *centralWidget;
    QLabel *label_msg1;
    QLabel *label_msg2;
    QProgressBar *progressBar;
    QLabel *label_versions; // what is installed and what will be, with the offer
    QLabel *label_restart;  // under the bar while the receiver restarts
    QLabel *label_record;   // with the offer, when no record of the update can be kept
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

    form->label_versions = MakeTextLabel(form->centralWidget, "label_versions", QRect(0, 115, 511, 41), BodyFont());
    form->label_versions->hide();
    form->label_restart = MakeTextLabel(form->centralWidget, "label_restart", QRect(66, 170, 485, 61), BodyFont());
    form->label_restart->hide();
    form->label_record = MakeTextLabel(form->centralWidget, "label_record", QRect(0, 160, 511, 61), BodyFont());
    form->label_record->hide();

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
    form->label_versions->hide();
    form->label_record->hide();
    form->progressBar->hide();
    runStarted = false;

    if (!ReceiverSession(g_receiverState, record).Aim(updater, progress.get())) {
        g_finishButtonVisible = true;
        form->label_msg1->setText(tr("Your Orvex receiver firmware is up to date."));
        form->label_msg2->hide();
        return;
    }
    form->label_msg1->setText(tr("Your Orvex receiver firmware needs to be updated."));
    form->label_msg2->setText(
        tr("Click \"Update\" to install the updated firmware on your Orvex receiver. Do not unplug "
           "the Orvex receiver until the firmware is updated."));
    const TargetFacts to = updater.Target();
    form->label_versions->setText(
        !Finishes(updater.selection)
            ? tr("Installed: %1, build %2. New: %3, build %4.")
                  .arg(Version(updater.versionInfo.version))
                  .arg(updater.versionInfo.build)
                  .arg(Version(to.version))
                  .arg(to.build)
            : tr("An earlier update of this receiver did not finish. Update finishes it: %1, build %2.")
                  .arg(Version(to.version))
                  .arg(to.build));
    form->label_versions->show();
    // Said before Update is pressed: a cut the next start cannot see.
    if (record && !record->Keeps()) {
        form->label_record->setText(tr("This computer cannot keep a record of updates: if this update is "
                                       "interrupted, the next start may not know it."));
        form->label_record->show();
    }
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
    form->label_versions->hide();
    form->label_record->hide();
    form->progressBar->show();
    updater.UpdateProgress();
    startTimer(kStartDelayMs);
}

void CUpdateFirmwarePage::timerEvent(QTimerEvent *event)
{
    killTimer(event->timerId());
    RunUpdate();
}

void CUpdateFirmwarePage::RunUpdate()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int result = kUpdateSucceeded;
    {
        // Nothing may close the window, nor the system sleep, under the write.
        SleepInhibitor inhibitor;
        g_closeAllowed = false;
        result = updater.RunFlashUpgrade();
        g_closeAllowed = true;
    }
    QApplication::restoreOverrideCursor();

    wizard()->button(QWizard::CustomButton1)->hide();
    wizard()->button(QWizard::FinishButton)->show();
    if (auto *close = qobject_cast<QPushButton *>(wizard()->button(QWizard::FinishButton))) {
        close->setDefault(true);
        close->setFocus();
    }

    if (result == kUpdateSucceeded) {
        form->label_msg1->setText(tr("Your Orvex receiver firmware has been updated."));
        form->label_msg2->hide();
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
