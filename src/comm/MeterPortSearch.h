#pragma once
// Finding the meter's cable in the serial-port map (platform/SerialPortMap.h): the cable is a
// USB-to-serial bridge whose lines carry "Silabser" in the device name.

#include <QStringList>

#include <vector>

// The port numbers of the bridge lines of portList, first to last. A line counts when it
// contains "Silabser" (case-sensitive) and the text after its first "##" holds "COM" followed,
// after the first "COM", by nothing but a decimal integer; other lines are skipped. With
// several bridges every number is listed: the caller applies each in turn, so the last wins.
std::vector<int> MeterPortNumbers(const QStringList &portList);
