#pragma once
// COM port name -> device file. The program knows its ports by Windows-style names ("COM5");
// this is where such a name becomes a file to open.

#include <QString>

// "COMn" (any letter case) resolves to <portsFolder>/COMn when that entry exists (a link to a
// serial device or a pseudo-terminal; a link whose target is gone, or an entry this user may
// not look at, still counts, so that opening it reports what is wrong), otherwise to /dev/ttyUSB<n-1> for COM1-COM64,
// /dev/ttyACM<n-65> for COM65-COM128 and /dev/ttyS<n-129> for COM129-COM160.
// An absolute path is taken as it is; any other name is looked for in /dev. An empty
// portsFolder skips the link look-up. Any thread.
QString ResolveCommDevice(const QString &commName, const QString &portsFolder);
