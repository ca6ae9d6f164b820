// Tones through ALSA's "default" PCM. The PCM is opened non-blocking and every wait on it has
// a deadline, so a busy, missing or stalled output costs at most the tone's time plus a grace.

#include "platform/Tone.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned preferredRate = 48000;
constexpr unsigned bufferMicroseconds = 100000;
// How long past the tone's end the output may take to play out what it holds.
constexpr auto grace = std::chrono::milliseconds(150);

void ignoreAlsaMessage(const char *, int, const char *, int, const char *, ...) {}

// ALSA prints its own errors on standard error; this program reports them through SoundTone.
void silenceAlsaMessages()
{
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(ignoreAlsaMessage); });
}

struct PcmCloser
{
    void operator()(snd_pcm_t *pcm) const { snd_pcm_close(pcm); }
};
using Pcm = std::unique_ptr<snd_pcm_t, PcmCloser>;

QString reason(const char *what, int error)
{
    return QStringLiteral("%1: %2").arg(QLatin1StringView(what), QString::fromLocal8Bit(snd_strerror(error)));
}

QString stalled()
{
    return QStringLiteral("The sound output did not play the tone in time");
}

int millisecondsUntil(Clock::time_point moment, int most)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(moment - Clock::now()).count();
    return static_cast<int>(std::clamp<decltype(left)>(left, 0, most));
}

// 16-bit mono interleaved at the rate nearest to preferredRate; rate receives the rate set.
int setUp(snd_pcm_t *pcm, unsigned &rate)
{
    snd_pcm_hw_params_t *params = nullptr;
    snd_pcm_hw_params_alloca(&params);
    unsigned buffer = bufferMicroseconds;
    rate = preferredRate;
    int error = snd_pcm_hw_params_any(pcm, params);
    if (error >= 0)
        error = snd_pcm_hw_params_set_access(pcm, params, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (error >= 0)
        error = snd_pcm_hw_params_set_format(pcm, params, SND_PCM_FORMAT_S16);
    if (error >= 0)
        error = snd_pcm_hw_params_set_channels(pcm, params, 1);
    if (error >= 0)
        error = snd_pcm_hw_params_set_rate_near(pcm, params, &rate, nullptr);
    if (error >= 0)
        error = snd_pcm_hw_params_set_buffer_time_near(pcm, params, &buffer, nullptr);
    if (error >= 0)
        error = snd_pcm_hw_params(pcm, params);
    return error;
}

// Plays the tone to its end or until the deadline; the reason when it could not.
std::optional<QString> play(std::uint32_t frequencyHz, std::int32_t durationMs, Clock::time_point deadline)
{
    snd_pcm_t *opened = nullptr;
    int error = snd_pcm_open(&opened, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (error < 0)
        return reason("No sound output", error);
    const Pcm pcm(opened);
    unsigned rate = 0;
    if ((error = setUp(pcm.get(), rate)) < 0)
        return reason("The sound output does not take 16-bit mono samples", error);

    ToneGenerator tone(frequencyHz, durationMs, rate);
    std::array<std::int16_t, 1024> piece{};
    std::size_t filled = 0;
    std::size_t written = 0;
    for (;;) {
        if (written == filled) {
            filled = tone.next(piece);
            written = 0;
            if (filled == 0)
                break;
        }
        if (Clock::now() >= deadline) {
            snd_pcm_drop(pcm.get());
            return stalled();
        }
        const snd_pcm_sframes_t frames = snd_pcm_writei(pcm.get(), piece.data() + written, filled - written);
        if (frames == -EAGAIN)
            snd_pcm_wait(pcm.get(), millisecondsUntil(deadline, 20));
        else if (frames < 0 && (error = snd_pcm_recover(pcm.get(), static_cast<int>(frames), 1)) < 0)
            return reason("The sound output failed", error);
        else if (frames > 0)
            written += static_cast<std::size_t>(frames);
    }

    // Non-blocking, the drain only starts; the state leaves DRAINING once the output has
    // played everything.
    error = snd_pcm_drain(pcm.get());
    if (error < 0 && error != -EAGAIN)
        return reason("The sound output failed", error);
    while (snd_pcm_state(pcm.get()) == SND_PCM_STATE_DRAINING) {
        if (Clock::now() >= deadline) {
            snd_pcm_drop(pcm.get());
            return stalled();
        }
        // Plugins that play through poll() move on only while the PCM is waited on; the short
        // sleep keeps a wait that returns at once from spinning.
        if (snd_pcm_wait(pcm.get(), millisecondsUntil(deadline, 10)) != 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return std::nullopt;
}

} // namespace

bool SoundTone(std::uint32_t frequencyHz, std::int32_t durationMs, QString *failure)
{
    if (durationMs <= 0)
        return true;
    const auto end = Clock::now() + std::chrono::milliseconds(durationMs);
    silenceAlsaMessages();
    const std::optional<QString> problem = play(frequencyHz, durationMs, end + grace);
    // An output that takes the samples faster than it plays them (or none at all) still makes
    // the caller wait for the tone's length.
    std::this_thread::sleep_until(end);
    if (problem && failure)
        *failure = *problem;
    return !problem;
}

} // namespace platform
