#pragma once
// The program's tones: the rising and falling signals played when a device is plugged in or
// removed are made of them.

#include <cstdint>

// Sounds a tone of Frequency Hz for Duration ms on the system's sound output and returns when
// the tone has ended, about Duration ms after the call; without a working sound output the
// time passes silently. A Frequency below 37 Hz or above 32767 Hz, or a negative Duration,
// returns at once without sound. The first failure of the sound output in a run is noted once
// in the diagnostic log; nothing is shown and nothing is thrown. GUI thread (it writes the log).
void PlayTone(std::uint16_t Frequency, std::int32_t Duration);
