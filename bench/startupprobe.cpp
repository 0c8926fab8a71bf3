// Preloaded into a program by orvex-bench: when its first window is shown,
// writes the wall-clock time in microseconds and the peak resident set
// size in kB to ORVEX_PROBE_FILE, then ends the program.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdlib>

namespace {

qint64 PeakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

void Check()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        QFile out(qEnvironmentVariable("ORVEX_PROBE_FILE"));
        if (out.open(QIODevice::WriteOnly)) {
            out.write(QByteArray::number(qint64(now.count())) + ' ' + QByteArray::number(PeakRssKb()));
            out.close();
        }
        std::_Exit(0);
    }
}

void Start()
{
    auto *timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, Check);
    timer->start(0);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(Start)
