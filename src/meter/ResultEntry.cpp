#include "meter/ResultEntry.h"

#include "meter/ResultDecoding.h"
#include "platform/ParseInteger.h"
#include "shell/TextRoutines.h"

namespace {

// The number of a date place or of the ID line; blanks may stand before it.
int IntegerOr(const QString &text, int fallback)
{
    return platform::ParseInteger(text, {.leadingBlanks = true}).value_or(fallback);
}

} // namespace

bool DatePassesCheck(const QString &sDate)
{
    return sDate.size() >= 10 && IsNumeric(sDate.mid(0, 4)) && IsNumeric(sDate.mid(5, 2))
           && IsNumeric(sDate.mid(8, 2));
}

platform::OleDate DecodeEntryDate(const QString &sDate)
{
    const int year = IntegerOr(sDate.mid(0, 4), 2010);
    const int month = IntegerOr(sDate.mid(5, 2), 12);
    const int day = IntegerOr(sDate.mid(8, 2), 1);
    return platform::EncodeDate(year, month, day).value_or(0.0);
}

ResultEntry DecodeResultEntry(const QString &sDate, const QString &sTime, const QString &sID, const QString &sHB,
                              const QString &sHCT)
{
    ResultEntry entry;
    QString flag;
    QString number;
    QString unit;
    if (!sID.isEmpty()) {
        SplitValue(sID, QStringLiteral("ID:"), flag, number, unit);
        entry.recID = QString::number(IntegerOr(number, 0));
    }
    entry.dateTimeText = sDate + QStringLiteral(" ") + sTime;

    if (DatePassesCheck(sDate)) {
        const platform::OleDate date = DecodeEntryDate(sDate);
        const std::optional<platform::OleDate> time = platform::TryParseTime(sTime);
        entry.dateTime = time ? platform::CombineDateTime(date, *time) : date;
    }

    entry.hbText = sHB;
    entry.hctText = sHCT;

    SplitValue(sHB, QStringLiteral("HB:"), entry.hbFlag, entry.hb, entry.hbUnit);

    SplitValue(sHCT, QStringLiteral("HCT:"), flag, number, unit);
    if (!number.isEmpty()) {
        entry.hct = number;
        entry.hctUnit = unit;
        entry.hctFlag = flag;
    } else {
        entry.hctUnit = flag;
    }
    return entry;
}
