#include "store/DatabaseLockFile.h"

#include "store/DatabaseError.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

// A deleter holds its exclusive lock only for an unlink; a holder that meets it tries again.
constexpr int kAcquireAttempts = 50;

// True when fd is still the file that path names (not unlinked or replaced meanwhile).
bool IsSameFile(int fd, const QByteArray &path)
{
    struct stat byFd {};
    struct stat byPath {};
    if (fstat(fd, &byFd) != 0 || stat(path.constData(), &byPath) != 0)
        return false;
    return byFd.st_dev == byPath.st_dev && byFd.st_ino == byPath.st_ino;
}

QString SystemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString LockFilePathFor(const QString &databasePath)
{
    const QFileInfo info(databasePath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".ldb"));
}

DatabaseLockFile::~DatabaseLockFile()
{
    Release();
}

void DatabaseLockFile::Acquire(const QString &path)
{
    Release();
    const QByteArray native = QFile::encodeName(path);
    for (int attempt = 0; attempt < kAcquireAttempts; ++attempt) {
        const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int error = errno;
            throw DatabaseError(QStringLiteral("Cannot create the lock file %1: %2").arg(path, SystemReason(error)));
        }
        // Every holder keeps a shared lock, so the guard's delete (an exclusive lock) fails
        // while anyone has the database open. Only a deleter's short exclusive lock refuses
        // it, and the loop tries again.
        if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error != EWOULDBLOCK && error != EINTR)
                throw DatabaseError(QStringLiteral("Cannot lock the file %1: %2").arg(path, SystemReason(error)));
            ::usleep(2000);
            continue;
        }
        // A deleter may have removed the file between our open and our lock: then we hold a
        // lock on a file nobody can see, and must start again with a new one. From here on the
        // file stays, since no exclusive lock can be had while we hold ours.
        if (!IsSameFile(fd, native)) {
            ::close(fd);
            continue;
        }
        // Who came first: the one holder that gets the write lock on the first byte owns the
        // database, every later one shares it with that owner. The lock is taken once and
        // never changed, so two holders that arrive together cannot both see themselves alone.
        struct flock owner {};
        owner.l_type = F_WRLCK;
        owner.l_whence = SEEK_SET;
        owner.l_start = 0;
        owner.l_len = 1;
        bool others = false;
        if (::fcntl(fd, F_OFD_SETLK, &owner) != 0) {
            const int error = errno;
            if (error != EAGAIN && error != EACCES) {
                ::close(fd);
                throw DatabaseError(QStringLiteral("Cannot lock the file %1: %2").arg(path, SystemReason(error)));
            }
            others = true;
        }
        fd_ = fd;
        path_ = path;
        sharedWithOthers_ = others;
        return;
    }
    throw DatabaseError(QStringLiteral("Cannot lock the file %1: it is being deleted by another process").arg(path));
}

void DatabaseLockFile::Release() noexcept
{
    if (fd_ < 0)
        return;
    const QByteArray native = QFile::encodeName(path_);
    // Last holder: delete the file while holding it exclusively, so nobody locks it meanwhile.
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0 && IsSameFile(fd_, native))
        ::unlink(native.constData());
    ::close(fd_);
    fd_ = -1;
    path_.clear();
    sharedWithOthers_ = false;
}

bool TryDeleteLockFile(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool deleted = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && IsSameFile(fd, native))
        deleted = ::unlink(native.constData()) == 0;
    ::close(fd);
    return deleted;
}

bool IsLockFileHeld(const QString &path)
{
    TryDeleteLockFile(path);
    return QFileInfo::exists(path);
}

} // namespace store
