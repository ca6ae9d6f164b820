#include "platform/DateTime.h"
#include "platform/RegionalSettings.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <atomic>
#include <thread>
#include <vector>

using namespace platform;

namespace {

class RegionalSettingsTest : public ::testing::Test
{
protected:
    void TearDown() override { ResetRegionalLocale(); }
};

} // namespace

TEST(RegionalSettingsFromLocale, UnitedStates)
{
    const RegionalSettings s = RegionalSettings::FromLocale(QLocale(QStringLiteral("en_US")));
    EXPECT_EQ(s.shortDateFormat, "m/d/yyyy");
    EXPECT_EQ(s.longDateFormat, "dddd, mmmm d, yyyy");
    EXPECT_EQ(s.shortTimeFormat, "h:nn ampm");
    EXPECT_EQ(s.longTimeFormat, "h:nn:ss ampm");
    EXPECT_EQ(s.dateSeparator, u'/');
    EXPECT_EQ(s.timeSeparator, u':');
    EXPECT_EQ(s.decimalSeparator, u'.');
    EXPECT_EQ(s.listSeparator, ",");
    EXPECT_EQ(s.amDesignator, "AM");
    EXPECT_EQ(s.pmDesignator, "PM");
    ASSERT_EQ(s.longMonthNames.size(), 12);
    ASSERT_EQ(s.shortDayNames.size(), 7);
    EXPECT_EQ(s.longMonthNames.first(), "January");
    EXPECT_EQ(s.shortMonthNames.last(), "Dec");
    EXPECT_EQ(s.shortDayNames.first(), "Sun");
    EXPECT_EQ(s.longDayNames.last(), "Saturday");
}

TEST(RegionalSettingsFromLocale, GermanAndFinnishUseCommaDecimalsAndSemicolonLists)
{
    const RegionalSettings de = RegionalSettings::FromLocale(QLocale(QStringLiteral("de_DE")));
    EXPECT_EQ(de.shortDateFormat, "dd/mm/yyyy");
    EXPECT_EQ(de.shortTimeFormat, "hh:nn");
    EXPECT_EQ(de.longTimeFormat, "hh:nn:ss");
    EXPECT_EQ(de.dateSeparator, u'.');
    EXPECT_EQ(de.timeSeparator, u':');
    EXPECT_EQ(de.decimalSeparator, u',');
    EXPECT_EQ(de.listSeparator, ";");
    EXPECT_EQ(de.longDayNames.first(), "Sonntag");

    // Qt 6.4 writes Finnish times as "H.mm": the time separator really is ".".
    const RegionalSettings fi = RegionalSettings::FromLocale(QLocale(QStringLiteral("fi_FI")));
    EXPECT_EQ(fi.shortDateFormat, "d/m/yyyy");
    EXPECT_EQ(fi.shortTimeFormat, "h:nn");
    EXPECT_EQ(fi.dateSeparator, u'.');
    EXPECT_EQ(fi.timeSeparator, u'.');
    EXPECT_EQ(fi.listSeparator, ";");
    EXPECT_EQ(fi.amDesignator, "ap.");
    EXPECT_EQ(fi.longMonthNames.first(), "tammikuuta");  // the form used inside a date
}

// The short date of each language's region as the desktop writes it: the locale's order,
// separators and padding, and always a four-digit year (Qt's data has two digits for some).
TEST(RegionalSettingsFromLocale, ShortDateOfEveryLanguageRegionHasAFourDigitYear)
{
    const struct
    {
        const char *locale, *format, *march5, *zero;
    } regions[] = {
        {"en_US", "m/d/yyyy", "3/5/2024", "12/30/1899"},
        {"de_DE", "dd/mm/yyyy", "05.03.2024", "30.12.1899"},
        {"es_ES", "d/m/yyyy", "5/3/2024", "30/12/1899"},
        {"it_IT", "dd/mm/yyyy", "05/03/2024", "30/12/1899"},
        {"pt_PT", "dd/mm/yyyy", "05/03/2024", "30/12/1899"},
        {"fr_FR", "dd/mm/yyyy", "05/03/2024", "30/12/1899"},
        {"fi_FI", "d/m/yyyy", "5.3.2024", "30.12.1899"},
        {"pl_PL", "d/mm/yyyy", "5.03.2024", "30.12.1899"},
        {"nl_NL", "dd/mm/yyyy", "05-03-2024", "30-12-1899"},
        {"sv_SE", "yyyy/mm/dd", "2024-03-05", "1899-12-30"},
    };
    for (const auto &region : regions) {
        const RegionalSettings s = RegionalSettings::FromLocale(QLocale(QString::fromLatin1(region.locale)));
        EXPECT_EQ(s.shortDateFormat, region.format) << region.locale;
        EXPECT_EQ(FormatDateTime(s.shortDateFormat, *EncodeDate(2024, 3, 5), s), region.march5) << region.locale;
        EXPECT_EQ(FormatDateTime(s.shortDateFormat, 0, s), region.zero) << region.locale;
        // The log's time stamp takes the same short date.
        EXPECT_TRUE(FormatDateTime("c", *EncodeDateTime(2024, 3, 5, 9, 1, 2), s).startsWith(region.march5))
            << region.locale;
    }
}

