#ifndef ORVEX_INTROPAGE_H
#define ORVEX_INTROPAGE_H

#include "wizardbase.h"

#include "receiversession.h"

#include <QPointer>

#include <memory>

class QLabel;
class QTimer;

// The first page: polls for a receiver until one with supported firmware
// opens, keeps it in g_receiverState and moves on by itself.
class CIntroPage : public CWizardBase
{
    Q_OBJECT

public:
    // The search's outcome goes into `record`, when there is one.
    explicit CIntroPage(QWidget *parent = nullptr, UpdateRecord *record = nullptr);
    ~CIntroPage() override;

    void initializePage() override;
    void cleanupPage() override;
    bool validatePage() override;
    bool isComplete() const override;
    int nextId() const override;

protected:
    // One poll: a sweep over all product IDs.
    void timerEvent(QTimerEvent *event) override;

private:
    struct Form;

    void SearchForReceiver();
    void StopPolling();
    void TakeHintBack();

    std::unique_ptr<Form> form;
    ReceiverSession receiver; // on g_receiverState
    QTimer *hintTimer; // shows the hint when the search has gone on long
    QPointer<QWidget> hinted; // the control whose description carries the hint
    int timerId = 0;
    bool slowPolling = false;
    bool sweeping = false;
};

#endif
