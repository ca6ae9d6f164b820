// Lock files on Linux: flock(2) locks on the whole file and an open-file-description
// (F_OFD_SETLK) lock on the first byte. The two kinds are independent of each other.

#include "platform/LockFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool IsSameFile(int fd, const QByteArray &path)
{
    struct stat byFd {};
    struct stat byPath {};
    if (fstat(fd, &byFd) != 0 || stat(path.constData(), &byPath) != 0)
        return false;
    return byFd.st_dev == byPath.st_dev && byFd.st_ino == byPath.st_ino;
}

} // namespace

LockFile::~LockFile()
{
    Close();
}

bool LockFile::Open(const QString &path, bool create, const QString &likeFile)
{
    Close();
    const QByteArray name = QFile::encodeName(path);
    for (;;) {
        fd_ = ::open(name.constData(), O_RDWR | O_CLOEXEC);
        if (fd_ >= 0)
            return true;
        if (errno != ENOENT || !create)
            break;
        struct stat model {};
        const bool modelled = !likeFile.isEmpty() && ::stat(QFile::encodeName(likeFile).constData(), &model) == 0;
        const mode_t mode = modelled ? (model.st_mode & 0666) : 0666;
        fd_ = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_CREAT | O_EXCL, mode);
        if (fd_ >= 0) {
            // The umask narrowed what open gave; the model's permissions are meant whole.
            if (modelled)
                ::fchmod(fd_, mode);
            return true;
        }
        if (errno != EEXIST)
            break;
        // Made by someone else in between: open theirs.
    }
    error_ = errno;
    return false;
}

bool LockFile::OpenReadOnly(const QString &path)
{
    Close();
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    return true;
}

void LockFile::Close() noexcept
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

LockFile::Result LockFile::TryLockShared()
{
    if (::flock(fd_, LOCK_SH | LOCK_NB) == 0)
        return Result::Locked;
    error_ = errno;
    return error_ == EWOULDBLOCK || error_ == EINTR ? Result::Busy : Result::Failed;
}

LockFile::Result LockFile::TryLockExclusive()
{
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0)
        return Result::Locked;
    error_ = errno;
    return error_ == EWOULDBLOCK || error_ == EINTR ? Result::Busy : Result::Failed;
}

LockFile::Result LockFile::TryLockOwnerByte()
{
    struct flock owner {};
    owner.l_type = F_WRLCK;
    owner.l_whence = SEEK_SET;
    owner.l_start = 0;
    owner.l_len = 1;
    if (::fcntl(fd_, F_OFD_SETLK, &owner) == 0)
        return Result::Locked;
    error_ = errno;
    return error_ == EAGAIN || error_ == EACCES ? Result::Busy : Result::Failed;
}

bool LockFile::IsSameFileAs(const QString &path) const
{
    return IsSameFile(fd_, QFile::encodeName(path));
}

bool LockFile::DeleteIfUnheld(const QString &path)
{
    if (TryLockExclusive() != Result::Locked || !IsSameFileAs(path))
        return false;
    return ::unlink(QFile::encodeName(path).constData()) == 0;
}

bool DeleteLockFileIfUnheld(const QString &path)
{
    // Whole-file locks need no write access: a file left by another user whose permissions
    // keep this one from writing it can still be tested and deleted (the folder permitting).
    LockFile file;
    return (file.Open(path, false) || file.OpenReadOnly(path)) && file.DeleteIfUnheld(path);
}

} // namespace platform
