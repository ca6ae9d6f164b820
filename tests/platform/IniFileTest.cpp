#include "platform/IniFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString &name = "HBAPP.INI") const { return dir_.path() + "/" + name; }

    // Writes content to the test file and returns its path.
    QString file(const QByteArray &content, const QString &name = "HBAPP.INI") const
    {
        WriteFileBytes(path(name), content);
        return path(name);
    }

    QString read(const QString &section, const QString &key, const QString &fileName,
                 const QString &defaultValue = "<default>") const
    {
        return GetPrivateProfileString(section, key, defaultValue, fileName);
    }

    QStringList entries() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir_;
};

} // namespace

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault)
{
    EXPECT_EQ(read("COMM", "Port", path()), "<default>");
    const QString f = file("[COMM]\nPort=7\n");
    EXPECT_EQ(read("LANGUAGE", "Port", f), "<default>");
    EXPECT_EQ(read("COMM", "Baud", f), "<default>");
    EXPECT_EQ(read("COMM", "Port", f), "7");
}

TEST_F(IniFileTest, PresentEmptyValueIsEmptyNotTheDefault)
{
    const QString f = file("[A]\nEmpty=\nBlank=    \nQuotes=\"\"\n");
    EXPECT_EQ(read("A", "Empty", f), "");
    EXPECT_EQ(read("A", "Blank", f), "");
    EXPECT_EQ(read("A", "Quotes", f), "");
}

TEST_F(IniFileTest, ValuesAreTrimmedAndLoseOnePairOfQuotes)
{
    const QString f = file("[A]\n"
                           "Spaces =   two words  \t\n"
                           "Double=\"  quoted  \"\n"
                           "Single= 'single' \n"
                           "Nested=\"\"inner\"\"\n"
                           "Mixed='half\"\n"
                           "One=\"\n"
                           "Inner=a \"b\" c\n"
                           "Equals=a=b\n");
    EXPECT_EQ(read("A", "Spaces", f), "two words");
    EXPECT_EQ(read("A", "Double", f), "  quoted  ");
    EXPECT_EQ(read("A", "Single", f), "single");
    EXPECT_EQ(read("A", "Nested", f), "\"inner\"");
    EXPECT_EQ(read("A", "Mixed", f), "'half\"");
    EXPECT_EQ(read("A", "One", f), "\"");
    EXPECT_EQ(read("A", "Inner", f), "a \"b\" c");
    EXPECT_EQ(read("A", "Equals", f), "a=b");
}

TEST_F(IniFileTest, SectionsAndKeysMatchInAnyCase)
{
    const QString f = file("[  Language ]\n  languageid = 1031\n");
    EXPECT_EQ(read("LANGUAGE", "LanguageID", f), "1031");
    EXPECT_EQ(read("language", "LANGUAGEID", f), "1031");
}

TEST_F(IniFileTest, FirstSectionAndFirstKeyCount)
{
    const QString f = file("Port=1\n[COMM]\nPort=2\nport=3\n[comm]\nPort=4\nBaud=9600\n");
    EXPECT_EQ(read("COMM", "Port", f), "2");
    // Only the first section of a name is looked at.
    EXPECT_EQ(read("COMM", "Baud", f), "<default>");
}

