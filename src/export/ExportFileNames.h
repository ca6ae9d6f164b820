#pragma once
// The file names that the two export commands propose, and their extension rules.

#include <QDateTime>
#include <QString>

// "KELOHB_" and the local date and time as YYYY_MM_DD_hh_mm_ss (24-hour clock), no extension:
// KELOHB_2026_12_08_14_05_09.
QString CsvDefaultFileName(const QDateTime &localNow = QDateTime::currentDateTime());

// "KELOHB", the local date and time as "YYYY-MM-DD hh_mm_ss", then ".xls":
// KELOHB2026-12-08 14_05_09.xls.
QString XlsDefaultFileName(const QDateTime &localNow = QDateTime::currentDateTime());

// fileName unchanged when its last four characters, upper-cased, are ".CSV" (".XLS"); else
// fileName with ".csv" (".xls") appended, so "a.txt" becomes "a.txt.csv".
QString WithCsvExtension(const QString &fileName);
QString WithXlsExtension(const QString &fileName);
