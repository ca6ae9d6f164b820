#pragma once
// ALSA's "default" PCM pointed, for one test, at a PCM the test describes. The tests have no
// sound card: a file PCM over the null PCM is a real ALSA output that keeps what it plays.
// ALSA reads its configuration again at the next open once ALSA_CONFIG_PATH has changed; the
// variable is restored on destruction.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <optional>
#include <vector>

namespace testsupport {

class AlsaDefaultPcm
{
public:
    // definition in ALSA's configuration language (e.g. "{ type hw card 99 }"); empty: a file
    // PCM that records the raw samples into recordingPath(), each opening of the PCM anew, or
    // with keepEveryOpening every opening's samples after the ones before.
    explicit AlsaDefaultPcm(const QByteArray &definition = {}, bool keepEveryOpening = false);
    ~AlsaDefaultPcm();
    AlsaDefaultPcm(const AlsaDefaultPcm &) = delete;
    AlsaDefaultPcm &operator=(const AlsaDefaultPcm &) = delete;

    QString recordingPath() const { return dir_.filePath(QStringLiteral("recording.raw")); }
    // The recorded samples (16-bit, host order); nothing when the PCM made no file.
    std::optional<std::vector<std::int16_t>> recordedSamples() const;

private:
    QTemporaryDir dir_;
    std::optional<QByteArray> savedConfigPath_;
};

// The frequency of a wave from its sign changes, between the first and the last of them; 0
// when it has fewer than two.
double MeasuredFrequency(const std::vector<std::int16_t> &samples, std::uint32_t rate);

} // namespace testsupport
