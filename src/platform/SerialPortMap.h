#pragma once
// The system's map of the serial ports that are present now, one line per port in the form
// "device name##COMn": the device name says which driver serves the port, COMn is the name the
// program opens it by (ResolveCommDevice in SerialDevice.h turns it back into a device).
//
// Lines, in this order:
// - the system's serial devices that have real hardware behind them, in the order of their
//   kernel names (ttyS placeholders without a UART are left out, and so are devices that no
//   COM number reaches): "\Device\Silabser<i>" for a USB-to-serial bridge served by the
//   cp210x driver (the meter's cable), "\Device\Serial<i>" for a built-in UART,
//   "\Device\<driver><i>" for any other driver; COMn by the numbering rule (ttyUSBk =
//   COM(k+1), ttyACMk = COM(k+65), ttySk = COM(k+129));
// - then the links in the ports folder in name order, COMn being the link's own name as it is
//   written (any letter case): a link to a serial device gets that device's kind of name, a
//   link to a pseudo-terminal (/dev/pts/<n>) "\Device\VirtualSerial<i>"; a link whose device
//   is not present is left out. The device is the one the link's last name component names
//   (/dev/ttyUSB0, or ../../ttyUSB0 of a /dev/serial/by-id link); the link is not followed.
// <i> counts the lines of each kind from 0, through the devices and on into the links.

#include <QString>
#include <QStringList>

namespace platform {

// Fills List with the present serial ports (see above); portsFolder empty: no links. When the
// system's device list cannot be read, List stays as it was and the result is false.
// Any thread.
bool EnumSerialPorts(QStringList &List, const QString &portsFolder);

} // namespace platform
