#pragma once
// The lock file HB_data1.ldb beside the result database: it exists while a process has the
// database open, and it cannot be deleted while such a process lives. The single-instance
// guard tests it before the database is opened.
//
// A holder keeps the file open (platform::LockFile) with a shared lock on the whole file
// (several processes may have the database open at once); deleting means taking an exclusive
// lock without waiting, which succeeds only when no live process holds the file. The first
// holder also takes a write lock on the file's first byte (independent of the lock on the
// whole file): every later holder is refused that byte and so knows it is not alone. Neither
// lock is ever converted from one kind to the other, which would open a moment in which two
// holders could each see the other gone. The system drops the locks of a process that dies,
// so a file left by a killed copy is deletable. Both kinds of lock belong to the open file,
// not the process, so a holder and a deleter in one process see each other too.
//
// GUI thread. Move-only; the destructor releases.

#include <QString>

#include <memory>

namespace platform {
class LockFile;
}

namespace store {

// The lock file of a database: same folder and base name, extension ".ldb".
QString LockFilePathFor(const QString &databasePath);

class DatabaseLockFile
{
public:
    DatabaseLockFile();
    ~DatabaseLockFile();
    DatabaseLockFile(const DatabaseLockFile &) = delete;
    DatabaseLockFile &operator=(const DatabaseLockFile &) = delete;

    // Creates the file when missing (or reuses one left behind) and holds it. Throws
    // DatabaseError with the system's reason when it cannot be created or locked. Releases a
    // file held before. A new file gets the read and write permissions of the database at
    // databasePath, so that every user who may open the database may hold the file too (the
    // users of a shared installation); one left by a user whose permissions keep this one out
    // is replaced when nobody holds it.
    void Acquire(const QString &path, const QString &databasePath = QString());
    // Stops holding the file and deletes it, unless another process holds it as well.
    void Release() noexcept;
    bool IsHeld() const { return file_ != nullptr; }
    const QString &Path() const { return path_; }
    // True when another holder had the database open at the moment Acquire took it (another
    // copy of the program, or anything that holds the file as this class does).
    bool SharedWithOthers() const { return sharedWithOthers_; }

private:
    std::unique_ptr<platform::LockFile> file_;
    QString path_;
    bool sharedWithOthers_ = false;
};

// Deletes the lock file at path unless a live process holds it; every failure is silent (the
// file may be missing, held, or not ours to open). Returns true when it deleted the file.
bool TryDeleteLockFile(const QString &path);

// The guard's test: tries to delete the lock file, then reports whether one is still there
// (a running process holds it).
bool IsLockFileHeld(const QString &path);

} // namespace store
