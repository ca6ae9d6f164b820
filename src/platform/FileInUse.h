#pragma once

#include <QString>

namespace platform {

// True when a file exists at path and cannot be opened for exclusive reading and writing
// (another process holds a lock on it, or it is not readable and writable for this user).
bool IsFileInUse(const QString &path);

} // namespace platform
