#include "platform/Tone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform {

namespace {

// Loud enough to hear, far from clipping, and not startling at full system volume.
constexpr double amplitude = 0.3 * 32767;
constexpr std::int64_t fadeMs = 5;

} // namespace

ToneGenerator::ToneGenerator(std::uint32_t frequencyHz, std::int32_t durationMs, std::uint32_t sampleRate)
    : frequency_(frequencyHz)
    , rate_(sampleRate)
    , count_(durationMs > 0 && frequencyHz > 0 ? (std::int64_t{durationMs} * sampleRate + 500) / 1000 : 0)
    , fade_(std::min<std::int64_t>(std::int64_t{sampleRate} * fadeMs / 1000, count_ / 2))
{
    if (2 * frequency_ >= rate_)
        frequency_ = 0;
}

std::size_t ToneGenerator::next(std::span<std::int16_t> out)
{
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(out.size()), count_ - position_));
    for (std::size_t k = 0; k < n; ++k, ++position_) {
        // Whole cycles are dropped in integers, so a long tone keeps its pitch exactly.
        const std::uint64_t cycleFraction = frequency_ * (static_cast<std::uint64_t>(position_) % rate_) % rate_;
        const double phase = static_cast<double>(cycleFraction) / static_cast<double>(rate_);
        const std::int64_t edge = std::min(position_, count_ - 1 - position_);
        const double envelope = edge < fade_ ? static_cast<double>(edge) / static_cast<double>(fade_) : 1.0;
        out[k] = static_cast<std::int16_t>(std::lround(amplitude * envelope * std::sin(2 * std::numbers::pi * phase)));
    }
    return n;
}

std::vector<std::int16_t> ToneSamples(std::uint32_t frequencyHz, std::int32_t durationMs, std::uint32_t sampleRate)
{
    ToneGenerator tone(frequencyHz, durationMs, sampleRate);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(tone.sampleCount()));
    tone.next(samples);
    return samples;
}

} // namespace platform
