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

void ProgressBarView::RestartWaitBegins(int which, int of)
{
    restart = which;
    restarts = of;
    describedAtMs = -1;
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
    bar->setAccessibleDescription(QString());
}

void ProgressBarView::ShowRestartLine()
{
    const qint64 elapsed = waited.ElapsedMs();
    const QString line = QCoreApplication::translate("CUpdateFirmwarePage",
                                                     "Restarting the receiver (restart %1 of %2). This can take a "
                                                     "minute or two. Do not unplug it. (%3\u00A0s)")
                             .arg(restart)
                             .arg(restarts)
                             .arg(elapsed / 1000);
    restartLine->setText(line);
    if (describedAtMs < 0 || elapsed - describedAtMs >= kDescribeEveryMs) {
        describedAtMs = elapsed;
        bar->setAccessibleDescription(line);
    }
}
