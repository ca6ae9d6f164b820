#pragma once
// Settings files of sections and keys, read and written with the rules of the Windows profile
// routines the program was designed around:
// - section and key names match without regard to case; the first matching section and the
//   first matching key in it count;
// - blanks around a value are removed, then one pair of enclosing single or double quotes;
// - values are cut to at most 2047 characters;
// - a missing file, section or key gives the default; a key present with an empty value gives
//   the empty text;
// - a write changes only the line of its key (or appends the key at the end of its section, or
//   the section with the key at the end of the file) and keeps every other byte, comments,
//   unknown sections, line ends and a missing final newline included;
// - files are read as UTF-8 (a BOM is allowed and kept) and written UTF-8; lines may end in
//   CR LF, LF or CR.

#include <QString>

namespace platform {

inline constexpr int kMaxProfileValueLength = 2047;

QString GetPrivateProfileString(const QString &section, const QString &key,
                                const QString &defaultValue, const QString &fileName);

// Writes key=value into section; creates the file when its folder exists. False when the
// file cannot be read or written (errno describes why). The file is replaced atomically, so a
// failed write leaves the old content.
bool WritePrivateProfileString(const QString &section, const QString &key,
                               const QString &value, const QString &fileName);

} // namespace platform
