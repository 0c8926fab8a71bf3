#ifndef ORVEX_UPDATEFIRMWAREPAGE_H
#define ORVEX_UPDATEFIRMWAREPAGE_H

#include "progressbarview.h"
#include "updaterun.h"
#include "wizardbase.h"

#include <memory>

class QAbstractButton;
class QLabel;
class QTimer;
class QProgressBar;

// The last page: says whether the receiver needs new firmware, offers the
// update, runs it and reports the outcome.
class CUpdateFirmwarePage : public CWizardBase
{
    Q_OBJECT

public:
    // Updates go into `record`, when there is one.
    explicit CUpdateFirmwarePage(QWidget *parent = nullptr, UpdateRecord *record = nullptr);
    ~CUpdateFirmwarePage() override;

    void initializePage() override;
    int nextId() const override;

protected:
    void timerEvent(QTimerEvent *event) override;
    // Close requests to the window while the receiver is written.
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void OnUpdate();

private:
    struct Form;
    void RunUpdate();
    // The notice that a close request is refused, for a few seconds.
    void SayTheUpdateMustFinish();
    void ShowInstalled(QAbstractButton *focused);

    std::unique_ptr<Form> form;
    UpdateRecord *record;
    std::unique_ptr<ProgressBarView> progress;
    std::unique_ptr<UpdateRun> run;
    bool runStarted = false;
    QTimer *noticeTimer;
};

#endif
