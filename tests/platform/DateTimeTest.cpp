#include "platform/DateTime.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cmath>
#include <limits>
#include <random>

using namespace platform;

namespace {

constexpr qint64 kJulianDayOfOleZero = 2415019;  // 1899-12-30

RegionalSettings locale(const char *name)
{
    return RegionalSettings::FromLocale(QLocale(QString::fromLatin1(name)));
}

// What a PC set to "United States" shows on Windows: a four-digit year.
RegionalSettings windowsUnitedStates()
{
    RegionalSettings s = locale("en_US");
    s.shortDateFormat = QStringLiteral("m/d/yyyy");
    return s;
}

void expectMoment(OleDate value, int year, int month, int day, int hour, int minute,
                  int second = 0, int millisecond = 0)
{
    const DateParts d = DecodeDate(value);
    const TimeParts t = DecodeTime(value);
    EXPECT_EQ(d.year, year) << value;
    EXPECT_EQ(d.month, month) << value;
    EXPECT_EQ(d.day, day) << value;
    EXPECT_EQ(t.hour, hour) << value;
    EXPECT_EQ(t.minute, minute) << value;
    EXPECT_EQ(t.second, second) << value;
    EXPECT_EQ(t.millisecond, millisecond) << value;
}

} // namespace

TEST(OleDate, FixedPointsOfTheCalendar)
{
    expectMoment(0, 1899, 12, 30, 0, 0);
    expectMoment(1.5, 1899, 12, 31, 12, 0);
    expectMoment(2, 1900, 1, 1, 0, 0);
    // Negative values count days backwards but the time of day forwards.
    expectMoment(-1.25, 1899, 12, 29, 6, 0);
    expectMoment(-0.5, 1899, 12, 30, 12, 0);
    expectMoment(2958465.99999, 9999, 12, 31, 23, 59, 59, 136);
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(2024, 3, 5), 45356.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    expectMoment(-693593, 1, 1, 1, 0, 0);
}

TEST(OleDate, RoundingToTheMillisecondCarriesIntoTheNextDay)
{
    expectMoment(0.9999999999, 1899, 12, 31, 0, 0);
    expectMoment(-1.9999999999, 1899, 12, 28, 0, 0);
    expectMoment(-0.9999999999, 1899, 12, 29, 0, 0);
    expectMoment(*EncodeDateTime(2024, 3, 5, 23, 59, 59, 999), 2024, 3, 5, 23, 59, 59, 999);
}

TEST(OleDate, NonFiniteValuesDecodeAsZero)
{
    for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()})
        expectMoment(bad, 1899, 12, 30, 0, 0);
    EXPECT_EQ(FormatDateTime("yyyy", std::nan(""), RegionalSettings{}), "1899");
}

TEST(OleDate, InvalidDatesAndTimesAreRefused)
{
    EXPECT_FALSE(EncodeDate(2020, 2, 30));
    EXPECT_FALSE(EncodeDate(2021, 2, 29));
    EXPECT_TRUE(EncodeDate(2020, 2, 29));
    EXPECT_FALSE(EncodeDate(1900, 2, 29));  // not a leap year
    EXPECT_TRUE(EncodeDate(2000, 2, 29));
    EXPECT_FALSE(EncodeDate(0, 12, 31));
    EXPECT_FALSE(EncodeDate(10000, 1, 1));
    EXPECT_FALSE(EncodeDate(2024, 13, 1));
    EXPECT_FALSE(EncodeDate(2024, 0, 1));
    EXPECT_FALSE(EncodeDate(2024, 4, 31));
    EXPECT_FALSE(EncodeDate(2024, 1, 0));
    EXPECT_FALSE(EncodeTime(24, 0, 0));
    EXPECT_FALSE(EncodeTime(0, 60, 0));
    EXPECT_FALSE(EncodeTime(0, 0, 60));
    EXPECT_FALSE(EncodeTime(0, 0, 0, 1000));
    EXPECT_FALSE(EncodeTime(-1, 0, 0));
    EXPECT_FALSE(EncodeDateTime(2020, 2, 30, 12, 0, 0));
    EXPECT_FALSE(EncodeDateTime(2020, 2, 28, 12, 60, 0));
    EXPECT_EQ(EncodeTime(23, 59, 59, 999), 86399999.0 / 86400000.0);
}

