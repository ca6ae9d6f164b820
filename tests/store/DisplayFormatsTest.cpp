#include "StoreTestHelpers.h"

#include "store/DisplayFormats.h"
#include "store/ResultView.h"

#include "platform/DateTime.h"
#include "platform/RegionalSettings.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace storetest;
using store::ResultColumn;

namespace {

// Switches the regional settings to a locale and takes DateFormatStr from it, as the data
// module does when it is created.
class LocaleFormats : public ::testing::Test
{
protected:
    void UseLocale(const char *name)
    {
        platform::SetRegionalLocale(QLocale(QString::fromLatin1(name)));
        DateFormatStr = platform::CurrentRegionalSettings().shortDateFormat;
        TimeFormatStr = QStringLiteral("24 Hours");
    }
    void TearDown() override
    {
        platform::ResetRegionalLocale();
        DateFormatStr.clear();
    }

    // 5 March 2024 14:07:33
    const double march5 = *platform::EncodeDate(2024, 3, 5) + *platform::EncodeTime(14, 7, 33);
};

} // namespace

TEST_F(LocaleFormats, DateFollowsTheShortDateAndTimeIsHoursAndMinutesWithTheLocaleSeparator)
{
    UseLocale("en_US");
    EXPECT_EQ(CalcDateText(march5), QStringLiteral("3/5/2024"));
    EXPECT_EQ(CalcTimeText(march5), QStringLiteral("14:07"));

    UseLocale("de_DE");
    EXPECT_EQ(CalcDateText(march5), QStringLiteral("05.03.2024"));
    EXPECT_EQ(CalcTimeText(march5), QStringLiteral("14:07"));

    UseLocale("fi_FI");
    EXPECT_EQ(CalcDateText(march5), QStringLiteral("5.3.2024"));
    EXPECT_EQ(CalcTimeText(march5), QStringLiteral("14.07"));
}

TEST_F(LocaleFormats, MidnightZeroAndNegativeDates)
{
    UseLocale("en_US");
    // Five past midnight reads on a 24-hour clock, never as 12:05 am.
    const double fivePast = *platform::EncodeDate(2024, 3, 5) + *platform::EncodeTime(0, 5, 0);
    EXPECT_EQ(CalcTimeText(fivePast), QStringLiteral("00:05"));
    EXPECT_EQ(CalcDateText(fivePast), QStringLiteral("3/5/2024"));
    const double lateEvening = *platform::EncodeDate(2024, 3, 5) + *platform::EncodeTime(23, 59, 0);
    EXPECT_EQ(CalcTimeText(lateEvening), QStringLiteral("23:59"));

    // 0 and an empty value are 30 December 1899, midnight.
    EXPECT_EQ(CalcDateText(0.0), QStringLiteral("12/30/1899"));
    EXPECT_EQ(CalcTimeText(0.0), QStringLiteral("00:00"));
    EXPECT_EQ(CalcDateText(std::nullopt), QStringLiteral("12/30/1899"));
    EXPECT_EQ(CalcTimeText(std::nullopt), QStringLiteral("00:00"));

    // Negative: the whole days count backwards (cut toward zero), the time runs forwards.
    EXPECT_EQ(CalcDateText(-1.25), QStringLiteral("12/29/1899"));
    EXPECT_EQ(CalcTimeText(-1.25), QStringLiteral("06:00"));
    EXPECT_EQ(CalcDateText(-0.5), QStringLiteral("12/30/1899"));
    EXPECT_EQ(CalcTimeText(-0.5), QStringLiteral("12:00"));
    EXPECT_EQ(WholeDayPart(-1.25), -1.0);
    EXPECT_EQ(WholeDayPart(2.75), 2.0);

    UseLocale("fi_FI");
    EXPECT_EQ(CalcDateText(-1.25), QStringLiteral("29.12.1899"));
    EXPECT_EQ(CalcTimeText(fivePast), QStringLiteral("00.05"));
}

