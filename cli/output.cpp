#include "output.h"

#include <QJsonDocument>

Output::Output(QTextStream &out, QTextStream &err, bool json, bool terminal)
    : out(out)
    , err(err)
    , json(json)
    , terminal(terminal)
{
}

void Output::Event(const QString &event, QJsonObject fields)
{
    if (!json)
        return;
    fields.insert(QStringLiteral("event"), event);
    out << QJsonDocument(fields).toJson(QJsonDocument::Compact) << '\n';
    out.flush();
}

void Output::Say(const QString &line)
{
    EndLine();
    QTextStream &to = json ? err : out;
    to << line << '\n';
    to.flush();
}

void Output::Redraw(const QString &line)
{
    out << '\r' << line << "\033[K";
    out.flush();
    redrawn = true;
}

void Output::EndLine()
{
    if (!redrawn)
        return;
    out << '\n';
    out.flush();
    redrawn = false;
}

void Output::Error(int code, const QString &message)
{
    EndLine();
    Event(QStringLiteral("error"), {{QStringLiteral("code"), code}, {QStringLiteral("message"), message}});
    err << "orvex-updater-cli: " << message << '\n';
    err.flush();
}
