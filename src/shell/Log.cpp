#include "shell/Log.h"

#include "shell/Folders.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemReason(int error)
{
    if (error == EWOULDBLOCK)
        return QStringLiteral("The file is in use by another program.");
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void fail(const QString &what, const QString &path, int error)
{
    throw platform::Exception(QStringLiteral("%1 \"%2\". %3").arg(what, path, systemReason(error)));
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

QString LogFilePath()
{
    return AppDataPath + QStringLiteral("HB.dbg");
}

void ClearLog()
{
    const QByteArray path = QFile::encodeName(LogFilePath());
    struct stat info {};
    if (::stat(path.constData(), &info) == 0 && !S_ISDIR(info.st_mode))
        ::unlink(path.constData());
}

QString LogTimeStamp(platform::OleDate moment, const platform::RegionalSettings &settings)
{
    // "c" is the short date followed by the long time, the time left out at midnight.
    return platform::FormatDateTime(QStringLiteral("c"), moment, settings);
}

void AppendLogLine(const QString &path, const QString &text, platform::OleDate moment)
{
    const QByteArray name = QFile::encodeName(path);
    FileDescriptor file(::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666));
    if (file.get() < 0)
        fail(QStringLiteral("Cannot open file"), path, errno);
    // Held exclusively until closed, as no other program may write between our lines.
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
        fail(QStringLiteral("Cannot open file"), path, errno);
    if (::lseek(file.get(), 0, SEEK_END) < 0)
        fail(QStringLiteral("Cannot write to file"), path, errno);

    const QByteArray bytes =
        platform::ToAnsi(LogTimeStamp(moment) + u':' + text + QStringLiteral("\r\n"));
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(file.get(), data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(QStringLiteral("Cannot write to file"), path, errno);
        }
        data += written;
        left -= written;
    }
}

void WriteLog(const QString &text)
{
    AppendLogLine(LogFilePath(), text, platform::Now());
}