TEST_F(IniFileTest, LineEndsOfEveryKindAndAByteOrderMark)
{
    EXPECT_EQ(read("A", "K", file("[A]\r\nX=1\r\nK=crlf\r\n")), "crlf");
    EXPECT_EQ(read("A", "K", file("[A]\rX=1\rK=cr\r")), "cr");
    EXPECT_EQ(read("A", "K", file("[A]\nK=no final newline")), "no final newline");
    EXPECT_EQ(read("A", "K", file("\xEF\xBB\xBF[A]\nK=bom\n")), "bom");
    EXPECT_EQ(read("A", "K", file("[A]\nK=\xC3\xA9t\xC3\xA9\n")), QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
}

TEST_F(IniFileTest, LinesThatAreNeitherSectionNorKeyAreSkipped)
{
    const QString f = file("; comment\n[A\nK=in broken header\n[B]\njust text\n=no key\nK=b\n");
    EXPECT_EQ(read("B", "K", f), "b");
    EXPECT_EQ(read("A", "K", f), "<default>");
}

TEST_F(IniFileTest, ValuesAreCutTo2047Characters)
{
    const QByteArray fits(2047, 'x');
    const QByteArray longer = QByteArray(2047, 'y') + "Z";
    const QString f = file("[A]\nFits=" + fits + "\nLonger=" + longer + "\nQuoted=\"" + fits + "\"\n");
    EXPECT_EQ(read("A", "Fits", f), QString(fits));
    EXPECT_EQ(read("A", "Longer", f), QString(2047, 'y'));
    EXPECT_EQ(read("A", "Quoted", f), QString(fits));

    // A cut never leaves half of a surrogate pair.
    const QByteArray emoji = "\xF0\x9F\x98\x80";
    const QString g = file("[A]\nK=" + QByteArray(2046, 'a') + emoji + "\n", "emoji.ini");
    EXPECT_EQ(read("A", "K", g), QString(2046, 'a'));
}

TEST_F(IniFileTest, WriteChangesOnlyTheValueOfItsLine)
{
    const QByteArray before = "\xEF\xBB\xBF; settings\r\n"
                              "[APPEARANCE]\r\n"
                              "Title = \"My Meter\"\r\n"
                              "\r\n"
                              "[Unknown]\r\n"
                              "x=y\n"
                              "[language]\r\n"
                              "  languageID =  1033   \r\n"
                              "MultiLanguage=0";
    const QString f = file(before);
    ASSERT_TRUE(WritePrivateProfileString("LANGUAGE", "LanguageID", "1031", f));
    QByteArray expected = before;
    expected.replace("  languageID =  1033   \r\n", "  languageID =  1031\r\n");
    EXPECT_EQ(ReadFileBytes(f), expected);
    EXPECT_EQ(read("LANGUAGE", "LanguageID", f), "1031");
}

TEST_F(IniFileTest, WriteToALastLineWithoutNewlineKeepsItThatWay)
{
    const QString f = file("[COMM]\nPort=5");
    ASSERT_TRUE(WritePrivateProfileString("COMM", "Port", "12", f));
    EXPECT_EQ(ReadFileBytes(f), "[COMM]\nPort=12");
    ASSERT_TRUE(WritePrivateProfileString("COMM", "Baud", "9600", f));
    EXPECT_EQ(ReadFileBytes(f), "[COMM]\nPort=12\nBaud=9600");
}

TEST_F(IniFileTest, WriteOnlyTouchesTheFirstOfDuplicateKeys)
{
    const QString f = file("[COMM]\nPort=1\nPORT=2\n");
    ASSERT_TRUE(WritePrivateProfileString("comm", "port", "9", f));
    EXPECT_EQ(ReadFileBytes(f), "[COMM]\nPort=9\nPORT=2\n");
}

TEST_F(IniFileTest, NewKeyGoesAtTheEndOfItsSectionWithTheFileLineEnds)
{
    const QString f = file("[LANGUAGE]\r\nLanguageID=1033\r\n\r\n[COMM]\r\nPort=5\r\n");
    ASSERT_TRUE(WritePrivateProfileString("LANGUAGE", "MultiLanguage", "1", f));
    EXPECT_EQ(ReadFileBytes(f), "[LANGUAGE]\r\nLanguageID=1033\r\nMultiLanguage=1\r\n\r\n[COMM]\r\nPort=5\r\n");

    const QString g = file("[EMPTY]\n[OTHER]\nk=v\n", "g.ini");
    ASSERT_TRUE(WritePrivateProfileString("empty", "Key", "v", g));
    EXPECT_EQ(ReadFileBytes(g), "[EMPTY]\nKey=v\n[OTHER]\nk=v\n");

    // Mixed line ends: the new line ends like the one before it, so it cannot swallow the
    // blank line that follows.
    const QString h = file("[A]\rk=1\n\n[B]\r", "h.ini");
    ASSERT_TRUE(WritePrivateProfileString("A", "k2", "v", h));
    EXPECT_EQ(ReadFileBytes(h), "[A]\rk=1\nk2=v\n\n[B]\r");
    ASSERT_TRUE(WritePrivateProfileString("C", "k", "w", h));
    EXPECT_EQ(ReadFileBytes(h), "[A]\rk=1\nk2=v\n\n[B]\r\r[C]\rk=w\r");
}

TEST_F(IniFileTest, MissingSectionIsAddedAtTheEnd)
{
    const QString f = file("[APPEARANCE]\nTitle=x");
    ASSERT_TRUE(WritePrivateProfileString("COMM", "Port", "5", f));
    EXPECT_EQ(ReadFileBytes(f), "[APPEARANCE]\nTitle=x\n\n[COMM]\nPort=5\n");

    const QString g = file("[A]\r\nk=v\r\n\r\n", "g.ini");
    ASSERT_TRUE(WritePrivateProfileString("B", "k", "w", g));
    EXPECT_EQ(ReadFileBytes(g), "[A]\r\nk=v\r\n\r\n[B]\r\nk=w\r\n");
}

TEST_F(IniFileTest, FileIsCreatedWhenItsFolderExists)
{
    ASSERT_TRUE(WritePrivateProfileString("LANGUAGE", "LanguageID", "1031", path()));
    ASSERT_TRUE(WritePrivateProfileString("COMM", "Port", "3", path()));
    EXPECT_EQ(ReadFileBytes(path()), "[LANGUAGE]\nLanguageID=1031\n\n[COMM]\nPort=3\n");
    EXPECT_EQ(entries(), QStringList{"HBAPP.INI"});   // no temporary file left behind
}

TEST_F(IniFileTest, MissingFolderFailsWithErrnoAndCreatesNothing)
{
    errno = 0;
    EXPECT_FALSE(WritePrivateProfileString("COMM", "Port", "3", path("missing/HBAPP.INI")));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(entries().isEmpty());

    file("x");
    errno = 0;
    EXPECT_FALSE(WritePrivateProfileString("COMM", "Port", "3", path() + "/below-a-file.ini"));
    EXPECT_EQ(errno, ENOTDIR);

    errno = 0;
    EXPECT_FALSE(WritePrivateProfileString("COMM", "Port", "3", dir_.path()));
    EXPECT_EQ(errno, EISDIR);
}

TEST_F(IniFileTest, ReadOnlyFileIsLeftAlone)
{
    const QByteArray before = "[COMM]\nPort=5\n";
    const QString f = file(before);
    ASSERT_EQ(::chmod(QFile::encodeName(f).constData(), 0444), 0);
    errno = 0;
    EXPECT_FALSE(WritePrivateProfileString("COMM", "Port", "6", f));
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(ReadFileBytes(f), before);
    EXPECT_EQ(entries(), QStringList{"HBAPP.INI"});
}

TEST_F(IniFileTest, WriteKeepsPermissionsAndLinks)
{
    const QString target = file("[COMM]\nPort=5\n", "real.ini");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(target, path("link.ini")));
    ASSERT_TRUE(WritePrivateProfileString("COMM", "Port", "6", path("link.ini")));
    EXPECT_TRUE(QFileInfo(path("link.ini")).isSymLink());
    EXPECT_EQ(ReadFileBytes(target), "[COMM]\nPort=6\n");
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

namespace {

// Who owns what in a shared installation: the writer below is a member of the shared group.
constexpr uid_t kWriter = 65534;
constexpr uid_t kOtherUser = 12346;
constexpr gid_t kSharedGroup = 12345;

// Writes [COMM] Port=6 as an unprivileged member of the shared group, in a child process since
// root passes every permission check. 0 when the write succeeded, else its errno.
int WriteAsGroupMember(const QString &file)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const gid_t groups[] = {kSharedGroup};
        if (::setgroups(1, groups) != 0 || ::setgid(kSharedGroup) != 0 || ::setuid(kWriter) != 0)
            ::_exit(255);
        errno = 0;
        const bool ok = WritePrivateProfileString("COMM", "Port", "6", file);
        ::_exit(ok ? 0 : (errno != 0 ? errno : 254));
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

TEST_F(IniFileTest, ReplacementKeepsOwnerGroupAndModeAndOnlyWritesInPlaceWhenItCannot)
{
    const struct
    {
        const char *name;
        mode_t folderMode;
        gid_t folderGroup;
        uid_t fileOwner;
        gid_t fileGroup;
        mode_t fileMode;
        bool asGroupMember;   // else as this (privileged) process
        int error;            // 0: the write succeeds
        bool inPlace;         // the file keeps its inode
    } cases[] = {
        {"root writes a user's file", 0755, 0, kWriter, kSharedGroup, 0640, false, 0, false},
        {"own file in a shared folder", 02775, kSharedGroup, kWriter, kSharedGroup, 0664, true, 0, false},
        {"another member's file in a shared folder", 02775, kSharedGroup, kOtherUser, kSharedGroup, 0664, true, 0, true},
        {"writable file in a read-only folder", 0555, 0, kWriter, kWriter, 0644, true, 0, true},
        {"read-only file in a read-only folder", 0555, 0, kWriter, kWriter, 0444, true, EACCES, false},
    };
    // The child must reach the folders.
    ASSERT_EQ(::chmod(QFile::encodeName(dir_.path()).constData(), 0755), 0);
    const QByteArray before = "[COMM]\r\nPort=12345\r\n; installed by the package\r\n";
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = path(QString::number(++index));
        ASSERT_TRUE(QDir().mkdir(folder));
        const QString f = folder + "/HBAPP.INI";
        WriteFileBytes(f, before);
        const QByteArray name = QFile::encodeName(f);
        ASSERT_EQ(::chown(name.constData(), c.fileOwner, c.fileGroup), 0);
        ASSERT_EQ(::chmod(name.constData(), c.fileMode), 0);
        ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 0, c.folderGroup), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), c.folderMode), 0);
        struct stat old {};
        ASSERT_EQ(::stat(name.constData(), &old), 0);

        errno = 0;
        const int error = c.asGroupMember ? WriteAsGroupMember(f)
                                          : (WritePrivateProfileString("COMM", "Port", "6", f) ? 0 : errno);
        EXPECT_EQ(error, c.error);

        // The shorter value leaves no bytes of the old line behind, and no temporary file stays.
        EXPECT_EQ(ReadFileBytes(f), c.error ? before : "[COMM]\r\nPort=6\r\n; installed by the package\r\n");
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"HBAPP.INI"});
        struct stat now {};
        ASSERT_EQ(::stat(name.constData(), &now), 0);
        EXPECT_EQ(now.st_uid, c.fileOwner);
        EXPECT_EQ(now.st_gid, c.fileGroup);
        EXPECT_EQ(now.st_mode & 07777, c.fileMode);
        EXPECT_EQ(now.st_ino == old.st_ino, c.inPlace || c.error);
    }
}

