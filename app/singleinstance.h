#ifndef ORVEX_SINGLEINSTANCE_H
#define ORVEX_SINGLEINSTANCE_H

#include "heldlock.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

#include <memory>

// One updater per session: two updaters would fight over one receiver.
// The first holds a lock in the session's runtime folder and watches a
// file beside it; a later one writes to that file to ask it to come to the
// front, and ends. The first empties the file when it comes forward, or
// writes that it cannot (its window is gone while it finishes a write),
// and the later one says so instead of ending silently. Both files go with
// the updater that holds the lock; the system lets the lock go with an
// updater that is killed, whatever process ID the next one gets.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // XDG_RUNTIME_DIR where there is one, else the temporary folder.
    static QString SessionFolder();

    explicit SingleInstance(const QString &folder = SessionFolder());
    ~SingleInstance() override;

    // True when no other updater runs; this one then holds the lock.
    bool Claim();
    // Asks the updater that holds the lock to come to the front; true when
    // it answers that it did.
    bool AskRunningToComeForward();
    // The answer to a request of ComeForwardRequested: this updater has no
    // window to show.
    void AnswerCannotComeForward();
    // Gives the lock up, so that a restarted updater can claim it.
    void Release();

signals:
    void ComeForwardRequested();

private:
    QString nudgeFile;
    bool answeredCannot = false;
    HeldLock lock;
    std::unique_ptr<QFileSystemWatcher> watcher;
};

// Lets the updater that holds the lock take the foreground from this
// process, where the system asks for that.
void GrantForegroundToOtherProcess();

#endif
