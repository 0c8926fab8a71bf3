#include "arguments.h"

#include <QCommandLineParser>
#include <QHash>

namespace {

const char kUsage[] = R"(usage: orvex-updater-cli COMMAND [OPTIONS]

Commands:
  status [--json] [--wait SECONDS]
      the receiver plugged in, and what an update would do for each pack
  update [--pack scrivet|classic|none] [--yes] [--json] [--wait SECONDS]
      updates the receiver plugged in; asks first on a terminal without --yes
  batch --pack scrivet|classic|none [--count N] [--json] [--wait SECONDS]
      updates receiver after receiver, each one plugged in after the last is pulled
  history [--json] [--last N]
      the record of updates on this computer, newest first

Every command takes --verbose (the debug lines on standard error) and --help;
--version names the program's version and the device library it drives.
Exit status: 0 every receiver ends current, 1 an update failed, 2 bad usage,
3 no receiver within the wait, 4 another updater runs in this session,
5 the update was declined, 6 stopped before any receiver was handled,
7 output could not be written (the receivers were finished all the same),
8 the device library is missing or lacks a call (no receiver was touched).
)";

struct Command {
    Arguments::Command command;
    QStringList options;
};

const QHash<QString, Command> &Commands()
{
    static const QHash<QString, Command> commands{
        {QStringLiteral("status"), {Arguments::Command::Status, {"json", "wait", "verbose"}}},
        {QStringLiteral("update"), {Arguments::Command::Update, {"pack", "yes", "json", "wait", "verbose"}}},
        {QStringLiteral("batch"), {Arguments::Command::Batch, {"pack", "count", "json", "wait", "verbose"}}},
        {QStringLiteral("history"), {Arguments::Command::History, {"json", "last", "verbose"}}},
    };
    return commands;
}

// A whole number from `lowest` on, or what is wrong with it.
QString Number(const QString &option, const QString &value, int lowest, int *number)
{
    bool ok = false;
    *number = value.toInt(&ok);
    if (ok && *number >= lowest)
        return QString();
    return QStringLiteral("--%1 needs a whole number%2, not \"%3\"")
        .arg(option, lowest > 0 ? QStringLiteral(" from %1").arg(lowest) : QString(), Shown(value));
}

} // namespace

QString Shown(const QString &word)
{
    QString shown;
    for (const QChar c : word) {
        const char16_t u = c.unicode();
        if (u == '\\')
            shown += QStringLiteral("\\\\");
        else if (u == '\n')
            shown += QStringLiteral("\\n");
        else if (u == '\t')
            shown += QStringLiteral("\\t");
        else if (u == '\r')
            shown += QStringLiteral("\\r");
        else if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029)
            shown += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

QString UsageText()
{
    return QString::fromLatin1(kUsage);
}

QString ParseArguments(const QStringList &words, Arguments *arguments)
{
    arguments->json = words.contains(QStringLiteral("--json"));
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("help"), QString()},
        {QStringLiteral("version"), QString()},
        {QStringLiteral("json"), QString()},
        {QStringLiteral("yes"), QString()},
        {QStringLiteral("verbose"), QString()},
        {QStringLiteral("pack"), QString(), QStringLiteral("pack")},
        {QStringLiteral("wait"), QString(), QStringLiteral("seconds")},
        {QStringLiteral("count"), QString(), QStringLiteral("n")},
        {QStringLiteral("last"), QString(), QStringLiteral("n")},
    });
    // The parser's own message quotes the bad word as it came.
    if (!parser.parse(QStringList{QStringLiteral("orvex-updater-cli")} + words))
        return Shown(parser.errorText());
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(QStringLiteral("help")) || positional.value(0) == QLatin1String("help"))
        return QString();
    if (parser.isSet(QStringLiteral("version")) && positional.isEmpty()) {
        arguments->command = Arguments::Command::Version;
        return QString();
    }
    if (positional.isEmpty())
        return QStringLiteral("a command is missing");
    const auto command = Commands().constFind(positional.constFirst());
    if (command == Commands().constEnd())
        return QStringLiteral("unknown command \"%1\"").arg(Shown(positional.constFirst()));
    if (positional.size() > 1)
        return QStringLiteral("unexpected \"%1\" after %2").arg(Shown(positional.at(1)), positional.constFirst());
    for (const QString &option : parser.optionNames()) {
        if (!command->options.contains(option))
            return QStringLiteral("--%1 does not go with %2").arg(Shown(option), positional.constFirst());
    }
    arguments->command = command->command;
    arguments->yes = parser.isSet(QStringLiteral("yes"));
    arguments->verbose = parser.isSet(QStringLiteral("verbose"));
    if (parser.isSet(QStringLiteral("pack"))) {
        const QString pack = parser.value(QStringLiteral("pack"));
        if (pack == QLatin1String("classic"))
            arguments->scrivetPack = false;
        else if (pack == QLatin1String("scrivet") || pack == QLatin1String("none"))
            arguments->scrivetPack = true;
        else
            return QStringLiteral("--pack must be scrivet, classic or none, not \"%1\"").arg(Shown(pack));
    }
    const struct {
        const char *option;
        int lowest;
        int *into;
    } numbers[] = {{"wait", 0, &arguments->waitS}, {"count", 1, &arguments->count}, {"last", 1, &arguments->last}};
    for (const auto &number : numbers) {
        if (!parser.isSet(QLatin1String(number.option)))
            continue;
        const QString problem = Number(QLatin1String(number.option), parser.value(QLatin1String(number.option)),
                                       number.lowest, number.into);
        if (!problem.isEmpty())
            return problem;
    }
    if (arguments->command == Arguments::Command::Batch && !arguments->scrivetPack)
        return QStringLiteral("batch needs --pack scrivet, classic or none");
    return QString();
}
