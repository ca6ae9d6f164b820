// Runs the built program as a child process, from an install tree of its own and with an
// empty home folder, so that it meets no other running copy and no earlier log folder.
#include "store/DatabaseConnection.h"
#include "store/ResultLogSchema.h"
#include "support/TestSupport.h"
#include "support/install/InstallTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include <csignal>

using namespace std::chrono_literals;

namespace {

const QString kBuild = QStringLiteral(KELO_BINARY_DIR);

class ProgramTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp_.isValid());
        ASSERT_TRUE(QDir(tmp_.path()).mkpath("home"));
        tree_.emplace(root());

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home());
        environment.remove("XDG_DATA_HOME");
        environment.insert("XDG_RUNTIME_DIR", home());
        environment.insert("TMPDIR", home());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        testsupport::AddChildSanitizerOptions(environment, tmp_.path());
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

    QString home() const { return tmp_.path() + "/home"; }
    QString root() const { return tmp_.path() + "/root"; }
    QString logFolder() const { return home() + "/.local/share/KELODATA"; }

    // Starts the program and waits until it has made its log folder.
    void startAndWaitForFolder()
    {
        ASSERT_FALSE(QFileInfo::exists(logFolder()));
        process_.start(root() + "/bin/KELO_HB_METER", {});
        ASSERT_TRUE(process_.waitForStarted(10000)) << process_.errorString().toStdString();
        ASSERT_TRUE(testsupport::WaitUntil([&] { return QFileInfo(logFolder()).isDir(); }, 20s));
        EXPECT_EQ(process_.state(), QProcess::Running);
    }

    void expectCleanEndAfter(int signal)
    {
        // A pid of 0 would signal this whole process group.
        ASSERT_EQ(process_.state(), QProcess::Running);
        ASSERT_GT(process_.processId(), 0);
        ASSERT_EQ(::kill(static_cast<pid_t>(process_.processId()), signal), 0);
        ASSERT_TRUE(process_.waitForFinished(20000));
        EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process_.exitCode(), 0);
    }

    QTemporaryDir tmp_;
    std::optional<testsupport::InstallTree> tree_;
    QProcess process_;
};

} // namespace

TEST_F(ProgramTest, FirstStartMakesTheLogFolderAndRunsUntilTerminated)
{
    startAndWaitForFolder();
    // Still running its message loop a while later, not merely slow to end.
    EXPECT_FALSE(process_.waitForFinished(500));
    EXPECT_EQ(process_.state(), QProcess::Running);
    expectCleanEndAfter(SIGTERM);
    // Nothing else was made in the home folder's data place.
    EXPECT_EQ(QDir(home() + "/.local/share").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"KELODATA"});
}

TEST_F(ProgramTest, InterruptEndsTheProgramCleanly)
{
    startAndWaitForFolder();
    expectCleanEndAfter(SIGINT);
}

// A session that ends while "Are you sure you want to clear data?" is open: nobody pressed Yes,
// so every stored result stays, and the program still ends promptly.
TEST_F(ProgramTest, TerminatedWhileTheClearQuestionIsOpenKeepsEveryResult)
{
    tree_.emplace(root(), testsupport::InstallTree::Options{kBuild + "/tests/program_press_clear", {}});
    const QString program = tree_->Program();
    const QString database = tree_->Database();
    const auto storedCount = [&] {
        store::DatabaseConnection connection;
        connection.Open(database, store::DatabasePassword());
        return connection.QueryText("SELECT count(*) FROM result_log");
    };
    {
        store::DatabaseConnection connection;
        connection.Open(database, store::DatabasePassword());
        for (int id = 1; id <= 3; ++id)
            connection.Execute(QString("INSERT INTO result_log (fRecID, fHB) VALUES ('%1', '14.2')").arg(id));
    }

    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program, {});
    ASSERT_TRUE(process_.waitForStarted(10000)) << process_.errorString().toStdString();
    ASSERT_TRUE(testsupport::WaitUntil(
        [&] {
            process_.waitForReadyRead(50);
            return process_.canReadLine() || process_.state() == QProcess::NotRunning;
        },
        60s));
    ASSERT_EQ(process_.readLine().trimmed(), QByteArray("question open"));

    expectCleanEndAfter(SIGTERM);
    EXPECT_EQ(storedCount(), "3");
}