TEST(OleDate, CombiningBeforeTheEpochCountsTheTimeForwards)
{
    EXPECT_EQ(CombineDateTime(-1, 0.25), -1.25);
    const OleDate date = *EncodeDate(1800, 1, 1);
    const OleDate noon = *EncodeTime(12, 0, 0);
    expectMoment(CombineDateTime(date, noon), 1800, 1, 1, 12, 0);
    EXPECT_EQ(DatePart(-1.25), -1.0);
    EXPECT_EQ(TimeOfDay(-1.25), 0.25);
    EXPECT_EQ(DatePart(45356.75), 45356.0);
    EXPECT_EQ(DayOfWeek(0), 7);                        // Saturday
    EXPECT_EQ(DayOfWeek(*EncodeDate(2024, 3, 5)), 3);  // Tuesday
    EXPECT_EQ(DayOfWeek(*EncodeDate(1, 1, 1)), 2);     // Monday
    EXPECT_EQ(DayOfWeek(-1.25), 6);                    // Friday
}

TEST(OleDate, SeededRandomRoundTripsAgreeWithQtsCalendar)
{
    std::mt19937 random(20240305);
    std::uniform_int_distribution<int> year(kMinYear, kMaxYear), month(1, 12), day(1, 31);
    std::uniform_int_distribution<int> msOfDay(0, 86399999);
    int checked = 0;
    while (checked < 20000) {
        const int y = year(random), m = month(random), d = day(random);
        if (!IsValidDate(y, m, d))
            continue;
        const int ms = msOfDay(random);
        const QTime time = QTime::fromMSecsSinceStartOfDay(ms);
        const std::optional<OleDate> date = EncodeDate(y, m, d);
        ASSERT_TRUE(date);
        ASSERT_EQ(*date, QDate(y, m, d).toJulianDay() - kJulianDayOfOleZero) << y << m << d;
        const OleDate value = *EncodeDateTime(y, m, d, time.hour(), time.minute(),
                                              time.second(), time.msec());
        const DateParts dp = DecodeDate(value);
        const TimeParts tp = DecodeTime(value);
        ASSERT_EQ(QDate(dp.year, dp.month, dp.day), QDate(y, m, d)) << value;
        ASSERT_EQ(QTime(tp.hour, tp.minute, tp.second, tp.millisecond), time) << value;
        ASSERT_EQ(ToQDateTime(value), QDateTime(QDate(y, m, d), time)) << value;
        ++checked;
    }
}

TEST(OleDate, QDateTimeConversions)
{
    const QDateTime local(QDate(2024, 3, 5), QTime(14, 7, 33, 250));
    const OleDate value = FromQDateTime(local);
    expectMoment(value, 2024, 3, 5, 14, 7, 33, 250);
    EXPECT_EQ(ToQDateTime(value), local);
    const QDateTime utc = local.toUTC();
    EXPECT_EQ(FromQDateTime(utc), value);  // always the local wall clock
    EXPECT_EQ(FromQDateTime(QDateTime()), 0.0);

    const OleDate before = FromQDateTime(QDateTime::currentDateTime());
    const OleDate now = Now();
    const OleDate after = FromQDateTime(QDateTime::currentDateTime());
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
}

TEST(FormatDateTime, EveryTokenUnderUnitedStates)
{
    const RegionalSettings us = locale("en_US");
    const OleDate v = *EncodeDateTime(2024, 3, 5, 14, 7, 33, 45);  // a Tuesday
    const std::pair<const char *, const char *> cases[] = {
        {"d", "5"}, {"dd", "05"}, {"ddd", "Tue"}, {"dddd", "Tuesday"},
        {"m", "3"}, {"mm", "03"}, {"mmm", "Mar"}, {"mmmm", "March"},
        {"yy", "24"}, {"yyyy", "2024"}, {"y", "24"}, {"yyy", "2024"},
        {"h", "14"}, {"hh", "14"}, {"n", "7"}, {"nn", "07"}, {"s", "33"}, {"ss", "33"},
        {"z", "45"}, {"zzz", "045"}, {"ddddd", "Tuesday5"},
        {"YYYY-MM-DD hh_mm_ss", "2024-03-05 14_07_33"},
        {"yyyy-mm-ddThh:nn", "2024-03-05T14:07"},
        {"[d]", "[5]"}, {"\"day\" d", "day 5"}, {"'d' d", "d 5"}, {"'unclosed d", "unclosed d"},
    };
    for (const auto &[format, expected] : cases)
        EXPECT_EQ(FormatDateTime(format, v, us), expected) << format;
    EXPECT_EQ(FormatDateTime("yyyy yy", *EncodeDate(1, 1, 1), us), "0001 01");
}

