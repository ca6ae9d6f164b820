#pragma once
// Tones on the system's sound output: a sine of a given frequency and length.

#include <QString>

#include <cstdint>
#include <vector>

namespace platform {

// The samples of a tone: signed 16-bit mono at sampleRate, durationMs long (rounded to whole
// samples), a sine of frequencyHz; the first and last few milliseconds fade in and out so the
// tone starts and ends without a click. No samples for a duration of 0 or less or a frequency
// of 0. Any thread.
std::vector<std::int16_t> ToneSamples(std::uint32_t frequencyHz, std::int32_t durationMs, std::uint32_t sampleRate);

// Plays a tone of frequencyHz for durationMs on the system's default sound output and returns
// when it has ended, about durationMs after the call. When there is no sound output or it
// fails, waits out the rest of the duration silently and returns false with the reason in
// failure; never longer than the duration and a short grace for the output to finish.
// The caller checks the frequency range. Any thread.
bool SoundTone(std::uint32_t frequencyHz, std::int32_t durationMs, QString *failure = nullptr);

} // namespace platform
