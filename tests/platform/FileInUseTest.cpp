#include "platform/FileInUse.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::IsFileInUse;

namespace {

class FileInUse : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        file = dir.path() + QStringLiteral("/export.xls");
        testsupport::WriteFileBytes(file, "data");
    }
    QByteArray name() const { return QFile::encodeName(file); }

    QTemporaryDir dir;
    QString file;
};

} // namespace

TEST_F(FileInUse, MissingFileOrFolderIsNotInUse)
{
    EXPECT_FALSE(IsFileInUse(dir.path() + QStringLiteral("/absent.xls")));
    EXPECT_FALSE(IsFileInUse(dir.path()));
    EXPECT_FALSE(IsFileInUse(QString()));
}

TEST_F(FileInUse, FreeFileIsNotInUseAndStaysFree)
{
    EXPECT_FALSE(IsFileInUse(file));
    EXPECT_FALSE(IsFileInUse(file));
    // The test took no lock that outlives it, and left the contents alone.
    const int fd = ::open(name().constData(), O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
    EXPECT_EQ(testsupport::ReadFileBytes(file), QByteArray("data"));
}

TEST_F(FileInUse, ExclusiveLockOfAnotherHolderMeansInUse)
{
    const int holder = ::open(name().constData(), O_RDWR);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_TRUE(IsFileInUse(file));
    ::flock(holder, LOCK_UN);
    EXPECT_FALSE(IsFileInUse(file));
    ASSERT_EQ(::flock(holder, LOCK_SH), 0);   // a reader that shares nothing either
    EXPECT_TRUE(IsFileInUse(file));
    ::close(holder);
    EXPECT_FALSE(IsFileInUse(file));
}

TEST_F(FileInUse, RecordLockOfAnotherProcessMeansInUse)
{
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other program: takes a write lock on a byte range and waits to be released.
        const int fd = ::open(name().constData(), O_RDWR);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0;
        lock.l_len = 1;
        const char status = (fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0) ? 'y' : 'n';
        (void)!::write(ready[1], &status, 1);
        char ignored;
        (void)!::read(release[0], &ignored, 1);
        _exit(0);
    }
    char status = 0;
    ASSERT_EQ(::read(ready[0], &status, 1), 1);
    ASSERT_EQ(status, 'y');
    EXPECT_TRUE(IsFileInUse(file));
    (void)!::write(release[1], "x", 1);
    int exitStatus = 0;
    ::waitpid(child, &exitStatus, 0);
    EXPECT_FALSE(IsFileInUse(file));
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        ::close(fd);
}

TEST_F(FileInUse, FileWithoutReadWritePermissionIsInUse)
{
    ASSERT_EQ(::chmod(name().constData(), 0444), 0);
    EXPECT_TRUE(IsFileInUse(file));
    ASSERT_EQ(::chmod(name().constData(), 0200), 0);
    EXPECT_TRUE(IsFileInUse(file));
    ASSERT_EQ(::chmod(name().constData(), 0600), 0);
    EXPECT_FALSE(IsFileInUse(file));
}

TEST_F(FileInUse, FollowsSymbolicLinks)
{
    const QString link = dir.path() + QStringLiteral("/link.xls");
    ASSERT_TRUE(QFile::link(file, link));
    const int holder = ::open(name().constData(), O_RDWR);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_TRUE(IsFileInUse(link));
    ::close(holder);
    EXPECT_FALSE(IsFileInUse(link));
}
