#include "store/DatabaseError.h"
#include "store/DatabaseLockFile.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using store::DatabaseLockFile;

namespace {

class LockFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("HB_data1.ldb"));
    }
    QTemporaryDir dir;
    QString path;
};

// A child process that holds the lock file until it is told to go or killed.
struct Holder
{
    pid_t pid = -1;
    int release = -1;
};

Holder StartHolder(const QString &path)
{
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        try {
            DatabaseLockFile lock;
            lock.Acquire(path);
            const char go = 'r';
            (void)!::write(ready[1], &go, 1);
            char byte = 0;
            (void)!::read(release[0], &byte, 1);   // returns when the parent closes its end
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);   // the lock's destructor has released and deleted the file
    }
    ::close(ready[1]);
    ::close(release[0]);
    char byte = 0;
    const bool started = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (!started)
        return {};
    return Holder{pid, release[1]};
}

int Wait(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

} // namespace

TEST(LockFilePath, SitsBesideTheDatabaseWithTheLdbExtension)
{
    EXPECT_EQ(store::LockFilePathFor(QStringLiteral("/opt/kelo/KELODATA/data/HB_data1.dat")),
              QStringLiteral("/opt/kelo/KELODATA/data/HB_data1.ldb"));
}

TEST_F(LockFileTest, HeldFileResistsDeletionAndIsGoneAfterRelease)
{
    DatabaseLockFile lock;
    lock.Acquire(path);
    EXPECT_TRUE(lock.IsHeld());
    EXPECT_FALSE(lock.SharedWithOthers());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(store::TryDeleteLockFile(path));
    EXPECT_TRUE(store::IsLockFileHeld(path));

    lock.Release();
    EXPECT_FALSE(lock.IsHeld());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(store::IsLockFileHeld(path));
    EXPECT_FALSE(store::TryDeleteLockFile(path));   // nothing there
}

TEST_F(LockFileTest, FileLeftByAKilledProcessIsDeletableOneHeldByALiveProcessIsNot)
{
    Holder live = StartHolder(path);
    ASSERT_GT(live.pid, 0);
    EXPECT_TRUE(store::IsLockFileHeld(path));
    EXPECT_TRUE(store::IsLockFileHeld(path));   // asking twice changes nothing

    // A second holder (another copy that opened the database anyway) may share it.
    {
        DatabaseLockFile second;
        second.Acquire(path);
        EXPECT_TRUE(second.IsHeld());
        EXPECT_TRUE(second.SharedWithOthers());
    }
    EXPECT_TRUE(QFileInfo::exists(path));   // the other holder keeps it

    ::kill(live.pid, SIGKILL);
    EXPECT_TRUE(WIFSIGNALED(Wait(live.pid)));
    ::close(live.release);
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(store::IsLockFileHeld(path));
    EXPECT_FALSE(QFileInfo::exists(path));

    // A stale file is reused by the next holder, which removes it when it ends normally.
    {
        DatabaseLockFile alone;
        alone.Acquire(path);
        EXPECT_FALSE(alone.SharedWithOthers());
    }
    Holder next = StartHolder(path);
    ASSERT_GT(next.pid, 0);
    EXPECT_TRUE(store::IsLockFileHeld(path));
    ::close(next.release);
    const int status = Wait(next.pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST_F(LockFileTest, FolderThatCannotHoldTheFileGivesAnError)
{
    DatabaseLockFile lock;
    EXPECT_THROW(lock.Acquire(dir.filePath(QStringLiteral("no/such/folder/HB_data1.ldb"))), store::DatabaseError);
    EXPECT_FALSE(lock.IsHeld());
}

// Two holders released at the same instant, as two copies started together: of each pair,
// exactly one finds itself alone, however their steps interleave.
TEST_F(LockFileTest, OfTwoHoldersArrivingTogetherExactlyOneIsAlone)
{
    for (int round = 0; round < 300; ++round) {
        int go[2];
        int answers[2];
        int done[2];
        ASSERT_EQ(::pipe(go), 0);
        ASSERT_EQ(::pipe(answers), 0);
        ASSERT_EQ(::pipe(done), 0);
        pid_t pids[2];
        for (pid_t &pid : pids) {
            pid = ::fork();
            if (pid == 0) {
                ::close(go[1]);
                ::close(done[1]);
                char byte = 0;
                (void)!::read(go[0], &byte, 1);   // the parent closing its end wakes both
                try {
                    DatabaseLockFile lock;
                    lock.Acquire(path);
                    const char answer = lock.SharedWithOthers() ? 's' : 'a';
                    (void)!::write(answers[1], &answer, 1);
                    (void)!::read(done[0], &byte, 1);   // hold until the round is over
                } catch (...) {
                    ::_exit(1);
                }
                ::_exit(0);
            }
        }
        ::close(go[0]);
        ::close(answers[1]);
        ::close(done[0]);
        ::close(go[1]);
        char got[2] = {0, 0};
        const bool answered = ::read(answers[0], &got[0], 1) == 1 && ::read(answers[0], &got[1], 1) == 1;
        ::close(done[1]);
        ::close(answers[0]);
        for (const pid_t pid : pids)
            EXPECT_EQ(Wait(pid), 0);
        ASSERT_TRUE(answered) << "round " << round;
        ASSERT_EQ((got[0] == 'a') + (got[1] == 'a'), 1) << "round " << round << ": " << got[0] << got[1];
        ASSERT_FALSE(QFileInfo::exists(path));
    }
}

// Users of a shared installation share the lock file: one member's file, made under a umask
// that keeps the group from writing, must neither lock the next member out nor stay behind.
TEST_F(LockFileTest, MembersOfTheDatabasesGroupShareAndReplaceEachOthersLockFiles)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as two other users needs root";
    constexpr unsigned kGroup = 54321;
    const QByteArray folder = QFile::encodeName(dir.path());
    const QString database = dir.filePath(QStringLiteral("HB_data1.dat"));
    testsupport::WriteFileBytes(database, "x");
    ASSERT_EQ(::chown(folder.constData(), 0, kGroup), 0);
    ASSERT_EQ(::chmod(folder.constData(), 02770), 0);
    ASSERT_EQ(::chown(QFile::encodeName(database).constData(), 0, kGroup), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(database).constData(), 0660), 0);
    // The lock file's permissions while the user holds it.
    const auto acquireAs = [&](unsigned user) {
        return testsupport::RunAsUser(user, user, {kGroup}, [&] {
            ::umask(022);
            try {
                DatabaseLockFile lock;
                lock.Acquire(path, database);
                struct stat status {};
                ::stat(QFile::encodeName(path).constData(), &status);
                return QByteArray::number(status.st_mode & 0777, 8);
            } catch (const std::exception &error) {
                return QByteArray("error: ") + error.what();
            }
        });
    };
    // The database's permissions, whatever the umask.
    EXPECT_EQ(acquireAs(60001), std::optional<QByteArray>("660"));
    EXPECT_FALSE(QFileInfo::exists(path));
    // A file left by an older copy with the umask's permissions: the next member replaces it.
    testsupport::WriteFileBytes(path, {});
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 60001, kGroup), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    EXPECT_EQ(acquireAs(60002), std::optional<QByteArray>("660"));
    EXPECT_FALSE(QFileInfo::exists(path));
}