TEST(RegionalSettingsFromLocale, CLocaleWithoutDateSeparatorFallsBackToSlash)
{
    const RegionalSettings c = RegionalSettings::FromLocale(QLocale::c());
    EXPECT_EQ(c.shortDateFormat, "d mmm yyyy");
    EXPECT_EQ(c.longTimeFormat, "hh:nn:ss");
    EXPECT_EQ(c.dateSeparator, u'/');
    EXPECT_EQ(c.timeSeparator, u':');
    // A default-constructed value agrees with the C locale on everything but the names.
    RegionalSettings withoutNames = c;
    withoutNames.shortMonthNames.clear();
    withoutNames.longMonthNames.clear();
    withoutNames.shortDayNames.clear();
    withoutNames.longDayNames.clear();
    EXPECT_EQ(withoutNames, RegionalSettings{});
}

TEST(ConvertQtFormat, EveryQtFieldBecomesAProgramToken)
{
    EXPECT_EQ(ConvertQtDateFormat("d dd ddd dddd M MM MMM MMMM yy yyyy", u'/'),
              "d dd ddd dddd m mm mmm mmmm yy yyyy");
    EXPECT_EQ(ConvertQtTimeFormat("h hh H HH m mm s ss z zzz", u':'),
              "h hh h hh n nn s ss zzz zzz");
    EXPECT_EQ(ConvertQtTimeFormat("AP ap Ap aP A a", u':'), "ampm ampm ampm ampm ampm ampm");
    // Runs longer than a field split as Qt splits them (and as the program reads them back);
    // a y that is not part of yy or yyyy is text to Qt.
    EXPECT_EQ(ConvertQtDateFormat("ddddd yyy y", u'/'), "ddddd yy\"y\" \"y\"");
}

TEST(ConvertQtFormat, SeparatorsBecomeSlashAndColonOnlyWhereUnquoted)
{
    EXPECT_EQ(ConvertQtDateFormat("dd.MM.yyyy", u'.'), "dd/mm/yyyy");
    EXPECT_EQ(ConvertQtDateFormat("d'.'M.yy", u'.'), "d.m/yy");
    EXPECT_EQ(ConvertQtTimeFormat("H.mm.ss", u'.'), "h:nn:ss");
    // A "/" or ":" that is not the separator would turn into one if left unquoted.
    EXPECT_EQ(ConvertQtDateFormat("dd.MM/yy", u'.'), "dd/mm\"/\"yy");
    EXPECT_EQ(ConvertQtTimeFormat("H:mm", u'.'), "h\":\"nn");
}

TEST(ConvertQtFormat, LiteralTextStaysLiteral)
{
    EXPECT_EQ(ConvertQtTimeFormat("HH 'h' mm", u':'), "hh \"h\" nn");
    EXPECT_EQ(ConvertQtDateFormat("dddd, d 'de' MMMM", u'/'), "dddd, d \"de\" mmmm");
    EXPECT_EQ(ConvertQtDateFormat("'it''s' d", u'/'), "\"it's\" d");
    EXPECT_EQ(ConvertQtDateFormat("d''M", u'/'), "d\"'\"m");
    EXPECT_EQ(ConvertQtDateFormat("'say \"x\"' d", u'/'), "\"say\" '\"x\"' d");
    EXPECT_EQ(ConvertQtDateFormat("'unclosed d", u'/'), "\"unclosed\" \"d\"");
    EXPECT_EQ(ConvertQtTimeFormat("Bh:mm", u':'), "\"B\"h:nn");
    // Thai vowel signs are marks, not letters: they stay inside the quoted word.
    EXPECT_EQ(ConvertQtTimeFormat(QString::fromUtf8("ss วินาที"), u':'),
              QString::fromUtf8("ss \"วินาที\""));
}

TEST(ConvertQtFormat, TimeZoneIsLeftOutWithItsFraming)
{
    EXPECT_EQ(ConvertQtTimeFormat("h:mm:ss AP t", u':'), "h:nn:ss ampm");
    EXPECT_EQ(ConvertQtTimeFormat("H:mm:ss (t)", u':'), "h:nn:ss");
    EXPECT_EQ(ConvertQtTimeFormat("t HH:mm:ss", u':'), "hh:nn:ss");
    EXPECT_EQ(ConvertQtTimeFormat("Bh:mm:ss [t]", u':'), "\"B\"h:nn:ss");
    EXPECT_EQ(ConvertQtTimeFormat("HH:mm t ss", u':'), "hh:nn ss");
    EXPECT_EQ(ConvertQtTimeFormat(QString::fromUtf8("H นาฬิกา mm นาที t"), u':'),
              QString::fromUtf8("h \"นาฬิกา\" nn \"นาที\""));
}

