#ifndef ORVEX_STATEFOLDER_H
#define ORVEX_STATEFOLDER_H

#include <QString>
#include <QStringList>

// Where the updater keeps its record: $XDG_STATE_HOME/orvex-updater, else
// ~/.local/state/orvex-updater; on Windows the local application-data
// folder.
QString StateFolder();

// Where the record may go, in this order: the state folder; where that
// cannot be used, the user's cache folder; else the session's runtime
// folder (on Windows, the temporary folder).
QStringList RecordFolders();

// The folder is ours to write: made if missing, a folder, writable, and
// (where the system says) owned by this user. False says why.
bool FolderUsable(const QString &folder, QString *why);

// Says on stderr what became of the record.
void SayAboutRecord(const QString &where, const QString &what);

#endif
