#pragma once
// The diagnostic log HB.dbg in AppDataPath. GUI thread only.

#include "platform/DateTime.h"
#include "platform/RegionalSettings.h"

#include <QString>

// AppDataPath + "HB.dbg".
QString LogFilePath();

// Deletes the log; a failure is ignored.
void ClearLog();

// Appends "<short date> <long time>:" + text + "\r\n" in the ANSI code page (no time at
// exactly midnight). Throws platform::Exception with the system's reason when the file cannot
// be opened or written.
void WriteLog(const QString &text);

// The time stamp of a log line: the short date, then a blank and the long time unless the
// moment is exactly midnight.
QString LogTimeStamp(platform::OleDate moment,
                     const platform::RegionalSettings &settings = platform::CurrentRegionalSettings());

// WriteLog's work on any file, with the moment given: the file is created when missing, held
// with an exclusive lock while the line is appended, and closed also after a failure.
void AppendLogLine(const QString &path, const QString &text, platform::OleDate moment);
