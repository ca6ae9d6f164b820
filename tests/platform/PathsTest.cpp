#include "platform/Exception.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, const QByteArray &value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char *name_;
    bool had_;
    QByteArray old_;
};

} // namespace

TEST(Paths, InstallRootIsTheParentOfTheProgramFolder)
{
    EXPECT_EQ(InstallRootOf("/opt/kelo/bin/"), "/opt/kelo");
    EXPECT_EQ(InstallRootOf("/opt/kelo/bin"), "/opt/kelo");
    EXPECT_EQ(InstallRootOf("/opt/kelo/bin//"), "/opt/kelo");
    // Directly below the root, and the root itself: the root, given as "".
    EXPECT_EQ(InstallRootOf("/bin/"), "");
    EXPECT_EQ(InstallRootOf("/"), "");
    EXPECT_EQ(InstallRootOf(""), "");
}

TEST(Paths, TrailingSeparatorIsAddedOnce)
{
    EXPECT_EQ(IncludeTrailingSeparator(""), "/");
    EXPECT_EQ(IncludeTrailingSeparator("/a"), "/a/");
    EXPECT_EQ(IncludeTrailingSeparator("/a/"), "/a/");
}

TEST(Paths, ProgramFileIsTheRunningExecutable)
{
    const QString path = ProgramFilePath();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(QFileInfo(path).canonicalFilePath(), QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
}

TEST(Paths, ApplicationDataFolderIsCreatedUnderHome)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    ScopedEnvironment homeVariable("HOME", QFile::encodeName(home.path()));
    ScopedEnvironment dataHome("XDG_DATA_HOME", QByteArray());
    const QString folder = ApplicationDataFolder();
    EXPECT_EQ(folder, home.path() + "/.local/share");
    EXPECT_TRUE(DirectoryExists(folder));
}

TEST(Paths, ApplicationDataFolderThatCannotExistIsEmpty)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    testsupport::WriteFileBytes(home.path() + "/file", "x");
    ScopedEnvironment dataHome("XDG_DATA_HOME", QFile::encodeName(home.path() + "/file/share"));
    EXPECT_EQ(ApplicationDataFolder(), "");
}

TEST(Paths, ResolveFindsComponentsInAnyCase)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(QDir(root.path()).mkpath("KELODATA/Data"));
    testsupport::WriteFileBytes(root.path() + "/KELODATA/Data/HB_data1.dat", "db");

    EXPECT_EQ(ResolveCaseInsensitive(root.path() + "/kelodata/data/hb_DATA1.DAT"),
              root.path() + "/KELODATA/Data/HB_data1.dat");
    // Exact names need no lookup and keep their separators.
    EXPECT_EQ(ResolveCaseInsensitive(root.path() + "/KELODATA/Data/"), root.path() + "/KELODATA/Data/");
    // What matches nothing is kept as written, and so is everything after it.
    EXPECT_EQ(ResolveCaseInsensitive(root.path() + "/kelodata/missing/data"), root.path() + "/KELODATA/missing/data");
    EXPECT_EQ(ResolveCaseInsensitive(root.path() + "/kelodata/data/new.ini"), root.path() + "/KELODATA/Data/new.ini");
    EXPECT_EQ(ResolveCaseInsensitive(""), "");
}

TEST(Paths, ResolvePrefersTheExactName)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(QDir(root.path()).mkpath("Data"));
    ASSERT_TRUE(QDir(root.path()).mkpath("data"));
    EXPECT_EQ(ResolveCaseInsensitive(root.path() + "/data"), root.path() + "/data");
    EXPECT_EQ(ResolveCaseInsensitive(root.path() + "/Data"), root.path() + "/Data");
    // Two candidates that differ from the name: the first in name order, on every call.
    EXPECT_EQ(ResolveCaseInsensitive(root.path() + "/DATA"), root.path() + "/Data");
}

TEST(Paths, ResolveWorksOnRelativePaths)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(QDir(root.path()).mkpath("Sub/Inner"));
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root.path()));
    const QString resolved = ResolveCaseInsensitive("sub/inner");
    const QString dotted = ResolveCaseInsensitive("./SUB/../sub");
    QDir::setCurrent(old);
    EXPECT_EQ(resolved, "Sub/Inner");
    EXPECT_EQ(dotted, "./Sub/../Sub");
}

TEST(Paths, CreateDirectoryMakesOneLevelAndReportsWhyNot)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    CreateDirectory(root.path() + "/one");
    EXPECT_TRUE(DirectoryExists(root.path() + "/one"));

    try {
        CreateDirectory(root.path() + "/missing/two");
        FAIL() << "a folder below a missing one was created";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "No such file or directory");
    }
    testsupport::WriteFileBytes(root.path() + "/file", "x");
    EXPECT_FALSE(DirectoryExists(root.path() + "/file"));
    try {
        CreateDirectory(root.path() + "/file/two");
        FAIL() << "a folder below a file was created";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), "Not a directory");
    }
    EXPECT_THROW(CreateDirectory(root.path() + "/one"), Exception);
}
