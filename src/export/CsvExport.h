#pragma once
// The CSV export: one header line, then one line per row of the view in the order in which
// the rows were stored, each field the text the grid shows.
//
// The file is 8-bit text in the program's ANSI code page (a character the code page lacks
// becomes "?"), without a byte-order mark; every line, the last included, ends with CR LF.
// Fields are joined by the separator. A field that contains the separator, a double quote, a
// carriage return or a line feed is enclosed in double quotes with each quote inside doubled,
// so that a reader keeps it as one field; every other field is written as it is.

#include "export/ExportSource.h"
#include "platform/RegionalSettings.h"

#include <QChar>
#include <QString>
#include <QStringList>

// The separator as a text of one character: the regional list separator when it is exactly
// one character, else ",".
QString ListSeparatorText(const platform::RegionalSettings &settings);
QString ListSeparatorText();  // from the regional settings in force

// Writes the view's rows to fileName (created, or truncated when it exists) under the header
// texts, one field per visible column of the view. Steps, in order: remember the current row;
// create the file; write the header; suspend the display updates, sort the view by storage
// order, walk it from the first row to the end; then, whatever happened, go back to the
// remembered row, resume the display updates and close the file.
// Throws platform::Exception with the system's reason when the file cannot be created
// ("Cannot create file ...") or written ("Cannot write file ..."); what was written stays in
// the file. Returns normally only after the whole file is on disk.
void ExportToCsvFile(ExportSource &view, const QString &fileName, const QStringList &headerTexts,
                     QChar separator);

// One line of fields in the file's bytes (without the line end), quoted as described above.
QByteArray CsvLine(const QStringList &fields, QChar separator);