// The converted formats must print what Qt prints with the original ones, except that the
// short date has a four-digit year where Qt's has two.
TEST(ConvertQtFormat, ConvertedFormatsPrintWhatQtPrints)
{
    const QDate dates[] = {QDate(2024, 3, 5), QDate(2005, 11, 23), QDate(1999, 1, 31),
                           QDate(2026, 12, 8)};
    const QTime times[] = {QTime(0, 5, 9), QTime(9, 7, 33), QTime(12, 0), QTime(23, 59, 59)};
    for (const char *name : {"C", "en_US", "de_DE", "fi_FI", "en_GB", "fr_FR", "fr_CA", "es_ES",
                             "ja_JP", "zh_CN", "ko_KR", "hu_HU", "lt_LT", "th_TH", "ru_RU",
                             "bg_BG", "pt_BR", "da_DK"}) {
        const QLocale locale{QString::fromLatin1(name)};
        const RegionalSettings s = RegionalSettings::FromLocale(locale);
        for (int i = 0; i < 4; ++i) {
            const OleDate value = CombineDateTime(
                *EncodeDate(dates[i].year(), dates[i].month(), dates[i].day()),
                *EncodeTime(times[i].hour(), times[i].minute(), times[i].second()));
            QString shortDate = locale.dateFormat(QLocale::ShortFormat);
            shortDate.replace(QRegularExpression(QStringLiteral("(?<!y)yy(?!y)")), QStringLiteral("yyyy"));
            EXPECT_EQ(FormatDateTime(s.shortDateFormat, value, s), locale.toString(dates[i], shortDate))
                << name;
            EXPECT_EQ(FormatDateTime(s.longDateFormat, value, s),
                      locale.toString(dates[i], QLocale::LongFormat)) << name;
            // Qt upper-cases the designator for "AP"; the program writes the locale's own.
            EXPECT_EQ(FormatDateTime(s.shortTimeFormat, value, s).toUpper(),
                      locale.toString(times[i], QLocale::ShortFormat).toUpper()) << name;
        }
    }
}

TEST_F(RegionalSettingsTest, InjectedLocaleIsInForceUntilReset)
{
    SetRegionalLocale(QLocale(QStringLiteral("de_DE")));
    EXPECT_EQ(CurrentRegionalSettings().decimalSeparator, u',');
    const OleDate value = *EncodeDateTime(2026, 12, 8, 11, 56, 14);
    EXPECT_EQ(FormatDateTime("c", value), "08.12.2026 11:56:14");

    RegionalSettings handMade;
    handMade.timeSeparator = u'#';
    SetRegionalSettings(handMade);
    EXPECT_EQ(FormatDateTime("hh:nn", value), "11#56");

    ResetRegionalLocale();
    EXPECT_EQ(CurrentRegionalSettings(), RegionalSettings::FromLocale(QLocale::system()));
}

TEST_F(RegionalSettingsTest, ReferenceHeldAcrossAChangeKeepsTheOldSettings)
{
    SetRegionalLocale(QLocale(QStringLiteral("fi_FI")));
    const RegionalSettings &finnish = CurrentRegionalSettings();
    SetRegionalLocale(QLocale(QStringLiteral("en_US")));
    EXPECT_EQ(finnish.timeSeparator, u'.');
    EXPECT_EQ(CurrentRegionalSettings().timeSeparator, u':');
    // Setting an equal locale again hands out the same stored settings.
    SetRegionalLocale(QLocale(QStringLiteral("fi_FI")));
    EXPECT_EQ(&CurrentRegionalSettings(), &finnish);
}

TEST_F(RegionalSettingsTest, ReadersOnOtherThreadsSeeWholeSettingsWhileTheyChange)
{
    const QLocale us(QStringLiteral("en_US"));
    const QLocale de(QStringLiteral("de_DE"));
    const OleDate value = *EncodeDateTime(2024, 3, 5, 14, 7, 0);
    SetRegionalLocale(us);
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 2; ++t) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                const QString text = FormatDateTime("c", value);
                if (text != "3/5/2024 2:07:00 PM" && text != "05.03.2024 14:07:00")
                    ++torn;
            }
        });
    }
    for (int i = 0; i < 2000; ++i)
        SetRegionalLocale(i % 2 ? us : de);
    stop = true;
    for (std::thread &reader : readers)
        reader.join();
    EXPECT_EQ(torn.load(), 0);
}
