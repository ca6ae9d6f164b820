// Decoding one received entry into the columns of a result row: which entries are stored, the
// date and time they carry, the test number and the value lines.
#include "meter/ResultEntry.h"

#include "platform/RegionalSettings.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <optional>

namespace {

class ResultEntryTest : public ::testing::Test
{
protected:
    void SetUp() override { platform::SetRegionalLocale(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { platform::ResetRegionalLocale(); }
};

ResultEntry Decode(const QString &date, const QString &time, const QString &id = QStringLiteral("ID: 1"),
                   const QString &hb = QStringLiteral("HB: 12g/dL"), const QString &hct = QStringLiteral("HCT: 40%"))
{
    return DecodeResultEntry(date, time, id, hb, hct);
}

} // namespace

TEST_F(ResultEntryTest, DateCheckDefaultsAndImpossibleDates)
{
    const double quarterPastTen = *platform::EncodeTime(10, 15, 0);
    const auto at = [](int y, int m, int d) { return *platform::EncodeDateTime(y, m, d, 10, 15, 0); };
    struct Case
    {
        const char *date;
        std::optional<double> dateTime;   // none: not stored
    };
    const Case cases[] = {
        {"2020-1-2", std::nullopt},        // too short
        {"20x0-01-02", std::nullopt},      // year not numeric
        {"2024-1x-02", std::nullopt},      // month not numeric
        {"2024-01-0x", std::nullopt},      // day not numeric
        {"", std::nullopt},
        {"2020-02-30", quarterPastTen},    // passes, no such day: the zero date
        {"2020-13-01", quarterPastTen},    // passes, no such month
        {"2024-06--5", quarterPastTen},    // a negative day
        {"2024/02/29", at(2024, 2, 29)},   // any separators
        {"2024-01-02 ", at(2024, 1, 2)},   // longer is fine
        {"20.5-06-15", at(2010, 6, 15)},   // numeric but not an integer: the defaults
        {"2024-.5-15", at(2024, 12, 15)},
        {"2024-06-.5", at(2024, 6, 1)},
        {"2024-06- 5", at(2024, 6, 5)},    // blanks before a number are read over
    };
    for (const Case &c : cases) {
        const ResultEntry entry = Decode(c.date, "10:15");
        EXPECT_EQ(entry.dateTime, c.dateTime) << c.date;
        EXPECT_EQ(entry.dateTimeText, QString::fromLatin1(c.date) + " 10:15") << c.date;
    }
}

TEST_F(ResultEntryTest, TimesThatDoNotReadGiveMidnight)
{
    const double day = *platform::EncodeDate(2024, 6, 1);
    const auto at = [](int h, int m, int s) { return *platform::EncodeDateTime(2024, 6, 1, h, m, s); };
    const std::pair<const char *, double> cases[] = {
        {"25:61", day}, {"noon", day}, {"", day}, {"14:7:99", day}, {"12:00 AM", day},
        {"9:05 PM", at(21, 5, 0)}, {"7:30:15", at(7, 30, 15)}, {"23:59:30", at(23, 59, 30)},
    };
    for (const auto &[time, expected] : cases)
        EXPECT_EQ(Decode("2024-06-01", time).dateTime, expected) << time;
}

TEST_F(ResultEntryTest, TestNumberIsTheIntegerOfTheIdLineOrZero)
{
    const std::pair<const char *, const char *> cases[] = {
        {"ID:0007", "7"}, {"ID: 12", "12"}, {"ID:A", "0"}, {"ID: 1.5", "0"},
        {"ID: 99999999999", "0"}, {"ID: 2147483647", "2147483647"}, {"ID: 0x1F", "0"}, {"7", "7"},
    };
    for (const auto &[id, expected] : cases)
        EXPECT_EQ(Decode("2024-06-01", "10:15", id).recID, std::optional<QString>(expected)) << id;
    EXPECT_EQ(Decode("2024-06-01", "10:15", "").recID, std::nullopt);
}

TEST_F(ResultEntryTest, ValueLinesGoToNumberUnitAndFlag)
{
    struct Case
    {
        const char *hb, *hct;
        const char *hbColumns[3];    // fHB, fHB_Unit, fHB_Flag
        const char *hctColumns[3];   // fHCT, fHCT_Unit, fHCT_Flag
    };
    const Case cases[] = {
        {"HB:  ab12.5cd", "HCT: 45 zz--", {"12.5", "cd", "ab"}, {"45", " zz", ""}},
        {"HB: L 8.1mmol/L", "HCT:H38.2%", {"8.1", "mmol/L", "L "}, {"38.2", "%", "H"}},
        // No number: HB keeps the text as its flag, HCT moves it to the unit.
        {"HB: --", "HCT: --", {"", "", "--"}, {"", "--", ""}},
        {"HB:", "HCT:   ", {"", "", ""}, {"", "", ""}},
        // Without its label the whole text is the number.
        {"12.5", "40", {"12.5", "", ""}, {"40", "", ""}},
        {"HB: 1.2.3", "HCT: 1.2.3%", {"1.2.3", "", ""}, {"1.2.3", "%", ""}},
    };
    for (const Case &c : cases) {
        const ResultEntry e = Decode("2024-06-01", "10:15", "ID: 1", c.hb, c.hct);
        EXPECT_EQ(e.hbText, c.hb);
        EXPECT_EQ(e.hctText, c.hct);
        EXPECT_EQ((QStringList{e.hb, e.hbUnit, e.hbFlag}),
                  (QStringList{c.hbColumns[0], c.hbColumns[1], c.hbColumns[2]})) << c.hb;
        EXPECT_EQ((QStringList{e.hct, e.hctUnit, e.hctFlag}),
                  (QStringList{c.hctColumns[0], c.hctColumns[1], c.hctColumns[2]})) << c.hct;
    }
}

TEST_F(ResultEntryTest, CommaLocaleWritesNumbersWithItsSeparatorOnlyWhenTheyReadAsNumbers)
{
    platform::SetRegionalLocale(QLocale(QLocale::German, QLocale::Germany));
    const ResultEntry read = Decode("2024-03-05", "14:07", "ID: 1", "HB: 12.5g/dL", "HCT: L 38.2%");
    EXPECT_EQ(read.hb, "12,5");
    EXPECT_EQ(read.hct, "38,2");
    EXPECT_EQ(read.hctFlag, "L ");
    // The time still reads with ":" under a locale that may write another separator.
    EXPECT_EQ(read.dateTime, platform::EncodeDateTime(2024, 3, 5, 14, 7, 0));

    const ResultEntry kept = Decode("2024-03-05", "14:07", "ID: 2", "12.5", "HCT: 1.2.3%");
    EXPECT_EQ(kept.hb, "12.5");
    EXPECT_EQ(kept.hct, "1.2.3");
}
