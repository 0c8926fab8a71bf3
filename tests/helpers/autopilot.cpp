// Loaded into the real orvex-updater (LD_PRELOAD) by the end-to-end test:
// plays the user. It presses Next on the pack page, Update when offered,
// Close when the run is over, answers message boxes as ORVEX_AUTOPILOT_ANSWER
// says, and writes what it saw (the window title first) to the file named
// by ORVEX_AUTOPILOT_LOG.

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QWizard>

namespace {

constexpr int kLookEveryMs = 50;

void Log(const QString &line)
{
    QFile log(qEnvironmentVariable("ORVEX_AUTOPILOT_LOG"));
    if (log.open(QIODevice::Append))
        log.write(line.toUtf8() + '\n');
}

bool Ready(QAbstractButton *button)
{
    return button && button->isVisible() && button->isEnabled();
}

void Look()
{
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
        Log(QStringLiteral("box: ") + box->text());
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == qEnvironmentVariable("ORVEX_AUTOPILOT_ANSWER", QStringLiteral("No")))
                button->click();
        }
        return;
    }
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *wizard = qobject_cast<QWizard *>(window);
        if (!wizard || !wizard->isVisible() || !wizard->currentPage())
            continue;
        static bool titleSeen = false;
        if (!titleSeen) {
            titleSeen = true;
            Log(QStringLiteral("title: ") + wizard->windowTitle());
        }
        if (wizard->currentId() == 1 && Ready(wizard->button(QWizard::NextButton))) {
            Log(QStringLiteral("pack page"));
            wizard->button(QWizard::NextButton)->click();
        } else if (wizard->currentId() == 2 && Ready(wizard->button(QWizard::CustomButton1))) {
            Log(QStringLiteral("update offered"));
            wizard->button(QWizard::CustomButton1)->click();
        } else if (wizard->currentId() == 2 && Ready(wizard->button(QWizard::FinishButton))) {
            const auto *headline = wizard->currentPage()->findChild<QLabel *>(QStringLiteral("label_msg1"));
            Log(QStringLiteral("result: ") + (headline ? headline->text() : QString()));
            wizard->button(QWizard::FinishButton)->click();
        }
    }
}

void Start()
{
    Log(QStringLiteral("started %1").arg(QCoreApplication::applicationPid()));
    auto *timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, Look);
    timer->start(kLookEveryMs);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(Start)
