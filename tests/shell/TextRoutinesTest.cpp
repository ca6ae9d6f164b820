#include "shell/TextRoutines.h"

#include <QLocale>

#include <gtest/gtest.h>

using L = QStringList;

TEST(SplitString, RunsOfOneCharSeparatorCollapse)
{
    EXPECT_EQ(SplitString("a,b,,c", ","), (L{"a", "b", "c"}));
    EXPECT_EQ(SplitString("a,,,,b", ","), (L{"a", "b"}));
}

TEST(SplitString, LeadingSeparatorGivesAnEmptyItem)
{
    EXPECT_EQ(SplitString(",a", ","), (L{"", "a"}));
    EXPECT_EQ(SplitString(",,a", ","), (L{"", "a"}));
}

TEST(SplitString, TrailingSeparators)
{
    EXPECT_EQ(SplitString("a,", ","), L{"a"});
    // The last character of the rest is never swallowed by the collapsing.
    EXPECT_EQ(SplitString("a,,", ","), (L{"a", ""}));
    EXPECT_EQ(SplitString("a,,,", ","), (L{"a", ""}));
    EXPECT_EQ(SplitString(",", ","), L{""});
}

TEST(SplitString, EmptyTextGivesAnEmptyList)
{
    EXPECT_TRUE(SplitString("", ",").isEmpty());
    EXPECT_TRUE(SplitString("", "\r\n").isEmpty());
}

TEST(SplitString, NoSeparatorGivesTheWholeText)
{
    EXPECT_EQ(SplitString("abc", ","), L{"abc"});
    EXPECT_EQ(SplitString("abc", ""), L{"abc"});
}

TEST(SplitString, TwoCharacterSeparatorNeverCollapses)
{
    // A meter record: lines and the closing empty line.
    EXPECT_EQ(SplitString("ID:1\r\nHB:12.3\r\n\r\n", "\r\n"), (L{"ID:1", "HB:12.3", ""}));
    EXPECT_EQ(SplitString("a\r\n\r\n\r\nb", "\r\n"), (L{"a", "", "", "b"}));
    EXPECT_EQ(SplitString("\r\na", "\r\n"), (L{"", "a"}));
    // A lone CR or LF is no separator.
    EXPECT_EQ(SplitString("a\rb\nc", "\r\n"), L{"a\rb\nc"});
}

TEST(SplitString, CollapsingComparesOnlyTheFirstCharacterWithTheWholeSeparator)
{
    // With "ab" as separator a following "a" is not taken for it.
    EXPECT_EQ(SplitString("xabay", "ab"), (L{"x", "ay"}));
}

TEST(RightPart, LastCharacters)
{
    EXPECT_EQ(RightPart("report.csv", 4), ".csv");
    EXPECT_EQ(RightPart("ab", 4), "ab");
    EXPECT_EQ(RightPart("ab", 2), "ab");
    EXPECT_EQ(RightPart("abc", 0), "");
    EXPECT_EQ(RightPart("abc", -3), "");
    EXPECT_EQ(RightPart("", 3), "");
}

TEST(IsNumeric, Numbers)
{
    for (const char *text : {"2024", "07", "-1.5", "1e3", "12.", ".5", "+3", "  42", "1.5E-3", "0e+0", "000"})
        EXPECT_TRUE(IsNumeric(QString::fromLatin1(text))) << text;
}

TEST(IsNumeric, NotNumbers)
{
    for (const char *text : {"", "1,5", "12 ", "1e", "1e+", "+", "-", "   ", "  -", "\t1", "1.2.3", "1e3.5",
                             "0x10", "12a", "--1", "1 2", "$10"})
        EXPECT_FALSE(IsNumeric(QString::fromLatin1(text))) << text;
}

TEST(IsNumeric, GrammarAllowsEmptyDigitRunsAroundThePoint)
{
    // Digits, point and exponent are each optional as long as something follows the sign.
    EXPECT_TRUE(IsNumeric("."));
    EXPECT_TRUE(IsNumeric("-e5"));
}

TEST(IsNumeric, IndependentOfTheLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_TRUE(IsNumeric("1.5"));
    EXPECT_FALSE(IsNumeric("1,5"));
    QLocale::setDefault(saved);
}

TEST(IsNumeric, NonAsciiDigitsAreNotDigits)
{
    EXPECT_FALSE(IsNumeric(QString::fromUtf8("١٢")));   // Arabic-Indic digits
    EXPECT_FALSE(IsNumeric(QString::fromUtf8("１２")));  // full-width digits
}
