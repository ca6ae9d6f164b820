// The serial device on Linux: a tty opened non-blocking, waited on with poll() together with
// the wake-up event's eventfd, its counters and modem lines read through ioctl().

#include "platform/SerialDevice.h"

#include "platform/SystemError.h"
#include "platform/linux/TtySettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

namespace platform {

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
    return SystemErrorReason(error);
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

namespace {

class TtyDevice final : public SerialDevice
{
public:
    explicit TtyDevice(int fd) : fd_(fd) {}
    ~TtyDevice() override
    {
        Restore();
        ::close(fd_);
    }

    std::intptr_t NativeHandle() const override { return fd_; }

    bool IsCommHandle() const override
    {
        struct stat status{};
        return ::fstat(fd_, &status) == 0 && S_ISCHR(status.st_mode) && ::isatty(fd_);
    }

    void Claim() override
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

    void Restore() override
    {
        if (savedTermios_)
            ::tcsetattr(fd_, TCSANOW, &*savedTermios_);
        savedTermios_.reset();
        if (claimed_)
            ::ioctl(fd_, TIOCNXCL);
        claimed_ = false;
    }

    void ApplyLineSettings(const TCommLineSettings &settings) override { ApplyTtyLineSettings(fd_, settings); }

    void Purge(bool input, bool output) override
    {
        if (input || output)
            ::tcflush(fd_, input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH);
    }

    std::ptrdiff_t Read(char *buffer, std::size_t size) override { return ::read(fd_, buffer, size); }
    std::ptrdiff_t Write(const char *buffer, std::size_t size) override { return ::write(fd_, buffer, size); }

    SerialWaitResult Wait(const ManualResetEvent &wake, bool forWrite, std::int64_t timeoutMs) override
    {
        pollfd waitList[2] = {{wake.fd(), POLLIN, 0}, {fd_, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0}};
        const int ms = timeoutMs < 0 ? -1 : static_cast<int>(std::min<std::int64_t>(timeoutMs, 1 << 30));
        SerialWaitResult result;
        result.ready = ::poll(waitList, 2, ms);
        if (result.ready > 0) {
            result.woken = (waitList[0].revents & POLLIN) != 0;
            result.closed = (waitList[1].revents & POLLNVAL) != 0;
        }
        return result;
    }

    void SetRts(bool on) override
    {
        const int rts = TIOCM_RTS;
        ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &rts);
    }

    void Drain() override { ::tcdrain(fd_); }

    bool ReadLineCounters(LineCounters &counters) override
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

    bool ReadModemLines(ModemLines &lines) override
    {
        int bits = 0;
        if (::ioctl(fd_, TIOCMGET, &bits) != 0)
            return false;
        lines = ModemLinesFromTiocm(bits);
        return true;
    }

private:
    const int fd_;
    bool claimed_ = false;
    std::optional<termios> savedTermios_;
};

} // namespace

std::unique_ptr<SerialDevice> SerialDevice::Open(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    try {
        return std::make_unique<TtyDevice>(fd);
    } catch (...) {
        ::close(fd);
        throw;
    }
}

} // namespace platform
