// Started by the restart test: writes how many arguments it got into the
// file named by ORVEX_RESTART_MARKER.
#include <QFile>
#include <QtGlobal>

int main(int argc, char **)
{
    QFile marker(qEnvironmentVariable("ORVEX_RESTART_MARKER"));
    if (!marker.open(QIODevice::WriteOnly))
        return 1;
    marker.write(QByteArray::number(argc - 1));
    return 0;
}
