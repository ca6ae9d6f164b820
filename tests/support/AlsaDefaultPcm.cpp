#include "support/AlsaDefaultPcm.h"

#include "support/TestSupport.h"

#include <QFile>

#include <cstring>
#include <stdexcept>

namespace testsupport {

AlsaDefaultPcm::AlsaDefaultPcm(const QByteArray &definition)
{
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder for the ALSA configuration");
    const QByteArray pcm = !definition.isEmpty() ? definition
        : "{ type file slave.pcm { type null } format raw file \"" + QFile::encodeName(recordingPath()) + "\" }";
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

} // namespace testsupport
