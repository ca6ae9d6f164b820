#include "comm/CommDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

QString ResolveCommDevice(const QString &commName, const QString &portsFolder)
{
    if (commName.startsWith(QLatin1Char('/')))
        return commName;

    static const QRegularExpression comPattern(QStringLiteral("^COM([0-9]{1,9})$"),
                                               QRegularExpression::CaseInsensitiveOption);
    const auto match = comPattern.match(commName);
    if (!match.hasMatch())
        return QStringLiteral("/dev/") + commName;

    const int number = match.captured(1).toInt();
    if (!portsFolder.isEmpty()) {
        const QString link = QDir(portsFolder).filePath(QStringLiteral("COM%1").arg(number));
        // Any entry counts, also one that cannot be looked at (no permission): opening it then
        // reports why, instead of silently trying another device.
        struct stat status{};
        if (::lstat(QFile::encodeName(link).constData(), &status) == 0 || errno != ENOENT)
            return link;
    }
    if (number >= 1 && number <= 64)
        return QStringLiteral("/dev/ttyUSB%1").arg(number - 1);
    if (number >= 65 && number <= 128)
        return QStringLiteral("/dev/ttyACM%1").arg(number - 65);
    if (number >= 129 && number <= 160)
        return QStringLiteral("/dev/ttyS%1").arg(number - 129);
    // No device numbering covers this port; the name leads to a file that does not exist, so
    // opening it reports "no such file" with the path shown.
    return QStringLiteral("/dev/COM%1").arg(number);
}

QString CommErrorReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString CommOpenErrorText(int error, const QString &device)
{
    QString text = CommErrorReason(error) + QStringLiteral(": ") + device;
    const QFileInfo info(device);
    if (info.isSymLink())
        text += QStringLiteral(" -> ") + info.symLinkTarget();
    switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
        text += QStringLiteral(". There is no such serial port; check that the meter's cable is plugged in.");
        break;
    case EACCES:
    case EPERM:
        text += QStringLiteral(". This user may not open serial ports: add the user to the dialout group "
                               "(sudo adduser $USER dialout) and log in again.");
        break;
    case EBUSY:
        text += QStringLiteral(". The port is in use by another program.");
        break;
    default:
        break;
    }
    return text;
}

std::unique_ptr<TCommDevice> TCommDevice::Open(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    try {
        return std::make_unique<TCommDevice>(fd);
    } catch (...) {
        ::close(fd);
        throw;
    }
}

TCommDevice::TCommDevice(int fd) : fd_(fd) {}

TCommDevice::~TCommDevice()
{
    Restore();
    ::close(fd_);
}

bool TCommDevice::IsCommHandle() const
{
    struct stat status{};
    return ::fstat(fd_, &status) == 0 && S_ISCHR(status.st_mode) && ::isatty(fd_);
}

void TCommDevice::Claim()
{
    // No other program may open the port while it is ours.
    ::ioctl(fd_, TIOCEXCL);
    claimed_ = true;
    termios current{};
    if (::tcgetattr(fd_, &current) == 0)
        savedTermios_ = current;
    else
        savedTermios_.reset();
}

void TCommDevice::Restore()
{
    if (savedTermios_)
        ::tcsetattr(fd_, TCSANOW, &*savedTermios_);
    savedTermios_.reset();
    if (claimed_)
        ::ioctl(fd_, TIOCNXCL);
    claimed_ = false;
}

ssize_t TCommDevice::Read(char *buffer, std::size_t size)
{
    return ::read(fd_, buffer, size);
}

ssize_t TCommDevice::Write(const char *buffer, std::size_t size)
{
    return ::write(fd_, buffer, size);
}

bool TCommDevice::ReadLineCounters(LineCounters &counters)
{
    serial_icounter_struct icount{};
    if (::ioctl(fd_, TIOCGICOUNT, &icount) != 0)
        return false;
    counters.frame = static_cast<std::uint32_t>(icount.frame);
    counters.overrun = static_cast<std::uint32_t>(icount.overrun);
    counters.parity = static_cast<std::uint32_t>(icount.parity);
    counters.brk = static_cast<std::uint32_t>(icount.brk);
    counters.bufOverrun = static_cast<std::uint32_t>(icount.buf_overrun);
    counters.ring = static_cast<std::uint32_t>(icount.rng);
    counters.carrier = static_cast<std::uint32_t>(icount.dcd);
    return true;
}

bool TCommDevice::ReadModemLines(int &lines)
{
    return ::ioctl(fd_, TIOCMGET, &lines) == 0;
}
