#include "comm/CommTimeouts.h"

#include <algorithm>

ReadWait DecideRead(const TCommTimeouts &timeouts, std::size_t requested, std::size_t received,
                    std::int64_t msSinceStart, std::int64_t msSinceLastByte)
{
    if (received >= requested)
        return {true, 0};

    const std::uint32_t interval = timeouts.ReadIntervalTimeout;
    const std::uint32_t multiplier = timeouts.ReadTotalTimeoutMultiplier;
    const std::uint32_t constant = timeouts.ReadTotalTimeoutConstant;

    if (interval == kMaxTimeout && multiplier == 0 && constant == 0)
        return {true, 0};

    std::int64_t total = -1; // no total timeout
    bool useInterval = interval != 0 && interval != kMaxTimeout;
    if (interval == kMaxTimeout && multiplier == kMaxTimeout && constant > 0 && constant < kMaxTimeout) {
        if (received > 0)
            return {true, 0};
        total = constant;
        useInterval = false;
    } else if (multiplier != 0 || constant != 0) {
        // 64 bits hold the largest product (2^32 * 2^16) without overflow.
        total = static_cast<std::int64_t>(multiplier) * static_cast<std::int64_t>(requested) + constant;
    }

    std::int64_t wait = -1;
    if (total >= 0) {
        const std::int64_t left = total - msSinceStart;
        if (left <= 0)
            return {true, 0};
        wait = left;
    }
    if (useInterval && received > 0) {
        const std::int64_t left = static_cast<std::int64_t>(interval) - msSinceLastByte;
        if (left <= 0)
            return {true, 0};
        wait = wait < 0 ? left : std::min(wait, left);
    }
    return {false, wait};
}
