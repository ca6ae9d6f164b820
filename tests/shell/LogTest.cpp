#include "shell/Folders.h"
#include "shell/Log.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using platform::EncodeDate;
using platform::EncodeTime;

namespace {

// Month/day/year with a 12-hour clock, as on a US desktop.
platform::RegionalSettings usSettings()
{
    platform::RegionalSettings settings = platform::RegionalSettings::FromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    settings.shortDateFormat = QStringLiteral("m/d/yyyy");
    settings.longTimeFormat = QStringLiteral("h:nn:ss ampm");
    settings.dateSeparator = u'/';
    settings.timeSeparator = u':';
    return settings;
}

platform::OleDate at(int year, int month, int day, int hour, int minute, int second, int ms = 0)
{
    return *EncodeDate(year, month, day) + *EncodeTime(hour, minute, second, ms);
}

class LogFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        savedAppDataPath = AppDataPath;
        AppDataPath = dir.path() + u'/';
        platform::SetAnsiCodePage(1252);
        platform::SetRegionalLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override
    {
        AppDataPath = savedAppDataPath;
        platform::SetAnsiCodePage(0);
        platform::ResetRegionalLocale();
    }
    QString path() const { return dir.path() + QStringLiteral("/HB.dbg"); }

    QTemporaryDir dir;
    QString savedAppDataPath;
};

} // namespace

TEST(LogTimeStamp, ShortDateBlankLongTime)
{
    EXPECT_EQ(LogTimeStamp(at(2026, 12, 8, 11, 56, 14), usSettings()), QStringLiteral("12/8/2026 11:56:14 AM"));
    EXPECT_EQ(LogTimeStamp(at(2026, 12, 8, 23, 5, 0), usSettings()), QStringLiteral("12/8/2026 11:05:00 PM"));
}

TEST(LogTimeStamp, ExactlyMidnightHasNoTime)
{
    EXPECT_EQ(LogTimeStamp(at(2026, 12, 8, 0, 0, 0), usSettings()), QStringLiteral("12/8/2026"));
    EXPECT_EQ(LogTimeStamp(at(2026, 12, 8, 0, 0, 1), usSettings()), QStringLiteral("12/8/2026 12:00:01 AM"));
}

TEST(LogTimeStamp, FollowsTheRegionalFormats)
{
    platform::RegionalSettings german = platform::RegionalSettings::FromLocale(QLocale(QLocale::German, QLocale::Germany));
    german.shortDateFormat = QStringLiteral("dd/mm/yyyy");
    german.longTimeFormat = QStringLiteral("hh:nn:ss");
    german.dateSeparator = u'.';
    german.timeSeparator = u':';
    EXPECT_EQ(LogTimeStamp(at(2026, 3, 1, 7, 8, 9), german), QStringLiteral("01.03.2026 07:08:09"));
}

TEST_F(LogFile, WriteLogAppendsStampColonTextCrLfToHbDbg)
{
    EXPECT_EQ(LogFilePath(), path());
    WriteLog(QStringLiteral("Connect to Database /data/HB_data1.dat"));
    WriteLog(QStringLiteral("second\r\nline"));
    const QString text = QString::fromLatin1(testsupport::ReadFileBytes(path()));
    // No blank around the colon; an entry may span lines.
    const QRegularExpression pattern(QStringLiteral(
        "^\\d{1,2}/\\d{1,2}/\\d{4}( \\d{1,2}:\\d{2}:\\d{2}( [AP]M)?)?:Connect to Database /data/HB_data1.dat\r\n"
        "\\d{1,2}/\\d{1,2}/\\d{4}( \\d{1,2}:\\d{2}:\\d{2}( [AP]M)?)?:second\r\nline\r\n$"));
    EXPECT_TRUE(pattern.match(text).hasMatch()) << text.toStdString();
}

TEST_F(LogFile, LinesAreWrittenInTheAnsiCodePage)
{
    AppendLogLine(path(), QString::fromUtf8("Hämoglobin ł €"), at(2026, 12, 8, 0, 0, 0));
    const QByteArray expected = platform::ToAnsi(LogTimeStamp(at(2026, 12, 8, 0, 0, 0))) + ":H\xE4moglobin ? \x80\r\n";
    EXPECT_EQ(testsupport::ReadFileBytes(path()), expected);
    platform::SetAnsiCodePage(1250);
    AppendLogLine(path(), QString::fromUtf8("ł"), at(2026, 12, 8, 0, 0, 0));
    EXPECT_TRUE(testsupport::ReadFileBytes(path()).endsWith(":\xB3\r\n"));
}

TEST_F(LogFile, AppendsToAnExistingFile)
{
    testsupport::WriteFileBytes(path(), "old entry\r\n");
    AppendLogLine(path(), QStringLiteral("new"), at(2026, 1, 2, 0, 0, 0));
    const QByteArray bytes = testsupport::ReadFileBytes(path());
    EXPECT_TRUE(bytes.startsWith("old entry\r\n"));
    EXPECT_TRUE(bytes.endsWith(":new\r\n"));
}

TEST_F(LogFile, MissingFolderReachesTheCaller)
{
    AppDataPath = dir.path() + QStringLiteral("/gone/");
    try {
        WriteLog(QStringLiteral("x"));
        FAIL() << "no exception";
    } catch (const platform::Exception &e) {
        EXPECT_TRUE(e.message().contains(dir.path() + QStringLiteral("/gone/HB.dbg"))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("No such file"))) << e.message().toStdString();
    }
}

TEST_F(LogFile, FileHeldByAnotherWriterIsAnErrorAndStaysUntouched)
{
    testsupport::WriteFileBytes(path(), "held\r\n");
    const int holder = ::open(QFile::encodeName(path()).constData(), O_RDWR);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_THROW(WriteLog(QStringLiteral("x")), platform::Exception);
    EXPECT_EQ(testsupport::ReadFileBytes(path()), QByteArray("held\r\n"));
    ::close(holder);
    // The failed attempt left no lock of its own behind.
    EXPECT_NO_THROW(WriteLog(QStringLiteral("x")));
}

TEST_F(LogFile, WriteFailureReachesTheCallerAndReleasesTheFile)
{
    try {
        AppendLogLine(QStringLiteral("/dev/full"), QStringLiteral("x"), at(2026, 1, 2, 3, 4, 5));
        FAIL() << "no exception";
    } catch (const platform::Exception &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("/dev/full")));
        EXPECT_TRUE(e.message().contains(QStringLiteral("No space left"))) << e.message().toStdString();
    }
    const int again = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(again, 0);
    EXPECT_EQ(::flock(again, LOCK_EX | LOCK_NB), 0);
    ::close(again);
}

TEST_F(LogFile, ClearLogDeletesAndIgnoresFailures)
{
    WriteLog(QStringLiteral("x"));
    ASSERT_TRUE(QFile::exists(path()));
    ClearLog();
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_NO_THROW(ClearLog());
    // Something that cannot be deleted as a file stays, silently.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("HB.dbg")));
    EXPECT_NO_THROW(ClearLog());
    EXPECT_TRUE(QFileInfo(path()).isDir());
    EXPECT_THROW(WriteLog(QStringLiteral("x")), platform::Exception);
}
