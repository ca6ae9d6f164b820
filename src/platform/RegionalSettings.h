#pragma once
// The user's regional settings, taken from a QLocale (QLocale::system() unless a test injects
// one), in the shape the program's formatting routines use.
//
// Date formats use the program's date tokens (see DateTime.h): "m/d/yy", "dd/mm/yyyy",
// "d mmm yyyy" ... where "/" stands for dateSeparator. Time formats use h, hh, nn, ss and
// "am/pm", where ":" stands for timeSeparator.

#include <QLocale>
#include <QString>

namespace platform {

struct RegionalSettings
{
    QString shortDateFormat;   // program tokens, e.g. "m/d/yy" (en_US), "d/m/yyyy" (fi_FI)
    QString longDateFormat;    // program tokens, e.g. "dddd, mmmm d, yyyy"
    QString shortTimeFormat;   // program tokens, e.g. "h:nn am/pm" (en_US), "hh:nn" (de_DE)
    QString longTimeFormat;    // program tokens, e.g. "h:nn:ss am/pm", "hh:nn:ss"
    QChar dateSeparator;       // "/" en_US, "." de_DE and fi_FI
    QChar timeSeparator;       // ":" en_US and de_DE, "." fi_FI
    QChar decimalSeparator;    // "." en_US, "," de_DE and fi_FI
    QString listSeparator;     // ";" when the decimal separator is ",", else ","
    QString amDesignator;      // "AM" en_US; may be empty
    QString pmDesignator;      // "PM" en_US; may be empty
    QStringList shortMonthNames;  // 12 entries, January first
    QStringList longMonthNames;
    QStringList shortDayNames;    // 7 entries, Sunday first
    QStringList longDayNames;

    static RegionalSettings FromLocale(const QLocale &locale);
};

// Turns a Qt date/time format ("M/d/yy", "d MMM yyyy", "HH:mm:ss AP") into the program's
// tokens. Date and time separators found in the format become "/" and ":".
QString ConvertQtDateFormat(const QString &qtFormat, QChar dateSeparator);
QString ConvertQtTimeFormat(const QString &qtFormat, QChar timeSeparator);

// The settings in force: from QLocale::system() at first use, or the injected locale.
// GUI thread (read-mostly; tests change it only while no other thread formats dates).
const RegionalSettings &CurrentRegionalSettings();
// Tests and the program's start-up: use this locale's settings from now on.
void SetRegionalLocale(const QLocale &locale);
// Returns to QLocale::system().
void ResetRegionalLocale();

} // namespace platform
