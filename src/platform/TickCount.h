#pragma once
// The 32-bit millisecond tick: milliseconds from the monotonic clock, wrapping at 2^32 like
// the tick the program's intervals were designed around. Code that measures intervals takes a
// TickSource so that tests can start the tick just below the wrap.

#include <cstdint>
#include <functional>

namespace platform {

using TickSource = std::function<std::uint32_t()>;

// Milliseconds since an arbitrary start, modulo 2^32. Any thread.
std::uint32_t GetTickCount();

// The default source (GetTickCount).
TickSource systemTickSource();

// Elapsed milliseconds from start to now, correct across one wrap of the counter.
inline std::uint32_t TicksBetween(std::uint32_t start, std::uint32_t now) { return now - start; }

} // namespace platform
