#include "support/AlsaDefaultPcm.h"

#include "support/TestSupport.h"

#include <QFile>

#include <cstring>
#include <stdexcept>

namespace testsupport {

AlsaDefaultPcm::AlsaDefaultPcm(const QByteArray &definition, bool keepEveryOpening)
{
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder for the ALSA configuration");
    // The file PCM starts its file anew at each opening; given "|command" it writes to the
    // command instead, which can append.
    const QByteArray file = keepEveryOpening ? "|cat >> '" + QFile::encodeName(recordingPath()) + "'"
                                             : QFile::encodeName(recordingPath());
    const QByteArray pcm = !definition.isEmpty() ? definition
        : "{ type file slave.pcm { type null } format raw file \"" + file + "\" }";
    // Without the system's alsa.conf: the plugin types used are built into the library, and
    // nothing of the machine's sound set-up gets in.
    const QString config = dir_.filePath(QStringLiteral("asound.conf"));
    WriteFileBytes(config, "pcm.!default " + pcm + '\n');
    if (qEnvironmentVariableIsSet("ALSA_CONFIG_PATH"))
        savedConfigPath_ = qgetenv("ALSA_CONFIG_PATH");
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(config));
}

AlsaDefaultPcm::~AlsaDefaultPcm()
{
    if (savedConfigPath_)
        qputenv("ALSA_CONFIG_PATH", *savedConfigPath_);
    else
        qunsetenv("ALSA_CONFIG_PATH");
}

std::optional<std::vector<std::int16_t>> AlsaDefaultPcm::recordedSamples() const
{
    if (!QFile::exists(recordingPath()))
        return std::nullopt;
    const QByteArray bytes = ReadFileBytes(recordingPath());
    std::vector<std::int16_t> samples(static_cast<std::size_t>(bytes.size()) / sizeof(std::int16_t));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(std::int16_t));
    return samples;
}

double MeasuredFrequency(const std::vector<std::int16_t> &samples, std::uint32_t rate)
{
    std::size_t first = 0, last = 0;
    int changes = 0, sign = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int s = (samples[i] > 0) - (samples[i] < 0);
        if (s == 0 || s == sign)
            continue;
        if (sign != 0 && changes++ == 0)
            first = i;
        last = i;
        sign = s;
    }
    return changes < 2 ? 0 : (changes - 1) / 2.0 * rate / static_cast<double>(last - first);
}

} // namespace testsupport
