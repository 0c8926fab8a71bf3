// Preloaded into a program by orvex-bench. It notes the wall-clock time
// (microseconds) of the application object's creation, of every debug
// line the program writes, and of the end of the first paint of a window;
// then it writes them, with the process's CPU time and peak resident set
// size, to ORVEX_PROBE_FILE and ends the program.
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdlib>
#include <ctime>

namespace {

QByteArray g_record;

qint64 NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void Note(const QByteArray &what)
{
    g_record += QByteArray::number(NowUs()) + ' ' + what + '\n';
}

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

void Finish()
{
    Note("painted");
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    g_record += "cpu " + QByteArray::number(qint64(cpu.tv_sec) * 1000000 + cpu.tv_nsec / 1000) + '\n';
    g_record += "rss " + QByteArray::number(PeakRssKb()) + '\n';
    QFile out(qEnvironmentVariable("ORVEX_PROBE_FILE"));
    if (out.open(QIODevice::WriteOnly)) {
        out.write(g_record);
        out.close();
    }
    std::_Exit(0);
}

class FirstPaint : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->isWindow()) {
            // Once this paint is over.
            QTimer::singleShot(0, Finish);
            QCoreApplication::instance()->removeEventFilter(this);
        }
        return false;
    }
};

void Start()
{
    Note("application");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &message) {
        Note(message.toUtf8());
    });
    QCoreApplication::instance()->installEventFilter(new FirstPaint);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(Start)
