#include "platform/CodePage.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(CodePage, RoundTripsEveryByteOf1252And1250)
{
    for (int cp : {1250, 1252}) {
        QByteArray all;
        for (int b = 1; b < 256; ++b)
            all.append(static_cast<char>(b));
        EXPECT_EQ(ToAnsi(FromAnsi(all, cp), cp), all) << cp;
    }
}

TEST(CodePage, KnownCharactersMapBothWays)
{
    EXPECT_EQ(FromAnsi(QByteArray("\x80\xE4\xFC", 3), 1252), QString::fromUtf8("€äü"));
    EXPECT_EQ(FromAnsi(QByteArray("\xB9\xEA\xB3", 3), 1250), QString::fromUtf8("ąęł"));
    EXPECT_EQ(ToAnsi(QString::fromUtf8("Ostrzeżenie"), 1250), QByteArray("Ostrze\xBF" "enie"));
}

TEST(CodePage, UnmappableCharactersBecomeOneQuestionMarkEach)
{
    // Polish letters are not in 1252; a character outside the BMP is one "?", not two.
    EXPECT_EQ(ToAnsi(QString::fromUtf8("żółw"), 1252), QByteArray("?\xF3?w"));
    EXPECT_EQ(ToAnsi(QString::fromUtf8("a😀b"), 1252), QByteArray("a?b"));
    EXPECT_EQ(ToAnsi(QString::fromUtf8("日本"), 1250), QByteArray("??"));
}

TEST(CodePage, NulIsKeptAndUndefinedBytesDecodeToControls)
{
    EXPECT_EQ(ToAnsi(QString(QChar(0)), 1252), QByteArray(1, '\0'));
    EXPECT_EQ(FromAnsi(QByteArray("\x81", 1), 1252), QString(QChar(0x81)));
}

TEST(CodePage, LocaleLanguageChoosesTheCodePage)
{
    EXPECT_EQ(CodePageForLocale(QLocale(QLocale::Polish, QLocale::Poland)), 1250);
    EXPECT_EQ(CodePageForLocale(QLocale(QLocale::German, QLocale::Germany)), 1252);
    EXPECT_EQ(CodePageForLocale(QLocale(QLocale::Russian, QLocale::Russia)), 1251);
    EXPECT_EQ(CodePageForLocale(QLocale(QLocale::Greek, QLocale::Greece)), 1253);
    EXPECT_EQ(CodePageForLocale(QLocale(QLocale::Turkish, QLocale::Turkey)), 1254);
    EXPECT_EQ(CodePageForLocale(QLocale(QLocale::Lithuanian, QLocale::Lithuania)), 1257);
    EXPECT_EQ(CodePageForLocale(QLocale::c()), 1252);
    SetAnsiCodePage(1250);
    EXPECT_EQ(AnsiCodePage(), 1250);
    SetAnsiCodePage(0);
}
