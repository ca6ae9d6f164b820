#pragma once
// ResultEntry: what one received result puts into the columns of a new result_log row,
// decided from the five texts of a parsed entry (MeterRecordQuery.h). It knows nothing of
// the result view; the main window appends the row and sets the columns from it.

#include "platform/DateTime.h"

#include <QString>

#include <optional>

struct ResultEntry
{
    // fRecID as decimal text: the number of the "ID:" line, 0 when that is not a 32-bit
    // integer; none when the ID text is empty (the column stays unset).
    std::optional<QString> recID;
    // fDateTime_Txt: date and time as received.
    QString dateTimeText;
    // fDateTime: the decoded date plus the time of day (00:00 when the time does not read);
    // none when the date fails the check, and then the entry is not stored at all.
    std::optional<platform::OleDate> dateTime;
    // fHB_Txt, fHCT_Txt: the value lines as received.
    QString hbText;
    QString hctText;
    // fHB, fHB_Unit, fHB_Flag: the HB line cut by SplitValue.
    QString hb;
    QString hbUnit;
    QString hbFlag;
    // fHCT, fHCT_Unit, fHCT_Flag: the HCT line cut by SplitValue; an HCT line without a number
    // puts the text that stood in its place (such as "--") into the unit.
    QString hct;
    QString hctUnit;
    QString hctFlag;
};

// Decodes one parsed entry. Reads the regional settings (decimal and time separators), so it
// runs on a thread that does not change them meanwhile.
ResultEntry DecodeResultEntry(const QString &sDate, const QString &sTime, const QString &sID, const QString &sHB,
                              const QString &sHCT);

// The date check: at least ten characters, with characters 1-4, 6-7 and 9-10 numeric.
bool DatePassesCheck(const QString &sDate);

// The calendar date of a checked date text: year, month and day from their places (2010, 12
// and 1 where a place is not an integer); the zero date when they form no valid date.
platform::OleDate DecodeEntryDate(const QString &sDate);
