#pragma once
// The display texts of a stored result: the date and time formats of the data module and the
// view's four calculated columns. GUI thread (the texts follow the current language and the
// regional settings at the moment they are computed).

#include "platform/DateTime.h"

#include <QString>

#include <optional>

// The short date format of the regional settings when the data module was created (program
// date tokens, see platform/DateTime.h); the status-bar clock reads it too.
extern QString DateFormatStr;
// "24 Hours"; set with DateFormatStr and read by nobody else.
extern QString TimeFormatStr;

// "hh:nn" when formatName is exactly "24 Hours" (same characters, same case), otherwise
// "hh:nn am/pm"; ":" is the regional time separator.
QString GetTimeStrAccordingFormat(const QString &formatName, platform::OleDate time);
// The date formatted with the given pattern.
QString GetDateStrAccordingFormat(const QString &datePattern, platform::OleDate date);

// The view's calculated columns of one row.
struct CalculatedFields
{
    QString fDate_C;
    QString fTime_C;
    QString fHB_C;
    QString fHCT_C;
};

// Whole-day part of an OLE date, cut toward zero; the time-of-day part is the rest.
platform::OleDate WholeDayPart(platform::OleDate value);
platform::OleDate TimeOfDayPart(platform::OleDate value);

// fDate_C: the whole-day part of fDateTime (empty reads as 0) in DateFormatStr.
QString CalcDateText(std::optional<platform::OleDate> dateTime);
// fTime_C: the time-of-day part as "hh:nn" on a 24-hour clock.
QString CalcTimeText(std::optional<platform::OleDate> dateTime);
// fHB_C: the flag directly followed by the translated value (a word the language knows is
// shown in the current language; a number passes through).
QString CalcHBText(const QString &flag, const QString &value);
// fHCT_C: the flag directly followed by the value, not translated.
QString CalcHCTText(const QString &flag, const QString &value);

// All four for one row: the view's calculation handler.
CalculatedFields qryResultLogCalcFields(std::optional<platform::OleDate> dateTime,
                                        const QString &hbFlag, const QString &hb,
                                        const QString &hctFlag, const QString &hct);
