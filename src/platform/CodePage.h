#pragma once
// ANSI code pages: the 8-bit text of the meter line, the log, the CSV file and the .xls cells.
//
// The program's ANSI code page is the Windows code page that the user's locale language would
// get on Windows (1250 Central European, 1251 Cyrillic, 1253 Greek, 1254 Turkish, 1257 Baltic,
// else 1252). Conversions use built-in tables; a character the code page lacks becomes "?".
// Decoding never fails: every byte maps to one UTF-16 unit (bytes that the code page leaves
// undefined map to the control character of the same number, as Windows does).

#include <QByteArray>
#include <QByteArrayView>
#include <QLocale>
#include <QString>
#include <QStringView>

namespace platform {

// The code page Windows gives to a locale's language (1252 for any language not listed).
int CodePageForLocale(const QLocale &locale);

// The program's current ANSI code page: from QLocale::system() unless a test set one.
int AnsiCodePage();
// Tests: use this code page from now on (0 returns to the system locale's).
void SetAnsiCodePage(int codePage);

// True for the code pages that have tables here (1250, 1251, 1252, 1253, 1254, 1257).
bool IsSupportedCodePage(int codePage);

// UTF-16 to the code page; an unmappable character becomes one "?" (a surrogate pair counts as
// one character, a lone surrogate too). An unsupported code page converts as 1252.
QByteArray ToAnsi(QStringView text, int codePage);
inline QByteArray ToAnsi(QStringView text) { return ToAnsi(text, AnsiCodePage()); }

// The code page to UTF-16, one unit per byte.
QString FromAnsi(QByteArrayView bytes, int codePage);
inline QString FromAnsi(QByteArrayView bytes) { return FromAnsi(bytes, AnsiCodePage()); }

} // namespace platform
