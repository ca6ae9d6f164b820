#include "comm/Tones.h"

#include "shell/Log.h"
#include "platform/Exception.h"
#include "platform/Tone.h"

#include <QString>

void PlayTone(std::uint16_t Frequency, std::int32_t Duration)
{
    if (Frequency < 37 || Frequency > 32767 || Duration < 0)
        return;
    QString failure;
    if (platform::SoundTone(Frequency, Duration, &failure))
        return;
    // A machine without sound fails every tone the same way: one line in the log says why.
    static bool noted = false;
    if (noted)
        return;
    noted = true;
    try {
        WriteLog(QStringLiteral("Tone not played: ") + failure);
    } catch (const platform::Exception &) {
        // A log that cannot be written is no reason to disturb the user over a tone.
    }
}
