#pragma once
// How the serial component's line settings land on a Linux tty: termios flags, the modem
// control lines and, for rates that have no Bxxx constant, the kernel's arbitrary-rate
// interface. Also the reading of the modem lines.
//
// Some settings have no counterpart on a Linux tty; ApplyTtyLineSettings leaves them out and
// says so where it builds the flags.

#include "platform/SerialDevice.h"

#include <termios.h>

#include <cstdint>

namespace platform {

// The termios flags for the settings, starting from current (fields the settings do not
// cover keep their values). The speed is not touched here (see ApplyTtyLineSettings).
termios LineSettingsToTermios(const termios &current, const TCommLineSettings &settings);

// Reads the port's termios, applies the settings, the speed and the DTR/RTS lines. The
// driver's answers are not checked (see SerialDevice::ApplyLineSettings).
void ApplyTtyLineSettings(int fd, const TCommLineSettings &settings);

// Sets an arbitrary speed (input and output) through the kernel's termios2 interface. False
// when the driver refuses.
bool SetArbitraryBaudRate(int fd, std::uint32_t rate);
// The output speed in bits per second as the driver holds it (termios2), 0 when unknown.
std::uint32_t GetBaudRate(int fd);

// The modem input lines in a TIOCM_* line state.
ModemLines ModemLinesFromTiocm(int tiocmLines);

} // namespace platform
