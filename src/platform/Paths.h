#pragma once
// File-system places the program relies on, and path helpers. Paths use "/" throughout.

#include <QString>

namespace platform {

// Absolute path of the running program file (from /proc/self/exe), or empty.
QString ProgramFilePath();

// The per-user application-data folder (the stand-in for the shell's special folder 26):
// QStandardPaths GenericDataLocation, normally ~/.local/share. Like the shell's folder it
// always exists: it is created (with its parents) when missing. Empty when none is known or
// it cannot be created.
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

// True when path names an existing folder (symbolic links followed).
bool DirectoryExists(const QString &path);

// Creates one folder; its parent must exist. Throws platform::Exception carrying the system's
// reason ("No such file or directory", "Permission denied", ...) when it cannot.
void CreateDirectory(const QString &path);

} // namespace platform
