#pragma once
// Date-time values as OLE Automation dates (the database stores them so): a double counting
// days since 1899-12-30 00:00, the fraction being the time of day. Negative values follow the
// OLE convention: the integer part counts days backwards, the fraction is still the time
// forwards, so -1.25 is 1899-12-29 06:00 and -0.5 is 1899-12-30 12:00.
//
// Format tokens of FormatDateTime (letters match without regard to case unless noted):
//   d dd ddd dddd   day, two-digit day, short day name, long day name
//   m mm mmm mmmm   month, two-digit month, short and long month name; m and mm directly
//                   after an h or hh token (literals between allowed) mean minutes instead
//   yy yyyy         two- and four-digit year
//   h hh            hour (24-hour clock, or 12-hour when an am/pm token is in the format)
//   n nn            minute;  s ss  second;  z zzz  millisecond
//   am/pm a/p ampm  designators (am/pm and a/p keep the case written; ampm uses the locale's)
//   /  :            the date and the time separator of the regional settings
//   "..." '...'     literal text; any other character is copied
//   c               short date, then the long time unless the time is exactly midnight

#include "platform/RegionalSettings.h"

#include <QString>

#include <optional>

namespace platform {

using OleDate = double;

inline constexpr int kMinYear = 1;
inline constexpr int kMaxYear = 9999;

bool IsLeapYear(int year);
// True for a real calendar day with year 1..9999.
bool IsValidDate(int year, int month, int day);
bool IsValidTime(int hour, int minute, int second, int millisecond = 0);

// Days since 1899-12-30; nullopt for an invalid date.
std::optional<OleDate> EncodeDate(int year, int month, int day);
// Fraction of a day; nullopt for an invalid time.
std::optional<OleDate> EncodeTime(int hour, int minute, int second, int millisecond = 0);

struct DateParts { int year = 1899; int month = 12; int day = 30; };
struct TimeParts { int hour = 0; int minute = 0; int second = 0; int millisecond = 0; };

// Calendar date and time of day of a value (rounded to the nearest millisecond).
DateParts DecodeDate(OleDate value);
TimeParts DecodeTime(OleDate value);

// The local date and time now.
OleDate Now();
OleDate FromQDateTime(const QDateTime &dateTime);
QDateTime ToQDateTime(OleDate value);

// Formats value with the tokens above under the given regional settings.
QString FormatDateTime(const QString &format, OleDate value,
                       const RegionalSettings &settings = CurrentRegionalSettings());

// Reads a time of day as typed under the regional settings: hours, the time separator,
// minutes, optionally the separator and seconds, optionally blanks and an AM/PM designator
// (the locale's or "AM"/"PM", any case). Surrounding blanks are allowed. nullopt when the text
// is not such a time or a part is out of range; never throws.
std::optional<OleDate> TryParseTime(const QString &text,
                                    const RegionalSettings &settings = CurrentRegionalSettings());

} // namespace platform
