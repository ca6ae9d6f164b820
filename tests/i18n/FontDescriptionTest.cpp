#include "i18n/FontDescription.h"

#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

namespace {

TLangFont plainFont()
{
    TLangFont font;
    font.font = QFont(QStringLiteral("Base Family"), 8);
    font.font.setUnderline(true);
    font.color = 0x00123456;
    font.charset = 0;
    font.pitch = 1;
    return font;
}

} // namespace

TEST(FontDescription, AllSixFields)
{
    TLangFont font = plainFont();
    EXPECT_TRUE(ApplyFontDescription(font, QStringLiteral("DejaVu Sans,12,BI,2,$000000FF,EASTEUROPE_CHARSET")));
    EXPECT_EQ(font.font.family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(font.font.pointSize(), 12);
    EXPECT_TRUE(font.font.bold());
    EXPECT_TRUE(font.font.italic());
    EXPECT_FALSE(font.font.underline());
    EXPECT_FALSE(font.font.strikeOut());
    EXPECT_EQ(font.pitch, 2);
    EXPECT_TRUE(font.font.fixedPitch());
    EXPECT_EQ(font.color, 0x000000FFu);
    EXPECT_EQ(font.charset, 238);
    EXPECT_EQ(ColorFromValue(font.color), QColor(255, 0, 0));
}

TEST(FontDescription, EitherSeparatorAndTrimmedFields)
{
    TLangFont font = plainFont();
    EXPECT_TRUE(ApplyFontDescription(font, QStringLiteral("  Liberation Serif ; 9 ,sIu;  1 ; navy ;204 ")));
    EXPECT_EQ(font.font.family(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(font.font.pointSize(), 9);
    EXPECT_TRUE(font.font.strikeOut());
    EXPECT_TRUE(font.font.italic());
    EXPECT_TRUE(font.font.underline());
    EXPECT_FALSE(font.font.bold());
    EXPECT_EQ(font.pitch, 1);
    EXPECT_EQ(font.color, 0x00800000u);   // navy: blue in the high byte
    EXPECT_EQ(font.charset, 204);
}

TEST(FontDescription, MissingAndEmptyFieldsLeaveValuesExceptStyle)
{
    TLangFont font = plainFont();
    ApplyFontDescription(font, QStringLiteral("Only Name"));
    EXPECT_EQ(font.font.family(), QStringLiteral("Only Name"));
    EXPECT_EQ(font.font.pointSize(), 8);
    EXPECT_TRUE(font.font.underline());   // no style field: styles stay
    EXPECT_EQ(font.color, 0x00123456u);

    font = plainFont();
    ApplyFontDescription(font, QStringLiteral(",,"));
    EXPECT_EQ(font.font.family(), QStringLiteral("Base Family"));
    EXPECT_EQ(font.font.pointSize(), 8);
    EXPECT_FALSE(font.font.underline());  // an empty style field clears every style
    EXPECT_EQ(font.pitch, 1);
    EXPECT_EQ(font.charset, 0);
}

TEST(FontDescription, SizeOrPitchThatIsNoNumberKeepsTheOldValue)
{
    TLangFont font = plainFont();
    EXPECT_TRUE(ApplyFontDescription(font, QStringLiteral("X,big,B,fixed")));
    EXPECT_EQ(font.font.pointSize(), 8);
    EXPECT_EQ(font.pitch, 1);
    EXPECT_TRUE(font.font.bold());
    ApplyFontDescription(font, QStringLiteral("X,12.5,,7"));
    EXPECT_EQ(font.font.pointSize(), 8);
    EXPECT_EQ(font.pitch, 1);
    ApplyFontDescription(font, QStringLiteral("X,-16"));
    EXPECT_EQ(font.font.pixelSize(), 16);
}

TEST(FontDescription, UnknownColourStopsAfterTheFieldsBeforeIt)
{
    TLangFont font = plainFont();
    EXPECT_FALSE(ApplyFontDescription(font, QStringLiteral("New Name,14,B,2,notacolour,RUSSIAN_CHARSET")));
    EXPECT_EQ(font.font.family(), QStringLiteral("New Name"));
    EXPECT_EQ(font.font.pointSize(), 14);
    EXPECT_TRUE(font.font.bold());
    EXPECT_EQ(font.pitch, 2);
    EXPECT_EQ(font.color, 0x00123456u);
    EXPECT_EQ(font.charset, 0);   // never reached
    // A colour that looks like a number but is not one is no name either.
    font = plainFont();
    EXPECT_FALSE(ApplyFontDescription(font, QStringLiteral("A,1,,0,$12345G,1")));
    EXPECT_FALSE(ApplyFontDescription(font, QStringLiteral("A,1,,0,#ff0000,1")));
    EXPECT_EQ(font.charset, 0);
}

TEST(FontDescription, ColourNumbers)
{
    EXPECT_EQ(ParseColorText(QStringLiteral("255")), 255u);
    EXPECT_EQ(ParseColorText(QStringLiteral("$00FF8000")), 0x00FF8000u);
    EXPECT_EQ(ParseColorText(QStringLiteral("0x0000ff00")), 0x0000FF00u);
    EXPECT_EQ(ParseColorText(QStringLiteral("$FF00000F")), 0xFF00000Fu);
    EXPECT_EQ(ParseColorText(QStringLiteral("-16777201")), 0xFF00000Fu);
    EXPECT_EQ(ParseColorText(QStringLiteral("White")), 0x00FFFFFFu);
    EXPECT_FALSE(ParseColorText(QStringLiteral("$")));
    EXPECT_FALSE(ParseColorText(QStringLiteral("$123456789")));
    EXPECT_FALSE(ParseColorText(QStringLiteral("4294967296")));
    EXPECT_FALSE(ParseColorText(QStringLiteral("-")));
}

TEST(FontDescription, CharsetNamesAndNumbers)
{
    EXPECT_EQ(ParseCharsetText(QStringLiteral("DEFAULT_CHARSET")), 1);
    EXPECT_EQ(ParseCharsetText(QStringLiteral("baltic_charset")), 186);
    EXPECT_EQ(ParseCharsetText(QStringLiteral("0")), 0);
    EXPECT_EQ(ParseCharsetText(QStringLiteral("255")), 255);
    EXPECT_FALSE(ParseCharsetText(QStringLiteral("256")));
    EXPECT_FALSE(ParseCharsetText(QStringLiteral("-1")));
    EXPECT_FALSE(ParseCharsetText(QStringLiteral("KLINGON_CHARSET")));
    EXPECT_EQ(CharsetText(238), QStringLiteral("EASTEUROPE_CHARSET"));
    EXPECT_EQ(CharsetText(7), QStringLiteral("7"));
}

TEST(FontDescription, BaseFontIsCopiedFirst)
{
    TLangFont base = plainFont();
    TLangFont font;
    font.font = QFont(QStringLiteral("Target"), 20);
    ApplyFontDescription(font, QStringLiteral(",11"), &base);
    EXPECT_EQ(font.font.family(), QStringLiteral("Base Family"));
    EXPECT_EQ(font.font.pointSize(), 11);
    EXPECT_TRUE(font.font.underline());
    EXPECT_EQ(font.color, base.color);
}

TEST(FontDescription, FieldsAfterTheSixthAreIgnored)
{
    TLangFont font = plainFont();
    EXPECT_TRUE(ApplyFontDescription(font, QStringLiteral("A,10,,0,0,1,extra,$nonsense")));
    EXPECT_EQ(font.charset, 1);
}

TEST(FontDescription, WrittenDescriptionReadsBackTheSame)
{
    TLangFont font = plainFont();
    ApplyFontDescription(font, QStringLiteral("DejaVu Sans,13,BUS,2,$00C0FFEE,GREEK_CHARSET"));
    const QString text = FontDescriptionText(font);
    EXPECT_EQ(text, QStringLiteral("DejaVu Sans,13,BUS,2,$00C0FFEE,GREEK_CHARSET"));
    TLangFont again;
    ApplyFontDescription(again, text);
    EXPECT_EQ(again.font, font.font);
    EXPECT_EQ(again.color, font.color);
    EXPECT_EQ(again.charset, font.charset);
    EXPECT_EQ(again.pitch, font.pitch);
}

TEST(FontDescription, OntoAPlainQFont)
{
    QFont font(QStringLiteral("Before"), 7);
    EXPECT_TRUE(ApplyFontDescription(font, QStringLiteral("After,15,U")));
    EXPECT_EQ(font.family(), QStringLiteral("After"));
    EXPECT_EQ(font.pointSize(), 15);
    EXPECT_TRUE(font.underline());
    EXPECT_FALSE(ApplyFontDescription(font, QStringLiteral("Third,16,,0,nocolour")));
    EXPECT_EQ(font.family(), QStringLiteral("Third"));
}

TEST(FontDescription, SystemColoursComeFromThePalette)
{
    EXPECT_EQ(ColorFromValue(kColorWindowText), QGuiApplication::palette().color(QPalette::WindowText));
    EXPECT_FALSE(ColorFromValue(0x1FFFFFFF).isValid());
}
