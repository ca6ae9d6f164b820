#pragma once
// The meter's record text: framing received text into complete records, and cutting one
// record into meter entries.
//
// A record is a run of lines, each ended by CR LF, closed by one empty line, so its text ends
// with "\r\n\r\n". Extra CR LF pairs between records are skipped. Line 1 holds the date and
// the time (split at the first blank), line 2 the "ID:" line, line 3 the "HB:" line, line 4
// the "HCT:" line and an optional line 5 a second "HCT:" value; later lines are ignored.
// Lines are assigned by position only; their labels are examined when the entries are decoded.
//
// These are plain functions so that the reader, the tests, the fuzz target and the benchmark
// share one implementation. They touch only the objects passed in.

#include "meter/BufQuery.h"
#include "meter/MeterRecordQuery.h"

#include <QString>
#include <QStringView>

// The terminator that closes every record: the end of its last line and one empty line.
inline constexpr char16_t kRecordTerminator[] = u"\r\n\r\n";

// The most text that may wait for a record end. A record is a few dozen characters; text that
// has grown past this without an empty line is line noise, and keeping it would only let a
// noisy line eat memory for as long as reading stays on. When the limit is passed, everything
// up to and including the last CR LF is dropped (the text after it may still be the start of
// a proper record); with no CR LF at all, everything is dropped except a trailing CR, which
// may begin the next line end.
inline constexpr qsizetype kMaxPendingText = 65536;

// Appends text to pending (text not yet cut into records), then, as long as pending holds a
// record terminator: drops the CR LF pairs at its start, pushes the text up to and including
// the first terminator into records, and removes it from pending. CR LF pairs at the start of
// what is left are dropped too; a lone CR or LF there stays. Returns the number of records
// pushed.
//
// Precondition (kept by every call): pending holds no terminator and does not start with a
// CR LF pair; an empty text satisfies it.
int FrameReceivedText(QString &pending, QStringView text, TBufQuery &records);

// Cuts one record text at CR LF (SplitString rules) and pushes its entries:
//   1 line: nothing; returns false (the text is not counted as a record);
//   2 lines: nothing; returns true;
//   3 lines: one entry with an empty sHCT;
//   4 lines: one entry with line 4 as sHCT;
//   5 or more: a second entry with line 5 as sHCT, unless line 5 is empty.
// Both entries carry the date, time, ID and HB texts of the record. A first line without a
// blank gives empty date and time texts.
bool ParseRecordText(const QString &record, TMeterRecordQuery &entries);
