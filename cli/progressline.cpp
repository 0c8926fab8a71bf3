#include "progressline.h"

#include <QCoreApplication>

namespace {

constexpr int kBarWidth = 20;
constexpr int kTickMs = 1000;

QString Words(StepKind kind)
{
    switch (kind) {
    case StepKind::WritingCopy1:
        return QStringLiteral("writing copy 1");
    case StepKind::WritingCopy2:
        return QStringLiteral("writing copy 2");
    case StepKind::WritingBootCode:
        return QStringLiteral("writing the boot code");
    case StepKind::WritingLastBytes:
        return QStringLiteral("writing the last 256 bytes");
    case StepKind::Restarting:
        return QStringLiteral("restarting the receiver");
    case StepKind::Finishing:
        break;
    }
    return QStringLiteral("finishing");
}

} // namespace

ProgressLine::ProgressLine(Output &output, const std::function<bool()> &stopAsked)
    : output(output)
    , stopAsked(stopAsked)
{
    ticker.setInterval(kTickMs);
    QObject::connect(&ticker, &QTimer::timeout, [this] {
        NoticeStop();
        if (this->output.Redraws())
            Draw();
    });
}

void ProgressLine::NoticeStop()
{
    if (stopSaid || !stopAsked())
        return;
    stopSaid = true;
    output.Event(QStringLiteral("stop-deferred"));
    output.Say(QStringLiteral("Asked to stop: this receiver is finished first. Keep it plugged in."));
}

void ProgressLine::Draw()
{
    if (restarting) {
        output.Redraw(QStringLiteral("restarting the receiver, do not unplug it (restart %1 of %2, %3 s)")
                          .arg(restart)
                          .arg(restarts)
                          .arg(waited.ElapsedMs() / 1000));
        return;
    }
    const int filled = percent * kBarWidth / 100;
    output.Redraw(QStringLiteral("%1 [%2%3] %4%")
                      .arg(step, -27)
                      .arg(QString(filled, QLatin1Char('#')), QString(kBarWidth - filled, QLatin1Char(' ')))
                      .arg(percent));
}

void ProgressLine::ShowProgress(int shown)
{
    NoticeStop();
    percent = qMax(percent, shown);
    if (output.Redraws()) {
        Draw();
    } else if (percent / 10 > tenthSaid) {
        tenthSaid = percent / 10;
        output.Event(QStringLiteral("progress"), {{QStringLiteral("percent"), percent}, {QStringLiteral("step"), step}});
        if (!output.Json())
            output.Say(QStringLiteral("%1% %2").arg(percent, 3).arg(step));
    }
    QCoreApplication::processEvents();
}

void ProgressLine::StepBegins(StepKind kind)
{
    step = Words(kind);
    output.Event(QStringLiteral("step"), {{QStringLiteral("step"), step}, {QStringLiteral("percent"), percent}});
    if (output.Redraws())
        Draw();
    else if (!output.Json())
        output.Say(step);
}

void ProgressLine::RestartWaitBegins(int which, int of)
{
    restart = which;
    restarts = of;
    restarting = true;
    waited.Start();
    output.Event(QStringLiteral("restart-wait-begins"), {{QStringLiteral("restart"), restart}, {QStringLiteral("of"), restarts}});
    if (output.Redraws())
        Draw();
    else if (!output.Json())
        output.Say(QStringLiteral("restarting the receiver, do not unplug it (restart %1 of %2)").arg(restart).arg(restarts));
    ticker.start();
}

void ProgressLine::RestartWaitEnds()
{
    ticker.stop();
    restarting = false;
    const qint64 seconds = waited.ElapsedMs() / 1000;
    output.Event(QStringLiteral("restart-wait-ends"), {{QStringLiteral("restart"), restart}, {QStringLiteral("seconds"), seconds}});
    if (output.Redraws())
        Draw();
    else if (!output.Json())
        output.Say(QStringLiteral("the receiver answers again after %1 s").arg(seconds));
}

void ProgressLine::Finish()
{
    ticker.stop();
    output.EndLine();
}
