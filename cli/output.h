#ifndef ORVEX_CLI_OUTPUT_H
#define ORVEX_CLI_OUTPUT_H

#include <QJsonObject>
#include <QString>
#include <QTextStream>

// Where the command line says what it says. With --json, standard output
// carries one JSON object a line and nothing else, and the words for a
// person go to standard error; otherwise the words go to standard output
// and errors to standard error. On a terminal a line can be redrawn.
// Nothing that happens to either stream stops the command: a stream that
// cannot be written (a closed pipe, a full disk, a closed descriptor) is
// written no more, standard error says so if it can, and Lost() tells.
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
    // Text as it is (the usage), on standard output; with --json as an event.
    void Text(const QString &event, const QString &text);
    // The line redrawn in place; Say and the end of the command end it.
    void Redraw(const QString &line);
    // Words on standard error, whatever the mode (the usage after a bad word).
    void Aside(const QString &text);
    // A failure: with --json an "error" event with its code, and always a
    // line on standard error.
    void Error(int code, const QString &message);
    // Ends a redrawn line.
    void EndLine();
    // Something could not be written.
    bool Lost() const { return outLost || errLost; }

private:
    enum class Stream { Out, Err };
    void Write(Stream stream, const QString &text);

    QTextStream &out;
    QTextStream &err;
    bool json;
    bool terminal;
    bool redrawn = false;
    bool outLost = false;
    bool errLost = false;
};

#endif
