#ifndef ORVEX_SELECTSCRIVETPACK_H
#define ORVEX_SELECTSCRIVETPACK_H

#include "wizardbase.h"

#include <memory>

// The second page: which accessory pack will be used with the receiver.
// The choice picks the upgrade table.
class CSelectScrivetPack : public CWizardBase
{
    Q_OBJECT

public:
    explicit CSelectScrivetPack(QWidget *parent = nullptr);
    ~CSelectScrivetPack() override;

    void initializePage() override;
    bool validatePage() override;
    bool isComplete() const override;
    int nextId() const override;

protected:
    // A pen's picture and its pack's button are one choice: a click on
    // the picture chooses the pack.
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    // Connected by object name.
    void on_scrivetpack_new_clicked();
    void on_scrivetpack_classic_clicked();
    void on_scrivetpack_none_clicked();

private:
    struct Form;
    void EnableNext();

    std::unique_ptr<Form> form;
};

#endif
