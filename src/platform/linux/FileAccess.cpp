#include "platform/FileAccess.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QString GroupName(gid_t id)
{
    if (const struct group *entry = ::getgrgid(id))
        return QFile::decodeName(entry->gr_name);
    return QString::number(id);
}

} // namespace

AccessProblem FindAccessProblem(const QList<AccessNeed> &needs)
{
    for (const auto &[path, write] : needs) {
        const QByteArray name = QFile::encodeName(path);
        struct stat status {};
        if (::stat(name.constData(), &status) != 0) {
            // Behind a folder this user may not enter (named already when it is in the list).
            if (errno == EACCES)
                return {path, {}};
            continue;
        }
        const bool folder = S_ISDIR(status.st_mode);
        const int wanted = folder ? (write ? W_OK | X_OK : X_OK) : (write ? R_OK | W_OK : R_OK);
        // The effective ids decide, as they do when the file is opened.
        if (::faccessat(AT_FDCWD, name.constData(), wanted, AT_EACCESS) == 0)
            continue;
        return {path, (status.st_mode & S_IWGRP) != 0 ? GroupName(status.st_gid) : QString()};
    }
    return {};
}

QString CurrentUserName()
{
    const uid_t id = ::geteuid();
    if (const struct passwd *entry = ::getpwuid(id))
        return QFile::decodeName(entry->pw_name);
    return QString::number(id);
}

} // namespace platform