TEST(FormatDateTime, MAfterAnHourTokenIsMinutes)
{
    const RegionalSettings us = locale("en_US");
    const OleDate v = *EncodeDateTime(2024, 3, 5, 14, 7, 33);
    EXPECT_EQ(FormatDateTime("h:m", v, us), "14:7");
    EXPECT_EQ(FormatDateTime("hh:mm:ss", v, us), "14:07:33");
    EXPECT_EQ(FormatDateTime("hh'h'mm", v, us), "14h07");
    EXPECT_EQ(FormatDateTime("hh:nn dd/mm", v, us), "14:07 05/03");
    EXPECT_EQ(FormatDateTime("mm hh", v, us), "03 14");
    EXPECT_EQ(FormatDateTime("hh mmm", v, us), "14 Mar");
}

TEST(FormatDateTime, DesignatorsAndTheTwelveHourClock)
{
    const RegionalSettings us = locale("en_US");
    const OleDate fiveAfterMidnight = *EncodeTime(0, 5, 0);
    EXPECT_EQ(FormatDateTime("hh:nn", fiveAfterMidnight, us), "00:05");
    EXPECT_EQ(FormatDateTime("hh:nn am/pm", fiveAfterMidnight, us), "12:05 am");
    EXPECT_EQ(FormatDateTime("hh:nn am/pm", *EncodeTime(12, 30, 0), us), "12:30 pm");
    EXPECT_EQ(FormatDateTime("hh:nn am/pm", *EncodeTime(13, 0, 0), us), "01:00 pm");
    EXPECT_EQ(FormatDateTime("h AM/PM", *EncodeTime(14, 0, 0), us), "2 PM");
    EXPECT_EQ(FormatDateTime("h Am/Pm", *EncodeTime(9, 0, 0), us), "9 Am");
    EXPECT_EQ(FormatDateTime("ha/p", *EncodeTime(23, 0, 0), us), "11p");
    EXPECT_EQ(FormatDateTime("hA/P", *EncodeTime(11, 0, 0), us), "11A");
    EXPECT_EQ(FormatDateTime("h ampm", *EncodeTime(23, 0, 0), us), "11 PM");
    EXPECT_EQ(FormatDateTime("h AMPM", *EncodeTime(1, 0, 0), locale("fi_FI")), "1 ap.");
    RegionalSettings noDesignators = us;
    noDesignators.amDesignator.clear();
    EXPECT_EQ(FormatDateTime("h:nn ampm", *EncodeTime(0, 5, 0), noDesignators), "12:05 ");
    // A quoted "am/pm" is text and leaves the clock at 24 hours.
    EXPECT_EQ(FormatDateTime("hh 'am/pm'", *EncodeTime(14, 0, 0), us), "14 am/pm");
    EXPECT_EQ(FormatDateTime("a b", 0, us), "a b");
}

TEST(FormatDateTime, SeparatorsComeFromTheRegionalSettings)
{
    const OleDate v = *EncodeDateTime(2024, 3, 5, 14, 7, 33);
    const RegionalSettings fi = locale("fi_FI");
    EXPECT_EQ(FormatDateTime(fi.shortDateFormat, v, fi), "5.3.2024");
    EXPECT_EQ(FormatDateTime("hh:nn", v, fi), "14.07");
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", v, locale("de_DE")), "05.03.2024 14:07");
    // A hand-made "." separator behaves the same for a locale whose Qt data has ":".
    RegionalSettings dotted = locale("de_DE");
    dotted.timeSeparator = u'.';
    EXPECT_EQ(FormatDateTime("hh:nn:ss", v, dotted), "14.07.33");
    // The zero value shows the first day of the count.
    EXPECT_EQ(FormatDateTime(fi.shortDateFormat, 0, fi), "30.12.1899");
    EXPECT_EQ(FormatDateTime("hh:nn", 0, fi), "00.00");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -1.25, fi), "1899-12-29 06.00");
    // Missing name lists fall back to the C locale's names.
    EXPECT_EQ(FormatDateTime("mmm dddd", v, RegionalSettings{}), "Mar Tuesday");
}

