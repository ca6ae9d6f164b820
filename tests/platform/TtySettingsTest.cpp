#include "platform/linux/TtySettings.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <array>

using namespace platform;

namespace {

termios Dirty()
{
    // A port left in cooked mode by a terminal program, with flow control and parity on.
    termios t{};
    t.c_iflag = ICRNL | IXON | IXANY | ISTRIP | INPCK | IGNPAR | BRKINT;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    t.c_cflag = CS7 | PARENB | CSTOPB | CRTSCTS | HUPCL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 5;
    t.c_cc[VEOF] = 4;
    return t;
}

} // namespace

TEST(LineSettingsToTermios, MeterSettingsGiveARaw8N1PortWithoutFlowControl)
{
    const termios t = LineSettingsToTermios(Dirty(), TCommLineSettings{});
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IXOFF | IXANY | ISTRIP | INPCK | IGNPAR | BRKINT), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    // What the settings do not cover keeps its value.
    EXPECT_NE(t.c_cflag & HUPCL, 0u);
    EXPECT_EQ(t.c_cc[VEOF], 4);
}

TEST(LineSettingsToTermios, ParityByteSizeAndStopBits)
{
    TCommLineSettings s;
    const struct
    {
        TParity parity;
        tcflag_t flags;
    } parities[] = {
        {TParity::None, 0},
        {TParity::Odd, PARENB | PARODD},
        {TParity::Even, PARENB},
        {TParity::Mark, PARENB | PARODD | CMSPAR},
        {TParity::Space, PARENB | CMSPAR},
    };
    for (const auto &p : parities) {
        s.Parity = p.parity;
        const termios t = LineSettingsToTermios(Dirty(), s);
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), p.flags) << static_cast<int>(p.parity);
    }

    const struct
    {
        TByteSize size;
        tcflag_t flag;
    } sizes[] = {{TByteSize::_5, CS5}, {TByteSize::_6, CS6}, {TByteSize::_7, CS7}, {TByteSize::_8, CS8}};
    for (const auto &b : sizes) {
        s.ByteSize = b.size;
        EXPECT_EQ(LineSettingsToTermios(Dirty(), s).c_cflag & CSIZE, b.flag);
    }

    s.StopBits = TStopBits::_1;
    EXPECT_EQ(LineSettingsToTermios(Dirty(), s).c_cflag & CSTOPB, 0u);
    s.StopBits = TStopBits::_1_5;
    EXPECT_NE(LineSettingsToTermios(Dirty(), s).c_cflag & CSTOPB, 0u);
    s.StopBits = TStopBits::_2;
    EXPECT_NE(LineSettingsToTermios(termios{}, s).c_cflag & CSTOPB, 0u);
}

TEST(LineSettingsToTermios, FlowControlAndCharacters)
{
    TCommLineSettings s;
    s.Outx_CtsFlow = true;
    EXPECT_NE(LineSettingsToTermios(termios{}, s).c_cflag & CRTSCTS, 0u);
    s.Outx_CtsFlow = false;
    s.RtsControl = TRtsControl::RtsHandshake;
    EXPECT_NE(LineSettingsToTermios(termios{}, s).c_cflag & CRTSCTS, 0u);
    s.RtsControl = TRtsControl::RtsEnable;
    EXPECT_EQ(LineSettingsToTermios(Dirty(), s).c_cflag & CRTSCTS, 0u);

    s.Outx_XonXoffFlow = true;
    termios t = LineSettingsToTermios(termios{}, s);
    EXPECT_NE(t.c_iflag & IXON, 0u);
    EXPECT_EQ(t.c_iflag & IXOFF, 0u);
    s.Outx_XonXoffFlow = false;
    s.Inx_XonXoffFlow = true;
    s.XonChar = 'A';
    s.XoffChar = 'B';
    t = LineSettingsToTermios(termios{}, s);
    EXPECT_EQ(t.c_iflag & IXON, 0u);
    EXPECT_NE(t.c_iflag & IXOFF, 0u);
    EXPECT_EQ(t.c_cc[VSTART], 'A');
    EXPECT_EQ(t.c_cc[VSTOP], 'B');
}

TEST(LineSettingsToTermios, ParityCheckingOnlyWithReplacement)
{
    TCommLineSettings s;
    s.ParityCheck = true;
    EXPECT_EQ(LineSettingsToTermios(Dirty(), s).c_iflag & (INPCK | IGNPAR | PARMRK), 0u);
    s.ReplaceWhenParityError = true;
    const termios t = LineSettingsToTermios(Dirty(), s);
    EXPECT_NE(t.c_iflag & INPCK, 0u);
    EXPECT_EQ(t.c_iflag & (IGNPAR | PARMRK), 0u); // errored bytes are read as NUL, not dropped
    s.ParityCheck = false;
    EXPECT_EQ(LineSettingsToTermios(Dirty(), s).c_iflag & INPCK, 0u);
}

TEST(ModemLinesFromTiocm, InputLinesOnly)
{
    const auto bits = [](const ModemLines &l) { return std::array{l.cts, l.dsr, l.ring, l.carrier}; };
    using Bits = std::array<bool, 4>;
    EXPECT_EQ(bits(ModemLinesFromTiocm(0)), (Bits{false, false, false, false}));
    EXPECT_EQ(bits(ModemLinesFromTiocm(TIOCM_CTS)), (Bits{true, false, false, false}));
    EXPECT_EQ(bits(ModemLinesFromTiocm(TIOCM_DSR | TIOCM_RI)), (Bits{false, true, true, false}));
    EXPECT_EQ(bits(ModemLinesFromTiocm(TIOCM_CD | TIOCM_DTR | TIOCM_RTS)), (Bits{false, false, false, true}));
}
