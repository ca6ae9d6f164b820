// The real program killed with SIGKILL at random moments while it downloads from the meter
// simulator, and started again each time (see support/killloop/KillLoop.h for what is checked
// after each kill). The long run is bench/kill_soak.
#include "support/killloop/KillLoop.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(KillLoop, EveryKillLeavesAWholeDatabaseAndTheNextStartComesUp)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    testsupport::KillLoopOptions options;
    options.folder = folder.path();
    options.program = QStringLiteral(KELO_BINARY_DIR "/tests/program_press_start");
    options.meterSim = QStringLiteral(KELO_METER_SIM);
    options.kills = 30;
    options.records = 20;
    options.byteMicroseconds = 300;
    options.seed = 20;
    const testsupport::KillLoopReport report = testsupport::RunKillLoop(options);
    EXPECT_TRUE(report.failures.isEmpty()) << report.Summary().toStdString();
    EXPECT_EQ(report.kills, 30);
    // The loop is only worth its time when kills land in the middle of transfers.
    EXPECT_GT(report.stored.count(QStringLiteral("some")), 0u) << report.Summary().toStdString();
}

} // namespace
