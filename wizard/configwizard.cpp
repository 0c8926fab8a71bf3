#include "configwizard.h"

#include "catalogue.h"
#include "intropage.h"
#include "pageids.h"
#include "pageflags.h"
#include "reportbox.h"
#include "selectscrivetpack.h"
#include "updatefirmwarepage.h"
#include "windowplacement.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kWidth = 580;
constexpr int kHeight = 320;

constexpr QWizard::WizardButton kButtons[] = {QWizard::BackButton, QWizard::NextButton,
                                              QWizard::FinishButton, QWizard::CancelButton,
                                              QWizard::CustomButton1};

} // namespace

CConfigWizard::CConfigWizard(QWidget *parent, UpdateRecord *record)
    : QWizard(parent, Qt::WindowFlags())
{
    setFixedSize(kWidth, kHeight);
    setWindowTitle(tr("Orvex Firmware Updater"));
    setWizardStyle(QWizard::ModernStyle);

    setPage(kSearchPageId, new CIntroPage(nullptr, record));
    setPage(kPackPageId, new CSelectScrivetPack(nullptr));
    setPage(kUpdatePageId, new CUpdateFirmwarePage(nullptr, record));
    setStartId(kSearchPageId);

    setOptions(QWizard::NoBackButtonOnStartPage | QWizard::NoBackButtonOnLastPage);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    setButtonText(QWizard::BackButton, tr("Back"));
    setButtonText(QWizard::NextButton, tr("Next"));
    setButtonText(QWizard::FinishButton, tr("Close"));
    setButtonText(QWizard::CancelButton, tr("Cancel"));
    // Enter presses the default button only: a button that merely has the
    // focus (Cancel, once Update is greyed out) must not take it.
    for (const QWizard::WizardButton which : kButtons) {
        if (auto *push = qobject_cast<QPushButton *>(button(which)))
            push->setAutoDefault(false);
    }

    connect(this, &QWizard::currentIdChanged, this, &CConfigWizard::OnCurrentIdChanged);

    setWindowTitle(windowTitle() + QStringLiteral(" v") + QCoreApplication::applicationVersion());
    BringWindowToForeground();
}

CConfigWizard::~CConfigWizard() = default;

void CConfigWizard::OnCurrentIdChanged(int id)
{
    qDebug() << "CConfigWizard::currentIdChanged";
    qDebug() << "current page id=" << id;
    if (id == kSearchPageId || id == kPackPageId) {
        button(QWizard::BackButton)->setVisible(false);
        button(QWizard::CustomButton1)->setVisible(false);
        button(QWizard::CustomButton1)->setEnabled(false);
        button(QWizard::CancelButton)->setVisible(true);
        button(QWizard::NextButton)->setVisible(true);
    } else if (id == kUpdatePageId) {
        button(QWizard::BackButton)->setVisible(g_backButtonVisible);
        button(QWizard::NextButton)->setVisible(g_nextButtonVisible);
        button(QWizard::FinishButton)->setVisible(g_finishButtonVisible);
        button(QWizard::CustomButton1)->setVisible(g_updateButtonVisible);
        button(QWizard::CustomButton1)->setEnabled(g_updateButtonVisible);
        button(QWizard::CancelButton)->setVisible(g_cancelButtonVisible);
        // Enter updates when an update is offered, and closes when not.
        const QWizard::WizardButton enter = g_updateButtonVisible ? QWizard::CustomButton1 : QWizard::FinishButton;
        if (auto *push = qobject_cast<QPushButton *>(button(enter)))
            push->setDefault(true);
    }
    // Space and Enter press the same button: the default one has the focus.
    for (const QWizard::WizardButton which : kButtons) {
        auto *push = qobject_cast<QPushButton *>(button(which));
        if (push && push->isDefault() && push->isVisibleTo(this) && push->isEnabled())
            push->setFocus();
    }
}

void CConfigWizard::BringWindowToForeground()
{
    qDebug() << "BringWindowToForeground";
    showNormal();
    raise();
    activateWindow();
    PlaceInFrontOfOtherApplications(this);
}

void CConfigWizard::keyPressEvent(QKeyEvent *event)
{
    qDebug() << "keyPressEvent";
    // No box during a write: its event loop would hold the receiver mid-update.
    if (event->key() == Qt::Key_F1 && g_closeAllowed) {
        qDebug() << "F1 key pressed";
        QMessageBox box(nullptr);
        box.setWindowTitle(QStringLiteral("Orvex Firmware Updater"));
        box.setText(DescribeUpgradeTables());
        // It scrolls where the screen is small or the scale large.
        FitMessageBoxOnScreen(&box, screen()->availableGeometry());
        box.exec();
    }
    QDialog::keyPressEvent(event);
}

void CConfigWizard::closeEvent(QCloseEvent *event)
{
    if (!g_closeAllowed)
        event->ignore();
}

void CConfigWizard::done(int result)
{
    if (g_closeAllowed)
        QWizard::done(result);
}