TEST_F(LocaleFormats, TimeFormatNamesAndDatePatterns)
{
    UseLocale("en_US");
    const double afternoon = *platform::EncodeTime(14, 7, 0);
    EXPECT_EQ(GetTimeStrAccordingFormat(QStringLiteral("24 Hours"), afternoon), QStringLiteral("14:07"));
    // Any other name, even one that differs only in case, takes the 12-hour clock.
    EXPECT_EQ(GetTimeStrAccordingFormat(QStringLiteral("24 hours"), afternoon), QStringLiteral("02:07 pm"));
    EXPECT_EQ(GetTimeStrAccordingFormat(QString(), *platform::EncodeTime(0, 5, 0)), QStringLiteral("12:05 am"));
    EXPECT_EQ(GetDateStrAccordingFormat(QStringLiteral("yyyy/mm/dd"), march5), QStringLiteral("2024/03/05"));
}

TEST(CalculatedTexts, FlagsComeDirectlyBeforeTheValues)
{
    EXPECT_EQ(CalcHBText(QStringLiteral(">"), QStringLiteral("25.7")), QStringLiteral(">25.7"));
    EXPECT_EQ(CalcHBText(QString(), QStringLiteral("14.2")), QStringLiteral("14.2"));
    EXPECT_EQ(CalcHBText(QStringLiteral("Lo"), QString()), QStringLiteral("Lo"));
    EXPECT_EQ(CalcHCTText(QStringLiteral("<"), QStringLiteral("10")), QStringLiteral("<10"));
    EXPECT_EQ(CalcHCTText(QString(), QString()), QString());
    const CalculatedFields all =
        qryResultLogCalcFields(std::nullopt, QStringLiteral("*"), QStringLiteral("9"), QString(), QStringLiteral("27"));
    EXPECT_EQ(all.fHB_C, QStringLiteral("*9"));
    EXPECT_EQ(all.fHCT_C, QStringLiteral("27"));
    EXPECT_EQ(all.fTime_C, QStringLiteral("00:00"));
}

TEST_F(LocaleFormats, ViewComputesItsColumnsWhenARowIsReadNotWhenItIsStored)
{
    TempDatabase database;
    store::DatabaseConnection connection;
    OpenWithKey(connection, database.Path());
    store::ResultView view(connection);
    view.Open();
    view.Append();
    view.SetFieldValue(ResultColumn::fDateTime, march5);
    view.SetFieldValue(ResultColumn::fHB_Flag, QStringLiteral("H"));
    view.SetFieldValue(ResultColumn::fHB, QStringLiteral("19.9"));
    view.SetFieldValue(ResultColumn::fHCT, QStringLiteral("58"));
    view.Post();
    view.Append();   // a row with nothing set
    view.Post();
    view.UpdateBatch();

    UseLocale("de_DE");
    EXPECT_EQ(view.FieldText(QStringLiteral("fDate_C")), QStringLiteral("30.12.1899"));   // the empty row is current
    view.First();
    EXPECT_EQ(view.FieldText(QStringLiteral("fDate_C")), QStringLiteral("05.03.2024"));
    EXPECT_EQ(view.FieldText(QStringLiteral("fTime_C")), QStringLiteral("14:07"));
    EXPECT_EQ(view.FieldText(QStringLiteral("fHB_C")), QStringLiteral("H19.9"));
    EXPECT_EQ(view.FieldText(QStringLiteral("fHCT_C")), QStringLiteral("58"));

    // A raw date-time column shows the short date and the long time; an empty one nothing.
    EXPECT_EQ(view.Text(0, static_cast<int>(ResultColumn::fDateTime)), QStringLiteral("05.03.2024 14:07:33"));
    EXPECT_EQ(view.Text(1, static_cast<int>(ResultColumn::fDateTime)), QString());

    // The same stored row reads in the new format once the format changes.
    UseLocale("fi_FI");
    EXPECT_EQ(view.Text(0, static_cast<int>(ResultColumn::fDate_C)), QStringLiteral("5.3.2024"));
    EXPECT_EQ(view.CalcFields(0).fTime_C, QStringLiteral("14.07"));
}
