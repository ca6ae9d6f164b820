#pragma once
// The writers' failure messages, and the file handling that the .xls and CSV writers
// share: create the file, notice a failed write, close it with its last bytes on disk.
// Every text is a TranslateText key of TextKeys.h ("%s" stands for the arguments, in order).

#include "i18n/TextKeys.h"

#include <QString>
#include <QStringList>

class QFile;
class QIODevice;

// Row numbers of an .xls sheet are 16 bits wide: with the title row in row 0 a sheet holds at
// most this many results. TextKeys::kTooManyRecordsForXls names the same number.
inline constexpr int kMaxXlsRecords = 65535;

// Opens fileName for writing through Qt's write buffer, creating it or truncating an existing
// file. Throws platform::Exception(TextKeys::kCannotCreateFile with the full path and the system's
// reason) when it cannot.
void CreateExportFile(QFile &file, const QString &fileName);

// Throws platform::Exception naming the device's file (if it is one) and its error text.
[[noreturn]] void ThrowWriteFailed(const QIODevice &device);

// Writes the buffered bytes out and closes the file; throws like ThrowWriteFailed when the
// last bytes could not be written.
void FinishExportFile(QFile &file);
