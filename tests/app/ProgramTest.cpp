// Runs the built program as a child process with an empty home folder.
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>

#include <csignal>

using namespace std::chrono_literals;

namespace {

class ProgramTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home_.isValid());
        ASSERT_TRUE(QFileInfo(programPath()).isExecutable()) << programPath().toStdString();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home_.path());
        environment.remove("XDG_DATA_HOME");
        environment.insert("XDG_RUNTIME_DIR", home_.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
    }
    void TearDown() override
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    static QString programPath() { return QStringLiteral(KELO_BINARY_DIR) + "/bin/KELO_HB_METER"; }
    QString logFolder() const { return home_.path() + "/.local/share/KELODATA"; }

    // Starts the program and waits until it has made its log folder.
    void startAndWaitForFolder()
    {
        process_.start(programPath(), {});
        ASSERT_TRUE(process_.waitForStarted(10000)) << process_.errorString().toStdString();
        ASSERT_TRUE(testsupport::WaitUntil([&] { return QFileInfo(logFolder()).isDir(); }, 20s));
        EXPECT_EQ(process_.state(), QProcess::Running);
    }

    void expectCleanEndAfter(int signal)
    {
        ASSERT_EQ(::kill(static_cast<pid_t>(process_.processId()), signal), 0);
        ASSERT_TRUE(process_.waitForFinished(20000));
        EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process_.exitCode(), 0);
    }

    QTemporaryDir home_;
    QProcess process_;
};

} // namespace

TEST_F(ProgramTest, FirstStartMakesTheLogFolderAndRunsUntilTerminated)
{
    startAndWaitForFolder();
    // Still running its message loop a while later, not merely slow to end.
    EXPECT_FALSE(process_.waitForFinished(300));
    expectCleanEndAfter(SIGTERM);
}

TEST_F(ProgramTest, InterruptEndsTheProgramCleanly)
{
    startAndWaitForFolder();
    expectCleanEndAfter(SIGINT);
}
