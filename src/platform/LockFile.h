#pragma once
// A file held open with advisory locks that belong to the open file (not to the process), so
// that two holders in one process see each other as two in different processes do. The
// system drops the locks of a process that dies. Not copyable; the destructor closes the file
// and so gives up its locks.

#include <QString>

namespace platform {

class LockFile
{
public:
    enum class Result { Locked, Busy, Failed };

    LockFile() = default;
    ~LockFile();
    LockFile(const LockFile &) = delete;
    LockFile &operator=(const LockFile &) = delete;

    // Opens path for reading and writing; create makes it when missing. False with Error()
    // set when the system refuses. A file open before is closed first. A file made here gets
    // the read and write permissions of the file likeFile when that is given and exists
    // (whatever the process's umask), so that everyone who may use that file can lock this one.
    bool Open(const QString &path, bool create, const QString &likeFile = QString());
    // Opens path for reading only: enough for the locks on the whole file, not for the one on
    // its first byte.
    bool OpenReadOnly(const QString &path);
    bool IsOpen() const { return fd_ >= 0; }
    // Closes the file, giving up every lock on it.
    void Close() noexcept;
    // The system error number of the last refusal.
    int Error() const { return error_; }

    // A shared lock on the whole file, without waiting: Busy while another holds it
    // exclusively (or the attempt was interrupted).
    Result TryLockShared();
    // An exclusive lock on the whole file, without waiting: Busy while anyone else holds any
    // lock on it. A shared lock of this holder becomes exclusive.
    Result TryLockExclusive();
    // A write lock on the file's first byte, without waiting and independent of the locks on
    // the whole file: Busy while another holder has it.
    Result TryLockOwnerByte();

    // True when the open file is still the one path names (not deleted or replaced).
    bool IsSameFileAs(const QString &path) const;
    // Deletes the file at path when this holder gets it exclusively and it still is the open
    // file. True when deleted.
    bool DeleteIfUnheld(const QString &path);

private:
    int fd_ = -1;
    int error_ = 0;
};

// Deletes the file at path when no one holds a lock on it and it can be opened; every failure
// is silent. True when the file was deleted.
bool DeleteLockFileIfUnheld(const QString &path);

} // namespace platform
