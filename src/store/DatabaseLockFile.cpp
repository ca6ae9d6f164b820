#include "store/DatabaseLockFile.h"

#include "store/DatabaseError.h"
#include "platform/LockFile.h"
#include "platform/SystemError.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <cerrno>

#include <chrono>
#include <thread>

namespace store {

namespace {

// A deleter holds its exclusive lock only for an unlink; a holder that meets it tries again.
constexpr int kAcquireAttempts = 50;

} // namespace

QString LockFilePathFor(const QString &databasePath)
{
    const QFileInfo info(databasePath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".ldb"));
}

DatabaseLockFile::DatabaseLockFile() = default;

DatabaseLockFile::~DatabaseLockFile()
{
    Release();
}

void DatabaseLockFile::Acquire(const QString &path, const QString &databasePath)
{
    Release();
    for (int attempt = 0; attempt < kAcquireAttempts; ++attempt) {
        auto file = std::make_unique<platform::LockFile>();
        if (!file->Open(path, true, databasePath)) {
            // A file left behind by another user that this one may not write: gone when
            // nobody holds it, and made again.
            if (file->Error() == EACCES && platform::DeleteLockFileIfUnheld(path))
                continue;
            throw DatabaseError(QStringLiteral("Cannot create the lock file %1: %2")
                                    .arg(path, platform::SystemErrorReason(file->Error())));
        }
        // Every holder keeps a shared lock, so the guard's delete (an exclusive lock) fails
        // while anyone has the database open. Only a deleter's short exclusive lock refuses
        // it, and the loop tries again.
        const platform::LockFile::Result shared = file->TryLockShared();
        if (shared == platform::LockFile::Result::Failed)
            throw DatabaseError(
                QStringLiteral("Cannot lock the file %1: %2").arg(path, platform::SystemErrorReason(file->Error())));
        if (shared == platform::LockFile::Result::Busy) {
            file.reset();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        // A deleter may have removed the file between our open and our lock: then we hold a
        // lock on a file nobody can see, and must start again with a new one. From here on the
        // file stays, since no exclusive lock can be had while we hold ours.
        if (!file->IsSameFileAs(path))
            continue;
        // Who came first: the one holder that gets the write lock on the first byte owns the
        // database, every later one shares it with that owner. The lock is taken once and
        // never changed, so two holders that arrive together cannot both see themselves alone.
        const platform::LockFile::Result owner = file->TryLockOwnerByte();
        if (owner == platform::LockFile::Result::Failed)
            throw DatabaseError(
                QStringLiteral("Cannot lock the file %1: %2").arg(path, platform::SystemErrorReason(file->Error())));
        file_ = std::move(file);
        path_ = path;
        sharedWithOthers_ = owner == platform::LockFile::Result::Busy;
        return;
    }
    throw DatabaseError(QStringLiteral("Cannot lock the file %1: it is being deleted by another process").arg(path));
}

void DatabaseLockFile::Release() noexcept
{
    if (!file_)
        return;
    // Last holder: delete the file while holding it exclusively, so nobody locks it meanwhile.
    file_->DeleteIfUnheld(path_);
    file_.reset();
    path_.clear();
    sharedWithOthers_ = false;
}

bool TryDeleteLockFile(const QString &path)
{
    return platform::DeleteLockFileIfUnheld(path);
}

bool IsLockFileHeld(const QString &path)
{
    TryDeleteLockFile(path);
    return QFileInfo::exists(path);
}

} // namespace store
