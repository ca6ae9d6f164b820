#pragma once
// Whether this user may use the folders and files of a shared installation, and who may: the
// facts behind the message that tells a user why the program cannot keep results and what
// an administrator does about it. Any thread.

#include <QString>
#include <QList>

namespace platform {

struct AccessProblem
{
    // The first of the paths this user may not use; empty when every one is usable.
    QString path;
    // The group whose members may write that path (its own group, when the group may write
    // it); empty when no group may.
    QString writerGroup;
};

// What the program does with a folder or file.
struct AccessNeed
{
    QString path;
    // A folder to make and delete files in, or a file to read and change; else only a folder
    // to look inside (or a file to read).
    bool write;
};

// Looks at the needs in order (outer folders first) and reports the first this user may not
// meet. A path that does not exist is passed over (what is missing is not a question of
// rights), unless a folder on the way keeps this user from seeing it.
AccessProblem FindAccessProblem(const QList<AccessNeed> &needs);

// The login name of this process's user; the number when the user has no name.
QString CurrentUserName();

} // namespace platform
