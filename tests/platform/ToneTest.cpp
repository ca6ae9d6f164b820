#include "platform/Tone.h"

#include "support/AlsaDefaultPcm.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

using platform::SoundTone;
using platform::ToneSamples;
using Samples = std::vector<std::int16_t>;

namespace {

int peak(Samples::const_iterator from, Samples::const_iterator to)
{
    int most = 0;
    for (; from != to; ++from)
        most = std::max(most, std::abs(int{*from}));
    return most;
}

} // namespace

TEST(ToneSamples, SineOfTheFrequencyAtTheRate)
{
    for (const std::uint32_t rate : {48000u, 44100u})
        for (const std::uint32_t frequency : {500u, 800u, 1000u})
            EXPECT_NEAR(testsupport::MeasuredFrequency(ToneSamples(frequency, 150, rate), rate), frequency, frequency * 0.005)
                << frequency << " Hz at " << rate;
}

TEST(ToneSamples, LengthIsTheDurationInWholeSamples)
{
    struct Case { std::int32_t durationMs; std::uint32_t rate; std::size_t count; };
    for (const Case &c : {Case{150, 48000, 7200}, Case{150, 44100, 6615}, Case{7, 44100, 309}, Case{1, 8000, 8},
                          Case{0, 48000, 0}, Case{-1, 48000, 0}})
        EXPECT_EQ(ToneSamples(800, c.durationMs, c.rate).size(), c.count) << c.durationMs << " ms at " << c.rate;
    EXPECT_TRUE(ToneSamples(0, 150, 48000).empty());
    // Above half the rate the sine cannot be sampled: silence of the same length.
    const Samples unsampled = ToneSamples(32767, 150, 48000);
    EXPECT_EQ(unsampled.size(), 7200u);
    EXPECT_EQ(peak(unsampled.begin(), unsampled.end()), 0);
}

TEST(ToneSamples, ModerateLevelFadingInAndOut)
{
    const Samples tone = ToneSamples(1000, 150, 48000);
    ASSERT_EQ(tone.size(), 7200u);
    const int middle = peak(tone.begin() + 2400, tone.begin() + 4800);
    EXPECT_GT(middle, 32767 / 5);
    EXPECT_LT(middle, 32767 / 2);
    EXPECT_LT(peak(tone.begin(), tone.begin() + 48), middle / 3);
    EXPECT_LT(peak(tone.end() - 48, tone.end()), middle / 3);
    EXPECT_EQ(tone.front(), 0);
    EXPECT_EQ(tone.back(), 0);
}

TEST(ToneGenerator, PiecesJoinIntoTheWholeTone)
{
    // Odd piece sizes put the joins at every phase of the wave and inside both fades.
    for (const std::size_t size : {1u, 97u, 1000u}) {
        platform::ToneGenerator tone(523, 100, 44100);
        Samples joined, piece(size);
        while (const std::size_t n = tone.next(piece))
            joined.insert(joined.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(joined, ToneSamples(523, 100, 44100)) << "pieces of " << size;
    }
}

TEST(SoundTone, PlaysTheToneThroughTheDefaultPcm)
{
    testsupport::AlsaDefaultPcm output;
    QString failure;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(SoundTone(800, 150, &failure)) << failure.toStdString();
    // The null PCM takes the samples at once; the call still lasts as long as the tone.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(145));
    const auto samples = output.recordedSamples();
    ASSERT_TRUE(samples.has_value()) << "nothing reached the PCM";
    EXPECT_EQ(samples->size(), 7200u);
    EXPECT_NEAR(testsupport::MeasuredFrequency(*samples, 48000), 800, 4);
}

TEST(SoundTone, WithoutSoundOutputFailsQuietlyAfterTheDuration)
{
    for (const QByteArray definition : {"{ type hw card 99 }", "\"nothing_here\""}) {
        SCOPED_TRACE(definition.toStdString());
        testsupport::AlsaDefaultPcm output(definition);
        QString failure;
        testing::internal::CaptureStderr();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(SoundTone(800, 150, &failure));
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(145));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "ALSA's own messages reached the terminal";
        EXPECT_TRUE(failure.startsWith(QStringLiteral("No sound output: ")) && failure.size() > 17)
            << failure.toStdString();
    }
}
