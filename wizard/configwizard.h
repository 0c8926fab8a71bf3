#ifndef ORVEX_CONFIGWIZARD_H
#define ORVEX_CONFIGWIZARD_H

#include <QWizard>

class UpdateRecord;

// The program's window: hosts the three pages, sets the buttons of each
// page, refuses to close while firmware is written, shows the catalogue
// report on F1.
class CConfigWizard : public QWizard
{
    Q_OBJECT

public:
    // What the search finds and the updates it runs go into `record`, when
    // there is one.
    explicit CConfigWizard(QWidget *parent = nullptr, UpdateRecord *record = nullptr);
    ~CConfigWizard() override;

    // Refused while the firmware is written: Escape and reject() would
    // otherwise hide the window under the write.
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void OnCurrentIdChanged(int id);
    void BringWindowToForeground();
};

#endif