TEST_F(IniFileTest, NamesAndValuesThatWouldBreakTheFileAreRefused)
{
    const QByteArray before = "[A]\nk=v\n";
    const QString f = file(before);
    const struct
    {
        const char *section, *key, *value;
    } bad[] = {
        {"A", "k", "two\nlines"}, {"A", "k", "cr\rhere"}, {"A\n[B", "k", "v"}, {"A]x", "k", "v"},
        {"A", "k=x", "v"},        {"A", "[B]", "v"},      {"", "k", "v"},     {"A", "  ", "v"},
    };
    for (const auto &b : bad) {
        errno = 0;
        EXPECT_FALSE(WritePrivateProfileString(b.section, b.key, b.value, f)) << b.section << " " << b.key;
        EXPECT_EQ(errno, EINVAL);
    }
    EXPECT_EQ(ReadFileBytes(f), before);
}

TEST_F(IniFileTest, WrittenValuesReadBack)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> length(0, 40);
    std::uniform_int_distribution<int> character(0x21, 0x7E);   // no blanks at the ends
    const QString f = file("; keep me\n[OTHER]\nx=1\n");
    for (int round = 0; round < 200; ++round) {
        const QString section = QString("S%1").arg(round % 5);
        const QString key = QString("K%1").arg(round % 7);
        QString value;
        const int n = length(random);
        for (int i = 0; i < n; ++i)
            value += QChar(character(random));
        while (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value.chop(1);
        ASSERT_TRUE(WritePrivateProfileString(section, key, value, f));
        ASSERT_EQ(read(section.toLower(), key.toUpper(), f), value) << round;
    }
    EXPECT_TRUE(ReadFileBytes(f).startsWith("; keep me\n[OTHER]\nx=1\n"));
    EXPECT_EQ(read("OTHER", "x", f), "1");
}

TEST_F(IniFileTest, SomethingOtherThanAFileReadsAsMissing)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo.ini")).constData(), 0600), 0);
    EXPECT_EQ(read("COMM", "Port", path("fifo.ini")), "<default>");   // returns at once
    errno = 0;
    EXPECT_FALSE(WritePrivateProfileString("COMM", "Port", "3", path("fifo.ini")));
    EXPECT_EQ(errno, EINVAL);
    ASSERT_TRUE(QDir(dir_.path()).mkdir("folder.ini"));
    EXPECT_EQ(read("COMM", "Port", path("folder.ini")), "<default>");
}
