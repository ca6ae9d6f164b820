#pragma once
// The user's regional settings, taken from a QLocale (QLocale::system() unless a test injects
// one), in the shape the program's formatting routines use.
//
// Date formats use the program's date tokens (see DateTime.h): "m/d/yyyy", "dd/mm/yyyy",
// "d mmm yyyy" ... where "/" stands for dateSeparator. Time formats use h, hh, nn, ss and
// "ampm" (the locale's AM/PM designators), where ":" stands for timeSeparator.

#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace platform {

struct RegionalSettings
{
    // A default-constructed value describes the C locale's separators and designators; its
    // name lists are empty, and formatting then falls back to the C locale's names.
    QString shortDateFormat = QStringLiteral("d mmm yyyy"); // e.g. "m/d/yyyy" (en_US), "d/m/yyyy" (fi_FI)
    QString longDateFormat = QStringLiteral("dddd, d mmmm yyyy"); // e.g. "dddd, mmmm d, yyyy"
    QString shortTimeFormat = QStringLiteral("hh:nn:ss"); // e.g. "h:nn ampm" (en_US), "hh:nn" (de_DE)
    QString longTimeFormat = QStringLiteral("hh:nn:ss");  // e.g. "h:nn:ss ampm", "hh:nn:ss"
    QChar dateSeparator = u'/';     // "/" en_US, "." de_DE and fi_FI
    QChar timeSeparator = u':';     // ":" en_US and de_DE, "." fi_FI
    QChar decimalSeparator = u'.';  // "." en_US, "," de_DE and fi_FI
    QString listSeparator = QStringLiteral(",");  // ";" when the decimal separator is ",", else ","
    QString amDesignator = QStringLiteral("AM");  // "AM" en_US, "ap." fi_FI; may be empty
    QString pmDesignator = QStringLiteral("PM");  // "PM" en_US, "ip." fi_FI; may be empty
    QStringList shortMonthNames;  // 12 entries, January first
    QStringList longMonthNames;
    QStringList shortDayNames;    // 7 entries, Sunday first
    QStringList longDayNames;

    // The short date always writes the year with four digits: where the locale's short format
    // has a two-digit year (en_US "M/d/yy", de_DE "dd.MM.yy") it is widened, and the rest of
    // the format (order, separators, padding of day and month) is kept as the locale has it.
    // Every date the program shows or writes (grid, exports, log, clock) comes from here.
    // Month and day names are the forms the locale uses inside a formatted date (Finnish
    // "tammikuuta", not the stand-alone "tammikuu"), since that is where they appear.
    // The date separator is the first punctuation between two fields of the locale's short
    // date format ("/" when it has none, as "d MMM yyyy" of the C locale); the time separator
    // likewise from the short time format (":" when it has none).
    static RegionalSettings FromLocale(const QLocale &locale);

    bool operator==(const RegionalSettings &other) const = default;
};

// Turns a Qt date/time format ("M/d/yy", "d MMM yyyy", "HH:mm:ss AP") into the program's
// tokens. Every Qt field is understood: d dd ddd dddd, M MM MMM MMMM, yy yyyy, h hh H HH
// (both become h/hh: the program's hour is 12-hour exactly when a designator is present),
// m mm, s ss, z zzz (both become zzz, the three-digit millisecond; Qt's "z" is a fraction),
// AP ap Ap aP A a (all become "ampm", the locale's designator as the locale writes it), and
// quoted text '...' with '' for a quote. The time zone "t" has no program token and is left
// out together with the blanks and brackets that framed it ("h:mm:ss AP t" gives
// "h:nn:ss ampm", "H:mm:ss (t)" gives "h:nn:ss"). The separator character, where it stands
// unquoted, becomes "/" (date) or ":" (time); literal letters and the characters / : " ' are
// quoted so that they stay literal.
QString ConvertQtDateFormat(const QString &qtFormat, QChar dateSeparator);
QString ConvertQtTimeFormat(const QString &qtFormat, QChar timeSeparator);

// The settings in force: from QLocale::system() at first use, or the injected locale or
// settings. Any thread may read them. The returned reference stays valid for the rest of the
// process (settings that were once in force are kept), so a reader holding it while a test
// injects other settings goes on with the old ones.
const RegionalSettings &CurrentRegionalSettings();
// Tests and the program's start-up: use this locale's settings from now on.
void SetRegionalLocale(const QLocale &locale);
// Tests: use these hand-made settings from now on.
void SetRegionalSettings(const RegionalSettings &settings);
// Returns to QLocale::system() (read again at the next use).
void ResetRegionalLocale();

} // namespace platform
