#include "comm/Tones.h"

#include "shell/Folders.h"
#include "shell/Log.h"

#include "support/AlsaDefaultPcm.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class PlayToneRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(logDir.isValid());
        AppDataPath = logDir.path() + u'/';
    }
    void TearDown() override { AppDataPath = saved; }

    QTemporaryDir logDir;
    QString saved = AppDataPath;
};

} // namespace

TEST_F(PlayToneRun, OnlyFrequenciesFrom37To32767AndDurationsFromZeroSound)
{
    struct Case { std::uint16_t frequency; std::int32_t duration; bool sounds; };
    for (const Case &c : {Case{20, 150, false}, Case{36, 150, false}, Case{37, 20, true}, Case{32767, 20, true},
                          Case{32768, 150, false}, Case{33000, 150, false}, Case{500, -1, false},
                          Case{500, INT32_MIN, false}}) {
        testsupport::AlsaDefaultPcm output;
        PlayTone(c.frequency, c.duration);
        const auto samples = output.recordedSamples();
        EXPECT_EQ(samples.has_value(), c.sounds) << c.frequency << " Hz, " << c.duration << " ms";
        EXPECT_EQ(samples.value_or(std::vector<std::int16_t>(960)).size(), 960u);
    }
    EXPECT_FALSE(QFile::exists(LogFilePath()));
}

// The note is made once per run: this is the only test of test_comm whose tones fail.
TEST_F(PlayToneRun, FailureIsLoggedOnceAndNeverShown)
{
    testsupport::ScriptedDialogs dialogs;
    testsupport::AlsaDefaultPcm output("{ type hw card 99 }");
    EXPECT_NO_THROW(PlayTone(500, 20));
    EXPECT_NO_THROW(PlayTone(800, 20));
    const QByteArray log = testsupport::ReadFileBytes(LogFilePath());
    EXPECT_EQ(log.count("\r\n"), 1) << log.toStdString();
    EXPECT_TRUE(log.contains(":Tone not played: No sound output: ")) << log.toStdString();
    EXPECT_TRUE(dialogs.boxes.empty() && dialogs.errors.empty());
}
