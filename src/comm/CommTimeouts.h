#pragma once
// Read and write timeouts of the serial component, and the rule that decides when a pending
// read is complete.
//
// A read asks for a number of bytes and completes when that many have come, or:
// - ReadIntervalTimeout (ms, 0 = unused): more than this has passed since the last byte, once
//   at least one byte has come;
// - total timeout = ReadTotalTimeoutMultiplier * requested + ReadTotalTimeoutConstant (both 0 =
//   unused): this much has passed since the read started; it may then complete with 0 bytes;
// - ReadIntervalTimeout = 0xFFFFFFFF with both total values 0: at once, with whatever bytes
//   have already come (possibly none);
// - ReadIntervalTimeout = ReadTotalTimeoutMultiplier = 0xFFFFFFFF and a constant between 1 and
//   0xFFFFFFFE: as soon as any byte is there, or after the constant with 0 bytes.
// With the component's initial values (100, 0, 0) a read waits without limit for its first
// byte and then completes after 100 ms without a byte.

#include <cstddef>
#include <cstdint>

struct TCommTimeouts
{
    std::uint32_t ReadIntervalTimeout = 100;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

inline constexpr std::uint32_t kMaxTimeout = 0xFFFFFFFFu;

struct ReadWait
{
    bool complete;       // the read is complete now
    std::int64_t waitMs; // otherwise: how long to wait for more bytes before asking again; -1 = no limit
};

// Decides about one pending read: requested and received byte counts, milliseconds since the
// read started and since its last byte arrived (only meaningful when received > 0).
ReadWait DecideRead(const TCommTimeouts &timeouts, std::size_t requested, std::size_t received,
                    std::int64_t msSinceStart, std::int64_t msSinceLastByte);
