#include "platform/FileInUse.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// True when another open file (of any process, this one included) holds a record lock on
// the file that would stop us from writing it.
bool hasConflictingRecordLock(int fd)
{
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    query.l_start = 0;
    query.l_len = 0;
    if (::fcntl(fd, F_OFD_GETLK, &query) != 0)
        return false;
    return query.l_type != F_UNLCK;
}

} // namespace

bool IsFileInUse(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (name.isEmpty() || ::stat(name.constData(), &info) != 0 || S_ISDIR(info.st_mode))
        return false;
    // A file nobody may write (read-only) or read counts as in use even for a user whom the
    // permissions do not bind, as opening it for reading and writing is refused elsewhere.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || (info.st_mode & (S_IRUSR | S_IRGRP | S_IROTH)) == 0)
        return true;

    const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return true;
    bool inUse = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        inUse = true;
    else
        ::flock(fd, LOCK_UN);
    if (!inUse)
        inUse = hasConflictingRecordLock(fd);
    ::close(fd);
    return inUse;
}

} // namespace platform
