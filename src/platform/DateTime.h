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
//   yy yyyy         two- and four-digit year (a lone y counts as yy, yyy as yyyy)
//   h hh            hour (24-hour clock, or 12-hour 1..12 when an am/pm, a/p or ampm token
//                   stands anywhere outside quotes in the format)
//   n nn            minute;  s ss  second;  z zzz  millisecond (z without leading zeros)
//   am/pm a/p ampm  designators (am/pm and a/p keep the case written, so "AM/PM" gives "PM"
//                   and "a/p" gives "p"; ampm gives the locale's designator, maybe empty)
//   /  :            the date and the time separator of the regional settings
//   "..." '...'     literal text (an unclosed quote runs to the end); any other character,
//                   letters included, is copied
//   c               short date, then a blank and the long time unless the time is exactly
//                   midnight (the form of the log's time stamp)
// A longer run of one letter is read as the longest token and then the rest (ddddd = dddd d).

#include "platform/RegionalSettings.h"

#include <QDateTime>
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

// Calendar date and time of day of a value (rounded to the nearest millisecond, so
// 23:59:59.9996 is midnight of the next day). Values outside the years 1..9999 decode on the
// same calendar (extended backwards and forwards); NaN and infinities decode as 0.
DateParts DecodeDate(OleDate value);
TimeParts DecodeTime(OleDate value);

// The whole-day part of a value (cut toward zero) and its time of day (a fraction 0 <= t < 1,
// forwards also for negative values: TimeOfDay(-1.25) is 0.25).
OleDate DatePart(OleDate value);
OleDate TimeOfDay(OleDate value);
// The value holding the day of date and the time of day of time. Use this, not date + time:
// before 1899-12-30 the sum would count the time backwards (-1 + 0.25 is 1899-12-30 18:00).
OleDate CombineDateTime(OleDate date, OleDate time);
// EncodeDate and EncodeTime together; nullopt when either part is invalid.
std::optional<OleDate> EncodeDateTime(int year, int month, int day, int hour, int minute,
                                      int second, int millisecond = 0);
// 1 for Sunday .. 7 for Saturday.
int DayOfWeek(OleDate value);

// The local date and time now.
OleDate Now();
// The local date and time of dateTime (to the millisecond); 0 for an invalid QDateTime.
OleDate FromQDateTime(const QDateTime &dateTime);
// A local QDateTime (a time that the clock skips at a daylight-saving change moves as Qt
// moves it).
QDateTime ToQDateTime(OleDate value);

// Formats value with the tokens above under the given regional settings.
QString FormatDateTime(const QString &format, OleDate value,
                       const RegionalSettings &settings = CurrentRegionalSettings());

// Reads a time of day as typed under the regional settings: hours, the time separator,
// minutes, optionally the separator and seconds, optionally blanks and an AM/PM designator
// (the locale's or "AM"/"PM", any case). Surrounding blanks are allowed. nullopt when the text
// is not such a time or a part is out of range; never throws.
// Hours, minutes and seconds have one or two ASCII digits. Without a designator hours are
// 0..23; with one they are 1..12 (12 AM is 00, 12 PM is 12). The designator may also stand
// first, as some locales write it ("AM 9:05"). ":" is always accepted as the separator besides
// the locale's, since clocks and devices write times with ":" whatever the PC's locale says;
// both separators of one time must be the same character.
std::optional<OleDate> TryParseTime(const QString &text,
                                    const RegionalSettings &settings = CurrentRegionalSettings());

} // namespace platform
