#pragma once
// The diagnostic log HB.dbg in AppDataPath. GUI thread only.

#include <QString>

// AppDataPath + "HB.dbg".
QString LogFilePath();

// Deletes the log; a failure is ignored.
void ClearLog();

// Appends "<short date> <long time>:" + text + "\r\n" in the ANSI code page (no time at
// exactly midnight). Throws platform::Exception with the system's reason when the file cannot
// be opened or written.
void WriteLog(const QString &text);
