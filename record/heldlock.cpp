#include "heldlock.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

HeldLock::HeldLock(const QString &path, File file)
    : path(path)
    , file(file)
{
}

HeldLock::~HeldLock()
{
    Release();
}

#ifdef Q_OS_WIN

namespace {

std::wstring Native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

} // namespace

bool HeldLock::Take()
{
    if (handle)
        return true;
    // Others may look, never write: a second Take fails on the sharing.
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | (file == File::RemovedOnRelease ? FILE_FLAG_DELETE_ON_CLOSE : 0);
    HANDLE opened = CreateFileW(Native(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, flags, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    handle = opened;
    return true;
}

void HeldLock::Release()
{
    if (!handle)
        return;
    CloseHandle(static_cast<HANDLE>(handle));
    handle = nullptr;
}

bool HeldLock::Taken() const
{
    return handle != nullptr;
}

bool HeldLock::IsHeld(const QString &path)
{
    // Reading while nobody writes: refused while a holder has it open.
    HANDLE opened = CreateFileW(Native(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened != INVALID_HANDLE_VALUE) {
        CloseHandle(opened);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

#else

bool HeldLock::Take()
{
    if (descriptor >= 0)
        return true;
    const QByteArray name = QFile::encodeName(path);
    // A holder that removes the file as it lets go may leave another
    // process locking the removed file: only the file at the path counts.
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int opened = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (opened < 0)
            return false;
        if (::flock(opened, LOCK_EX | LOCK_NB) != 0) {
            ::close(opened);
            return false;
        }
        struct stat held = {};
        struct stat named = {};
        if (::fstat(opened, &held) == 0 && ::stat(name.constData(), &named) == 0 && held.st_ino == named.st_ino
            && held.st_dev == named.st_dev) {
            descriptor = opened;
            return true;
        }
        ::close(opened);
    }
    return false;
}

void HeldLock::Release()
{
    if (descriptor < 0)
        return;
    if (file == File::RemovedOnRelease)
        ::unlink(QFile::encodeName(path).constData());
    ::close(descriptor);
    descriptor = -1;
}

bool HeldLock::Taken() const
{
    return descriptor >= 0;
}

bool HeldLock::IsHeld(const QString &path)
{
    const int opened = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (opened < 0)
        return false;
    const bool held = ::flock(opened, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(opened);
    return held;
}

#endif
