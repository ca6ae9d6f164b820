#include "comm/CommLineSettings.h"

std::uint32_t LineErrorFlags(const LineCounters &before, const LineCounters &after)
{
    std::uint32_t flags = 0;
    if (after.bufOverrun != before.bufOverrun)
        flags |= CE_RXOVER;
    if (after.overrun != before.overrun)
        flags |= CE_OVERRUN;
    if (after.parity != before.parity)
        flags |= CE_RXPARITY;
    if (after.frame != before.frame)
        flags |= CE_FRAME;
    if (after.brk != before.brk)
        flags |= CE_BREAK;
    return flags;
}

std::uint32_t ModemEventBits(const LineCounters &before, const LineCounters &after)
{
    std::uint32_t bits = 0;
    if (after.carrier != before.carrier)
        bits |= 8;
    if (after.ring != before.ring)
        bits |= 4;
    return bits;
}

std::uint32_t ModemStatusFromLines(const ModemLines &lines)
{
    std::uint32_t status = 0;
    if (lines.cts)
        status |= MS_CTS_ON;
    if (lines.dsr)
        status |= MS_DSR_ON;
    if (lines.ring)
        status |= MS_RING_ON;
    if (lines.carrier)
        status |= MS_RLSD_ON;
    return status;
}
