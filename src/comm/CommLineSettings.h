#pragma once
// The serial component's line settings and how they land on a tty: termios flags, the modem
// control lines and, for rates that have no Bxxx constant, the kernel's arbitrary-rate
// interface. Also the translation of the driver's error and modem counters into the
// component's line-error and modem event bits.
//
// Some settings have no counterpart on a Linux tty; ApplyLineSettings leaves them out and
// says so where it builds the flags.

#include "comm/SerialComm.h"

#include <termios.h>

#include <cstdint>

struct TCommLineSettings
{
    std::uint32_t BaudRate = 9600;
    bool ParityCheck = false;
    bool Outx_CtsFlow = false;
    bool Outx_DsrFlow = false;
    TDtrControl DtrControl = TDtrControl::DtrDisable;
    bool DsrSensitivity = false;
    bool TxContinueOnXoff = false;
    bool Outx_XonXoffFlow = false;
    bool Inx_XonXoffFlow = false;
    bool ReplaceWhenParityError = false;
    bool IgnoreNullChar = false;
    TRtsControl RtsControl = TRtsControl::RtsDisable;
    std::uint16_t XonLimit = 500;
    std::uint16_t XoffLimit = 500;
    TByteSize ByteSize = TByteSize::_8;
    TParity Parity = TParity::None;
    TStopBits StopBits = TStopBits::_1;
    char XonChar = 17;
    char XoffChar = 19;
    char ReplacedChar = 0;
};

// The termios flags for the settings, starting from current (fields the settings do not
// cover keep their values). The speed is not touched here (see ApplyLineSettings).
termios LineSettingsToTermios(const termios &current, const TCommLineSettings &settings);

// Reads the port's termios, applies the settings, the speed and the DTR/RTS lines. Like the
// platform this stands in for, the answers of the driver are not checked: a pseudo-terminal
// has no modem lines and refuses those calls, which is fine.
void ApplyLineSettings(int fd, const TCommLineSettings &settings);

// Sets an arbitrary speed (input and output) through the kernel's termios2 interface. False
// when the driver refuses.
bool SetArbitraryBaudRate(int fd, std::uint32_t rate);
// The output speed in bits per second as the driver holds it (termios2), 0 when unknown.
std::uint32_t GetBaudRate(int fd);

// Counters of the driver's line events (TIOCGICOUNT), the part the component uses. They are
// read through TCommDevice::ReadLineCounters.
struct LineCounters
{
    std::uint32_t frame = 0;
    std::uint32_t overrun = 0;
    std::uint32_t parity = 0;
    std::uint32_t brk = 0;
    std::uint32_t bufOverrun = 0;
    std::uint32_t ring = 0;
    std::uint32_t carrier = 0;
};

// CE_* flags for the errors counted between the two readings; 0 when none.
std::uint32_t LineErrorFlags(const LineCounters &before, const LineCounters &after);
// Modem event bits between the two readings: 8 when the carrier changed, plus 4 for a ring.
std::uint32_t ModemEventBits(const LineCounters &before, const LineCounters &after);
// MS_* bits for the TIOCM_* line state.
std::uint32_t ModemStatusFromLines(int tiocmLines);
