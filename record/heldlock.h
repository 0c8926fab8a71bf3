#ifndef ORVEX_HELDLOCK_H
#define ORVEX_HELDLOCK_H

#include <QString>

// A lock on a file that the system lets go when its holder ends, however
// it ends: nothing in it names the holder, so a later process that gets
// a dead holder's process ID never finds the lock held. An advisory lock
// (flock) on POSIX systems, a file opened for no one else on Windows.
class HeldLock
{
public:
    enum class File { Kept, RemovedOnRelease };
    explicit HeldLock(const QString &path, File file = File::Kept);
    ~HeldLock();
    HeldLock(const HeldLock &) = delete;
    HeldLock &operator=(const HeldLock &) = delete;

    // False: another process holds it, or the file cannot be made.
    bool Take();
    void Release();
    bool Taken() const;
    QString Path() const { return path; }

    // A live process holds the lock at `path`. Reads; writes and makes nothing.
    static bool IsHeld(const QString &path);

private:
    QString path;
    File file;
#ifdef Q_OS_WIN
    void *handle = nullptr;
#else
    int descriptor = -1;
#endif
};

#endif
