#pragma once
// File-system places the program relies on, and path helpers. Paths use "/" throughout.

#include <QString>

namespace platform {

// Absolute path of the running program file (from /proc/self/exe), or empty.
QString ProgramFilePath();

// The per-user application-data folder (the stand-in for the shell's special folder 26):
// QStandardPaths GenericDataLocation, normally ~/.local/share. Empty when none is known.
QString ApplicationDataFolder();

// The stand-in for "the drive part" of a folder: the install root, i.e. the parent of the
// given folder (trailing separator ignored). "/opt/kelo/bin/" gives "/opt/kelo"; a folder
// directly below "/" gives "" (the root itself; callers then add "/KELODATA").
QString InstallRootOf(const QString &folder);

// Appends "/" unless the text already ends in one ("" gives "/").
QString IncludeTrailingSeparator(const QString &path);

// Resolves path component by component: where a component does not exist under its exact
// name but one entry of its folder matches it without regard to case, that entry's name is
// used. Components that match nothing are kept as written, so the result can be used to
// create or report a missing file.
QString ResolveCaseInsensitive(const QString &path);

} // namespace platform
