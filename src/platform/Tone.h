#pragma once
// Tones on the system's sound output: a sine of a given frequency and length.

#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform {

// The samples of a tone, produced piece by piece so that a long tone needs no buffer of its
// whole length: signed 16-bit mono at sampleRate, durationMs long (rounded to whole samples),
// a sine of frequencyHz at about 30% of full scale. The first and last 5 ms fade in and out so
// the tone starts and ends without a click; the fade only scales the wave, so its zero
// crossings stay where the sine has them. No samples for a duration of 0 or less, a frequency
// of 0 or a rate of 0. A frequency at or above half the rate cannot be sampled: it gives
// silence of the tone's length rather than a false lower tone. Used by one thread at a time.
class ToneGenerator
{
public:
    ToneGenerator(std::uint32_t frequencyHz, std::int32_t durationMs, std::uint32_t sampleRate);

    std::int64_t sampleCount() const { return count_; }

    // Writes the next samples of the tone into out, as many as fit; returns how many were
    // written, 0 once the tone is complete.
    std::size_t next(std::span<std::int16_t> out);

private:
    std::uint64_t frequency_;
    std::uint64_t rate_;
    std::int64_t count_;
    std::int64_t fade_;
    std::int64_t position_ = 0;
};

// The whole tone at once: ToneGenerator's samples in one vector. Any thread.
std::vector<std::int16_t> ToneSamples(std::uint32_t frequencyHz, std::int32_t durationMs, std::uint32_t sampleRate);

// Plays a tone of frequencyHz for durationMs on the system's default sound output and returns
// when it has ended, about durationMs after the call. When there is no sound output or it
// fails, waits out the rest of the duration silently and returns false with the reason in
// failure; never longer than the duration and a short grace (150 ms) for the output to finish,
// also when the output stalls. A duration of 0 or less returns true at once. The caller checks
// the frequency range. Any thread.
bool SoundTone(std::uint32_t frequencyHz, std::int32_t durationMs, QString *failure = nullptr);

} // namespace platform
