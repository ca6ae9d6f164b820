#pragma once
// The texts of the writers' failures, and the file handling that the .xls and CSV writers
// share: create the file, notice a failed write, close it with its last bytes on disk.
// Every text is a TranslateText key ("%s" stands for the arguments, in order).

#include <QString>
#include <QStringList>

class QFile;
class QIODevice;

// Row numbers of an .xls sheet are 16 bits wide: with the title row in row 0 a sheet holds at
// most this many results. The text below names the same number.
inline constexpr int kMaxXlsRecords = 65535;
inline constexpr const char kTooManyRecordsForXlsText[] =
    "The table has more than 65535 results, which is more than an Excel .xls sheet can hold. "
    "Please use the CSV export instead.";

inline constexpr const char kCannotCreateFileText[] = "Cannot create file \"%s\". %s";
inline constexpr const char kCannotWriteFileText[] = "Cannot write file \"%s\". %s";
inline constexpr const char kCannotWriteExportText[] = "Cannot write the export. %s";

// TranslateText(key), then each "%s" replaced by the next argument (the arguments themselves
// are not searched for further "%s").
QString FormatExportText(const char *key, const QStringList &arguments);

// Opens fileName for writing through Qt's write buffer, creating it or truncating an existing
// file. Throws platform::Exception(kCannotCreateFileText with the full path and the system's
// reason) when it cannot.
void CreateExportFile(QFile &file, const QString &fileName);

// Throws platform::Exception naming the device's file (if it is one) and its error text.
[[noreturn]] void ThrowWriteFailed(const QIODevice &device);

// Writes the buffered bytes out and closes the file; throws like ThrowWriteFailed when the
// last bytes could not be written.
void FinishExportFile(QFile &file);
