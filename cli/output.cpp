#include "output.h"

#include <QIODevice>
#include <QJsonDocument>

Output::Output(QTextStream &out, QTextStream &err, bool json, bool terminal)
    : out(out)
    , err(err)
    , json(json)
    , terminal(terminal)
{
}

void Output::Write(Stream which, const QString &text)
{
    QTextStream &stream = which == Stream::Out ? out : err;
    bool &lost = which == Stream::Out ? outLost : errLost;
    if (lost)
        return;
    stream << text;
    stream.flush();
    if (stream.status() == QTextStream::Ok)
        return;
    lost = true;
    // Standard error says what became of standard output; of standard
    // error itself only the exit status can tell.
    if (which == Stream::Out)
        Write(Stream::Err, QStringLiteral("orvex-updater-cli: standard output cannot be written (%1); the command "
                                          "goes on, and what it does is recorded\n")
                               .arg(stream.device() ? stream.device()->errorString() : QString()));
}

void Output::Event(const QString &event, QJsonObject fields)
{
    if (!json)
        return;
    fields.insert(QStringLiteral("event"), event);
    Write(Stream::Out, QString::fromUtf8(QJsonDocument(fields).toJson(QJsonDocument::Compact)) + QLatin1Char('\n'));
}

void Output::Say(const QString &line)
{
    EndLine();
    Write(json ? Stream::Err : Stream::Out, line + QLatin1Char('\n'));
}

void Output::Text(const QString &event, const QString &text)
{
    if (json)
        Event(event, {{QStringLiteral("text"), text}});
    else
        Write(Stream::Out, text);
}

void Output::Redraw(const QString &line)
{
    Write(Stream::Out, QLatin1Char('\r') + line + QStringLiteral("\033[K"));
    redrawn = true;
}

void Output::EndLine()
{
    if (!redrawn)
        return;
    redrawn = false;
    Write(Stream::Out, QStringLiteral("\n"));
}

void Output::Error(int code, const QString &message)
{
    EndLine();
    Event(QStringLiteral("error"), {{QStringLiteral("code"), code}, {QStringLiteral("message"), message}});
    Write(Stream::Err, QStringLiteral("orvex-updater-cli: ") + message + QLatin1Char('\n'));
}

void Output::Aside(const QString &text)
{
    EndLine();
    Write(Stream::Err, text);
}
