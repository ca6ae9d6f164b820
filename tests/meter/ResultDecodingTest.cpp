#include "meter/ResultDecoding.h"

#include "platform/RegionalSettings.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

struct Parts
{
    QString flag;
    QString number;
    QString unit;
};

Parts Split(const QString &s, const QString &label)
{
    Parts p{"untouched", "untouched", "untouched"};
    SplitValue(s, label, p.flag, p.number, p.unit);
    return p;
}

class SplitValueTest : public ::testing::Test
{
protected:
    void SetUp() override { platform::SetRegionalLocale(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { platform::ResetRegionalLocale(); }
    static void UseCommaLocale() { platform::SetRegionalLocale(QLocale(QLocale::German, QLocale::Germany)); }
};

} // namespace

TEST_F(SplitValueTest, FlagNumberAndUnitAreCutApart)
{
    const Parts p = Split("HB:  ab12.5cd", "HB:");
    EXPECT_EQ(p.flag, "ab");
    EXPECT_EQ(p.number, "12.5");
    EXPECT_EQ(p.unit, "cd");

    const Parts spaced = Split("HB: H 12.5 g/dL", "HB:");
    EXPECT_EQ(spaced.flag, "H ");
    EXPECT_EQ(spaced.number, "12.5");
    EXPECT_EQ(spaced.unit, " g/dL");
}

TEST_F(SplitValueTest, NumberTakesTheRegionalDecimalSeparator)
{
    UseCommaLocale();
    EXPECT_EQ(Split("HB:  ab12.5cd", "HB:").number, "12,5");
    EXPECT_EQ(Split("HB: .5", "HB:").number, ",5");
    EXPECT_EQ(Split("HB: 12.", "HB:").number, "12,");
    EXPECT_EQ(Split("HB: 7", "HB:").number, "7");
}

TEST_F(SplitValueTest, UnitLosesEveryDoubleDashButKeepsItsBlank)
{
    const Parts p = Split("HCT: 45 zz--", "HCT:");
    EXPECT_EQ(p.flag, "");
    EXPECT_EQ(p.number, "45");
    EXPECT_EQ(p.unit, " zz");
    EXPECT_EQ(Split("HCT: 45%---", "HCT:").unit, "%-");
    EXPECT_EQ(Split("HCT: 45--%--", "HCT:").unit, "%");
}

TEST_F(SplitValueTest, TextWithoutANumberIsAllFlag)
{
    const Parts p = Split("HCT: --", "HCT:");
    EXPECT_EQ(p.flag, "--");
    EXPECT_EQ(p.number, "");
    EXPECT_EQ(p.unit, "");
    const Parts hi = Split("HB: HI g/dL", "HB:");
    EXPECT_EQ(hi.flag, "HI g/dL");
    EXPECT_EQ(hi.number, "");
    EXPECT_EQ(hi.unit, "");
}

TEST_F(SplitValueTest, MissingLabelLeavesTheWholeTextAsNumber)
{
    UseCommaLocale();
    const Parts p = Split("12.5", "HB:");
    EXPECT_EQ(p.flag, "");
    EXPECT_EQ(p.number, "12.5");
    EXPECT_EQ(p.unit, "");
    // The label is matched exactly, letter case included.
    EXPECT_EQ(Split("hb: 3", "HB:").number, "hb: 3");
}

TEST_F(SplitValueTest, LabelWithNothingAfterItGivesThreeEmptyParts)
{
    for (const QString &s : {QStringLiteral("HB:"), QStringLiteral("HB:    ")}) {
        const Parts p = Split(s, "HB:");
        EXPECT_EQ(p.flag, "") << s.toStdString();
        EXPECT_EQ(p.number, "") << s.toStdString();
        EXPECT_EQ(p.unit, "") << s.toStdString();
    }
}

TEST_F(SplitValueTest, NumberThatDoesNotReadKeepsItsPointForm)
{
    EXPECT_EQ(Split("HB: 1.2.3", "HB:").number, "1.2.3");
    UseCommaLocale();
    EXPECT_EQ(Split("HB: 1.2.3", "HB:").number, "1.2.3");
    EXPECT_EQ(Split("HB: .", "HB:").number, ".");
    // Everything between the first and the last digit is the number, letters included.
    const Parts p = Split("HB: 1a2 g", "HB:");
    EXPECT_EQ(p.number, "1a2");
    EXPECT_EQ(p.unit, " g");
}

TEST_F(SplitValueTest, OnlyTheFirstLabelCounts)
{
    const Parts p = Split("xHB:HB: 5", "HB:");
    EXPECT_EQ(p.flag, "HB: ");
    EXPECT_EQ(p.number, "5");
    EXPECT_EQ(Split("ID:0007", "ID:").number, "0007");
}

TEST(ReadsAsFloat, AcceptsDecimalNumbersWithTheGivenSeparatorOnly)
{
    EXPECT_TRUE(ReadsAsFloat("1,5", u','));
    EXPECT_TRUE(ReadsAsFloat("-1,5", u','));
    EXPECT_TRUE(ReadsAsFloat("12,", u','));
    EXPECT_TRUE(ReadsAsFloat(",5", u','));
    EXPECT_TRUE(ReadsAsFloat("1e3", u'.'));
    EXPECT_TRUE(ReadsAsFloat("1.5E-2", u'.'));
    EXPECT_FALSE(ReadsAsFloat("1.5", u','));
    EXPECT_FALSE(ReadsAsFloat(",", u','));
    EXPECT_FALSE(ReadsAsFloat("", u'.'));
    EXPECT_FALSE(ReadsAsFloat("-", u'.'));
    EXPECT_FALSE(ReadsAsFloat("1e", u'.'));
    EXPECT_FALSE(ReadsAsFloat("1,2,3", u','));
}
