#include "platform/linux/TtySettings.h"

#include <sys/ioctl.h>

namespace platform {

namespace {

tcflag_t ByteSizeFlag(TByteSize size)
{
    switch (size) {
    case TByteSize::_5: return CS5;
    case TByteSize::_6: return CS6;
    case TByteSize::_7: return CS7;
    case TByteSize::_8: return CS8;
    }
    return CS8;
}

void SetModemLine(int fd, int line, bool on)
{
    ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

} // namespace

termios LineSettingsToTermios(const termios &current, const TCommLineSettings &s)
{
    termios t = current;

    // Binary mode: bytes pass unchanged, no line editing, no signals, no output processing.
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                                        IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    // Reads are non-blocking and paced by poll(). VMIN 1 makes an empty read fail with EAGAIN,
    // so that a read of 0 bytes means the line hung up. The port never waits for a carrier.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    t.c_cflag |= CREAD | CLOCAL;

    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    t.c_cflag |= ByteSizeFlag(s.ByteSize);

    t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    switch (s.Parity) {
    case TParity::None: break;
    case TParity::Odd: t.c_cflag |= PARENB | PARODD; break;
    case TParity::Even: t.c_cflag |= PARENB; break;
    case TParity::Mark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case TParity::Space: t.c_cflag |= PARENB | CMSPAR; break;
    }

    // A tty knows one and two stop bits; one and a half exists only with 5 data bits, where a
    // UART driver asked for two stop bits sends one and a half.
    if (s.StopBits == TStopBits::_1)
        t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    else
        t.c_cflag |= CSTOPB;

    // Parity checking. Without it the driver passes every byte as received and still counts
    // the errors (reported as line errors). With checking and replacement on, a byte with a
    // parity or framing error is read as NUL: that is the only replacement character a tty
    // can express, so a non-zero ReplacedChar cannot be honoured and such bytes arrive as NUL.
    // Checking without replacement has no exact counterpart either; the bytes then pass as
    // received, which keeps every byte, and the error is reported as a line error.
    if (s.ParityCheck && s.ReplaceWhenParityError)
        t.c_iflag |= INPCK;

    // Flow control. The kernel couples CTS output flow and RTS input flow into one flag, so
    // either setting turns on both. DSR output flow, DTR input flow, DSR sensitivity, "continue
    // sending after XOFF" and the XON/XOFF thresholds have no tty counterpart and are left out
    // (the kernel uses its own thresholds).
    if (s.Outx_CtsFlow || s.RtsControl == TRtsControl::RtsHandshake)
        t.c_cflag |= CRTSCTS;
    else
        t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    if (s.Outx_XonXoffFlow)
        t.c_iflag |= IXON;
    if (s.Inx_XonXoffFlow)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(s.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.XoffChar);

    // Discarding NUL bytes is not a termios feature; the receive thread drops them.
    return t;
}

void ApplyTtyLineSettings(int fd, const TCommLineSettings &s)
{
    termios current{};
    if (::tcgetattr(fd, &current) != 0)
        return;
    termios t = LineSettingsToTermios(current, s);

    // A rate of 0 would hang up the line on a tty; the port keeps its previous rate instead.
    bool arbitrary = false;
    if (s.BaudRate != 0 && ::cfsetspeed(&t, s.BaudRate) != 0) {
        // No Bxxx constant for this rate: set the flags with a placeholder speed, then the
        // rate itself through termios2.
        ::cfsetspeed(&t, B38400);
        arbitrary = true;
    }
    ::tcsetattr(fd, TCSANOW, &t);
    if (arbitrary)
        SetArbitraryBaudRate(fd, s.BaudRate);

    switch (s.DtrControl) {
    case TDtrControl::DtrEnable:
    case TDtrControl::DtrHandshake: // no DTR flow control on a tty: DTR stays raised
        SetModemLine(fd, TIOCM_DTR, true);
        break;
    case TDtrControl::DtrDisable: SetModemLine(fd, TIOCM_DTR, false); break;
    }
    switch (s.RtsControl) {
    case TRtsControl::RtsEnable: SetModemLine(fd, TIOCM_RTS, true); break;
    case TRtsControl::RtsHandshake: break; // driven by the kernel (CRTSCTS)
    case TRtsControl::RtsDisable:
    case TRtsControl::RtsToggle: // the transmit thread raises RTS around each write
        SetModemLine(fd, TIOCM_RTS, false);
        break;
    }
}

ModemLines ModemLinesFromTiocm(int lines)
{
    ModemLines result;
    result.cts = (lines & TIOCM_CTS) != 0;
    result.dsr = (lines & TIOCM_DSR) != 0;
    result.ring = (lines & TIOCM_RI) != 0;
    result.carrier = (lines & TIOCM_CD) != 0;
    return result;
}

} // namespace platform
