#include "verbosity.h"

Q_LOGGING_CATEGORY(lcVerbose, "orvex.cli.verbose", QtInfoMsg)

namespace {

QtMessageHandler g_previous = nullptr;

void Filter(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg || lcVerbose().isDebugEnabled())
        g_previous(type, context, message);
}

} // namespace

Verbosity::Verbosity(bool verbose)
{
    if (verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("orvex.cli.verbose.debug=true"));
    previous = qInstallMessageHandler(Filter);
    g_previous = previous;
}

Verbosity::~Verbosity()
{
    qInstallMessageHandler(previous);
}
