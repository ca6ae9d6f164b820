#pragma once
// The serial component's line settings (applied by the platform's serial device) and the
// translation of the driver's error and modem counters into the component's line-error and
// modem event bits.

#include "comm/SerialComm.h"
#include "platform/SerialDevice.h"

#include <cstdint>

using platform::LineCounters;
using platform::ModemLines;
using platform::TCommLineSettings;

// CE_* flags for the errors counted between the two readings; 0 when none.
std::uint32_t LineErrorFlags(const LineCounters &before, const LineCounters &after);
// Modem event bits between the two readings: 8 when the carrier changed, plus 4 for a ring.
std::uint32_t ModemEventBits(const LineCounters &before, const LineCounters &after);
// MS_* bits for the modem lines.
std::uint32_t ModemStatusFromLines(const ModemLines &lines);
