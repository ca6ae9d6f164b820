#include "i18n/WideStringList.h"

#include "platform/CodePage.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QString kFixtures = QStringLiteral(KELO_TEST_FIXTURES);

QStringList lines(const QByteArray &bytes) { return TWideStringList::DecodeLines(bytes); }

QStringList fileLines(const QString &name)
{
    TWideStringList list;
    EXPECT_TRUE(list.LoadFromFile(kFixtures + u'/' + name)) << name.toStdString();
    return list.Lines();
}

class WideStringListAnsi : public ::testing::Test
{
protected:
    void SetUp() override { platform::SetAnsiCodePage(1252); }
    void TearDown() override { platform::SetAnsiCodePage(0); }
};

} // namespace

TEST_F(WideStringListAnsi, ThreeEncodingsGiveTheSameLines)
{
    const QStringList utf8 = fileLines(QStringLiteral("encodings/utf8_bom.txt"));
    ASSERT_EQ(utf8.size(), 6);
    EXPECT_EQ(utf8[0], QStringLiteral("!LanguageID=1031"));
    EXPECT_EQ(utf8[4], QString::fromUtf8("Hemoglobin=Hämoglobin"));
    EXPECT_EQ(fileLines(QStringLiteral("encodings/utf16le_bom.txt")), utf8);
    EXPECT_EQ(fileLines(QStringLiteral("encodings/ansi_1252.txt")), utf8);
}

TEST_F(WideStringListAnsi, UnmarkedUtf8AndBigEndianReadAsAnsi)
{
    const QStringList noBom = fileLines(QStringLiteral("encodings/utf8_no_bom.txt"));
    ASSERT_EQ(noBom.size(), 6);
    // The two UTF-8 bytes of "ä" become two 1252 characters.
    EXPECT_EQ(noBom[4], QString::fromUtf8("Hemoglobin=HÃ¤moglobin"));
    const QStringList bigEndian = fileLines(QStringLiteral("encodings/utf16be_bom.txt"));
    ASSERT_FALSE(bigEndian.isEmpty());
    EXPECT_FALSE(bigEndian[0].startsWith(QStringLiteral("!LanguageID")));
}

TEST_F(WideStringListAnsi, AnsiFollowsTheCodePage)
{
    platform::SetAnsiCodePage(1250);
    // 0xB3 is "ł" in 1250 (and "³" in 1252).
    EXPECT_EQ(lines("Odebrano=rekord\xF3w \xB3"), QStringList{QString::fromUtf8("Odebrano=rekordów ł")});
}

TEST(WideStringList, LineEnds)
{
    EXPECT_EQ(lines("a\r\nb\rc\nd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(lines("a\r\n"), QStringList{"a"});
    EXPECT_EQ(lines("a\n\n"), (QStringList{"a", ""}));
    EXPECT_EQ(lines("\r\r\n"), (QStringList{"", ""}));
    EXPECT_EQ(lines("\n\r"), (QStringList{"", ""}));
    EXPECT_TRUE(lines("").isEmpty());
    EXPECT_TRUE(lines("\xEF\xBB\xBF").isEmpty());
    // The marker alone is skipped; an incomplete marker is ANSI text.
    EXPECT_EQ(lines("\xEF\xBBx").size(), 1);
}

TEST(WideStringList, NulEndsTheText)
{
    EXPECT_EQ(lines(QByteArray("a=1\r\nb=2\0c=3\r\n", 14)), (QStringList{"a=1", "b=2"}));
    QByteArray utf16("\xFF\xFE" "a\0=\0" "1\0\0\0" "b\0", 12);
    EXPECT_EQ(lines(utf16), QStringList{"a=1"});
    EXPECT_TRUE(lines(QByteArray("\0abc", 4)).isEmpty());
}

TEST(WideStringList, Utf16OddLastByteIsDropped)
{
    EXPECT_EQ(lines(QByteArray("\xFF\xFE" "a\0b\0c", 7)), QStringList{"ab"});
    EXPECT_TRUE(lines(QByteArray("\xFF\xFE", 2)).isEmpty());
}

TEST(WideStringList, SplitAtTheFirstEqualsSign)
{
    using Pair = std::pair<QString, QString>;
    EXPECT_EQ(TWideStringList::SplitLine("Formula=a=b"), Pair("Formula", "a=b"));
    EXPECT_EQ(TWideStringList::SplitLine(" key = value "), Pair(" key ", " value "));
    EXPECT_EQ(TWideStringList::SplitLine("=value"), Pair("", "value"));
    EXPECT_EQ(TWideStringList::SplitLine("key="), Pair("key", ""));
    EXPECT_EQ(TWideStringList::SplitLine("[SECTION]"), Pair("", ""));
    EXPECT_EQ(TWideStringList::SplitLine(""), Pair("", ""));
}

TEST(WideStringList, HeaderValueIgnoresCaseAndTakesTheFirstLine)
{
    TWideStringList list;
    list.LoadFromBytes("!LanguageID=1031\r\n!languagename=Deutsch\r\n!LANGUAGENAME=Other\r\nplain\r\n");
    EXPECT_EQ(list.Value("!LanguageName"), QStringLiteral("Deutsch"));
    EXPECT_EQ(list.Value("!languageid"), QStringLiteral("1031"));
    EXPECT_EQ(list.Value("plain"), QString());
    EXPECT_EQ(list.Value("!TranslationAuthor"), QString());
}

TEST(WideStringList, UnreadablePathsFailWithoutLines)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TWideStringList list;
    list.LoadFromBytes("stale=1");
    EXPECT_FALSE(list.LoadFromFile(dir.path() + "/missing.txt"));
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_FALSE(list.LoadFromFile(dir.path()));
    // A FIFO under the file's name must neither block nor count as a file.
    const QString fifo = dir.path() + "/KELO_HB_METER.txt";
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    EXPECT_FALSE(list.LoadFromFile(fifo));
}
