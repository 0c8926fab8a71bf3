#ifndef ORVEX_CLI_OUTPUT_H
#define ORVEX_CLI_OUTPUT_H

#include <QJsonObject>
#include <QString>
#include <QTextStream>

// Where the command line says what it says. With --json, standard output
// carries one JSON object a line and nothing else, and the words for a
// person go to standard error; otherwise the words go to standard output
// and errors to standard error. On a terminal a line can be redrawn.
class Output
{
public:
    Output(QTextStream &out, QTextStream &err, bool json, bool terminal);

    bool Json() const { return json; }
    // One line is redrawn in place (a terminal, and no JSON).
    bool Redraws() const { return terminal && !json; }

    // An event for programs: on standard output with --json, else nowhere.
    void Event(const QString &event, QJsonObject fields = {});
    // Words for a person.
    void Say(const QString &line);
    // The line redrawn in place; Say and the end of the command end it.
    void Redraw(const QString &line);
    // A failure: with --json an "error" event with its code, and always a
    // line on standard error.
    void Error(int code, const QString &message);
    // Ends a redrawn line.
    void EndLine();

private:
    QTextStream &out;
    QTextStream &err;
    bool json;
    bool terminal;
    bool redrawn = false;
};

#endif