TEST(FormatDateTime, LogTimeStampLeavesOutMidnight)
{
    const OleDate v = *EncodeDateTime(2026, 12, 8, 11, 56, 14);
    EXPECT_EQ(FormatDateTime("c", v, windowsUnitedStates()), "12/8/2026 11:56:14 AM");
    EXPECT_EQ(FormatDateTime("c", v, locale("en_US")), "12/8/2026 11:56:14 AM");
    EXPECT_EQ(FormatDateTime("c", v, locale("fi_FI")), "8.12.2026 11.56.14");
    EXPECT_EQ(FormatDateTime("c", DatePart(v), windowsUnitedStates()), "12/8/2026");
    EXPECT_EQ(FormatDateTime("c", DatePart(v) + 1.0 / 86400000.0, windowsUnitedStates()),
              "12/8/2026 12:00:00 AM");
    EXPECT_EQ(FormatDateTime("c:", v, windowsUnitedStates()), "12/8/2026 11:56:14 AM:");
    // A short date format naming "c" itself does not recurse.
    RegionalSettings looping = windowsUnitedStates();
    looping.shortDateFormat = QStringLiteral("c d");
    EXPECT_EQ(FormatDateTime("c", DatePart(v), looping), " 8");
}

TEST(TryParseTime, ReadsHoursMinutesSecondsAndDesignators)
{
    const RegionalSettings us = locale("en_US");
    auto parsed = [&us](const char *text) { return TryParseTime(QString::fromUtf8(text), us); };
    EXPECT_EQ(parsed("14:07"), EncodeTime(14, 7, 0));
    EXPECT_EQ(parsed("14:07:33"), EncodeTime(14, 7, 33));
    EXPECT_EQ(parsed("  9:5:3  "), EncodeTime(9, 5, 3));
    EXPECT_EQ(parsed("2:07 PM"), EncodeTime(14, 7, 0));
    EXPECT_EQ(parsed("2:07pm"), EncodeTime(14, 7, 0));
    EXPECT_EQ(parsed("12:00 AM"), EncodeTime(0, 0, 0));
    EXPECT_EQ(parsed("12:00 pm"), EncodeTime(12, 0, 0));
    EXPECT_EQ(parsed("AM 9:05"), EncodeTime(9, 5, 0));
    EXPECT_EQ(parsed("00:00"), EncodeTime(0, 0, 0));
    EXPECT_EQ(parsed("23:59:59"), EncodeTime(23, 59, 59));
}

TEST(TryParseTime, RefusesWhatIsNotATime)
{
    const RegionalSettings us = locale("en_US");
    for (const char *text : {"", "   ", "14", "14:", "14:07:", ":07", "24:00", "23:60",
                             "23:59:60", "13:00 PM", "0:30 AM", "014:07", "14:007", "14-07",
                             "14:07x", "14:07 XM", "1:2:3:4", "AM 9:05 PM", "-1:00",
                             "\xEF\xBC\x91\xEF\xBC\x94:07" /* full-width digits */}) {
        EXPECT_FALSE(TryParseTime(QString::fromUtf8(text), us)) << text;
    }
    EXPECT_FALSE(TryParseTime(QString(100000, u'9'), us));
}

TEST(TryParseTime, LocaleSeparatorAndDesignators)
{
    const RegionalSettings fi = locale("fi_FI");
    EXPECT_EQ(TryParseTime("14.07", fi), EncodeTime(14, 7, 0));
    EXPECT_EQ(TryParseTime("14.07.33", fi), EncodeTime(14, 7, 33));
    EXPECT_EQ(TryParseTime("2.07 ip.", fi), EncodeTime(14, 7, 0));
    EXPECT_EQ(TryParseTime("2.07 PM", fi), EncodeTime(14, 7, 0));
    // Devices write ":" whatever the locale; one time must not mix the two.
    EXPECT_EQ(TryParseTime("03:04", fi), EncodeTime(3, 4, 0));
    EXPECT_FALSE(TryParseTime("14.07:33", fi));
    EXPECT_FALSE(TryParseTime("14.07", locale("de_DE")));
}
