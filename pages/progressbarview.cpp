#include "progressbarview.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

namespace {

// The waits keep the window answering, so the seconds count on.
constexpr int kTickMs = 250;

} // namespace

ProgressBarView::ProgressBarView(QProgressBar *bar, QLabel *restartLine)
    : bar(bar)
    , restartLine(restartLine)
    , ticker(new QTimer(restartLine))
{
    ticker->setObjectName(QLatin1String(kTickerName));
    ticker->setInterval(kTickMs);
    QObject::connect(ticker, &QTimer::timeout, restartLine, [this] { ShowRestartLine(); });
}

void ProgressBarView::ShowProgress(int percent)
{
    // Most reports leave it where it is.
    if (bar->value() != percent) {
        bar->setValue(percent);
        bar->repaint();
    }
    QCoreApplication::processEvents();
}

void ProgressBarView::RestartWaitBegins()
{
    waited.Start();
    ShowRestartLine();
    restartLine->show();
    restartLine->repaint();
    ticker->start();
}

void ProgressBarView::RestartWaitEnds()
{
    ticker->stop();
    restartLine->hide();
}

void ProgressBarView::ShowRestartLine()
{
    restartLine->setText(QCoreApplication::translate(
                             "CUpdateFirmwarePage",
                             "Restarting the receiver. This can take a minute or two. Do not unplug it. (%1\u00A0s)")
                             .arg(waited.ElapsedMs() / 1000));
}
