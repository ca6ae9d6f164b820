#include "ui/LayoutRules.h"

#include <gtest/gtest.h>

#include <numeric>

TEST(MainWindowHeight, TallScreensGetTheFullHeightShortOnesLoseFifty)
{
    EXPECT_EQ(MainWindowHeight(1080), 768);
    EXPECT_EQ(MainWindowHeight(769), 768);
    // Exactly 768 is not "higher than 768".
    EXPECT_EQ(MainWindowHeight(768), 718);
    EXPECT_EQ(MainWindowHeight(600), 550);
}

TEST(FitColumnWidths, WorkedExampleWithAndWithoutSeveralRecords)
{
    // Outer 1008, client 1006, five columns with column lines, no indicator.
    EXPECT_EQ(EqualColumnWidth(1008, 5), 196);
    EXPECT_EQ(UsedGridWidth({196, 196, 196, 196, 196}, true, false), 985);

    const std::vector<int> many = FitColumnWidths(1008, 1006, 5, true, false, true, 2);
    EXPECT_EQ(many, (std::vector<int>{196, 196, 196, 196, 199}));
    const std::vector<int> one = FitColumnWidths(1008, 1006, 5, true, false, true, 1);
    EXPECT_EQ(one, (std::vector<int>{196, 196, 196, 196, 215}));
    const std::vector<int> none = FitColumnWidths(1008, 1006, 5, true, false, true, 0);
    EXPECT_EQ(none.back(), 215);
}

TEST(FitColumnWidths, WidthNotAMultipleOfFiveKeepsFirstFourEqual)
{
    const std::vector<int> widths = FitColumnWidths(1013, 1011, 5, true, false, true, 7);
    ASSERT_EQ(widths.size(), 5u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(widths[static_cast<std::size_t>(i)], 1013 / 5 - 5);
    // The last one takes the remainder less 18.
    EXPECT_EQ(widths[4], 1013 / 5 - 5 + (1011 - (5 * (1013 / 5 - 5) + 5)) - 18);
}

TEST(FitColumnWidths, IndicatorAndLinesCountAndNoSourceLeavesTheLastColumn)
{
    EXPECT_EQ(UsedGridWidth({10, 20}, false, false), 30);
    EXPECT_EQ(UsedGridWidth({10, 20}, true, false), 32);
    EXPECT_EQ(UsedGridWidth({10, 20}, true, true), 43);
    const std::vector<int> unbound = FitColumnWidths(1008, 1006, 5, true, false, false, 0);
    EXPECT_EQ(unbound, (std::vector<int>(5, 196)));
    // Spare room may be negative: a narrow client makes the last column narrower.
    EXPECT_EQ(LastColumnWidth(100, -30, 0), 68);
    EXPECT_EQ(LastColumnWidth(100, -30, 5), 52);
}
