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
// file cannot be read or written (errno describes why); a file without any write permission bit
// is refused also for a privileged user.
// The file is replaced atomically through a temporary file and a rename, so a failed write
// leaves the old content; the replacement keeps the file's owner, group and mode. Only where
// no rename is possible, because the folder takes no new file from this user or the file's
// owner and group cannot be given to the replacement (another user's file in a shared
// group-writable folder), is the file written in place and flushed: that keeps the owner, but a
// failure part way (a full disk) can leave the file half written.
bool WritePrivateProfileString(const QString &section, const QString &key,
                               const QString &value, const QString &fileName);

} // namespace platform
