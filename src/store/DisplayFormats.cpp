#include "store/DisplayFormats.h"

#include "i18n/TranslateText.h"

#include <cmath>

QString DateFormatStr;
QString TimeFormatStr;

namespace {
const QString k24Hours = QStringLiteral("24 Hours");
}

QString GetTimeStrAccordingFormat(const QString &formatName, platform::OleDate time)
{
    if (formatName == k24Hours)
        return platform::FormatDateTime(QStringLiteral("hh:nn"), time);
    return platform::FormatDateTime(QStringLiteral("hh:nn am/pm"), time);
}

QString GetDateStrAccordingFormat(const QString &datePattern, platform::OleDate date)
{
    return platform::FormatDateTime(datePattern, date);
}

platform::OleDate WholeDayPart(platform::OleDate value)
{
    return std::trunc(value);
}

platform::OleDate TimeOfDayPart(platform::OleDate value)
{
    return value - std::trunc(value);
}

QString CalcDateText(std::optional<platform::OleDate> dateTime)
{
    return GetDateStrAccordingFormat(DateFormatStr, WholeDayPart(dateTime.value_or(0.0)));
}

QString CalcTimeText(std::optional<platform::OleDate> dateTime)
{
    return GetTimeStrAccordingFormat(k24Hours, TimeOfDayPart(dateTime.value_or(0.0)));
}

QString CalcHBText(const QString &flag, const QString &value)
{
    return flag + TranslateText(value);
}

QString CalcHCTText(const QString &flag, const QString &value)
{
    return flag + value;
}

CalculatedFields qryResultLogCalcFields(std::optional<platform::OleDate> dateTime,
                                        const QString &hbFlag, const QString &hb,
                                        const QString &hctFlag, const QString &hct)
{
    return CalculatedFields{CalcDateText(dateTime), CalcTimeText(dateTime), CalcHBText(hbFlag, hb),
                            CalcHCTText(hctFlag, hct)};
}
