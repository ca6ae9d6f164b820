#include "platform/AppendFile.h"

#include "platform/SystemError.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {

AppendFailure Failure(bool opening, int error)
{
    if (error == EWOULDBLOCK)
        return {opening, QStringLiteral("The file is in use by another program.")};
    return {opening, SystemErrorReason(error)};
}

// Closes the descriptor on every way out.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::optional<AppendFailure> AppendExclusively(const QString &path, const QByteArray &bytes)
{
    const QByteArray name = QFile::encodeName(path);
    FileDescriptor file(::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666));
    if (file.get() < 0)
        return Failure(true, errno);
    // Held exclusively until closed, as no other program may write between our lines.
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
        return Failure(true, errno);
    if (::lseek(file.get(), 0, SEEK_END) < 0)
        return Failure(false, errno);

    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(file.get(), data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return Failure(false, errno);
        }
        data += written;
        left -= written;
    }
    return std::nullopt;
}

} // namespace platform
