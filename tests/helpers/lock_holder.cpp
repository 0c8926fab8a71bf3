// Started by the single-updater test: claims the session's lock in the
// folder it is given, says "held" and waits to be killed.
#include "singleinstance.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    SingleInstance instance(QCoreApplication::arguments().value(1));
    QTextStream out(stdout);
    out << (instance.Claim() ? "held" : "refused") << Qt::endl;
    return QCoreApplication::exec();
}
