#ifndef ORVEX_SINGLEINSTANCE_H
#define ORVEX_SINGLEINSTANCE_H

#include <QFileSystemWatcher>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

// One updater per session: two updaters would fight over one receiver.
// The first holds a lock in the session's runtime folder and watches a
// file beside it; a later one writes to that file to ask it to come to the
// front, and ends. Both files go with the updater that holds the lock.
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
    // Asks the updater that holds the lock to come to the front.
    bool AskRunningToComeForward();
    // Gives the lock up, so that a restarted updater can claim it.
    void Release();

signals:
    void ComeForwardRequested();

private:
    QString nudgeFile;
    QLockFile lock;
    std::unique_ptr<QFileSystemWatcher> watcher;
};

// Lets the updater that holds the lock take the foreground from this
// process, where the system asks for that.
void GrantForegroundToOtherProcess();

#endif
