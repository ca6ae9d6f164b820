#include "store/DatabaseConnection.h"

#include "platform/SystemError.h"
#include "store/DatabaseError.h"
#include "store/Statement.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <utility>

namespace store {

namespace {

// How long a statement waits for another process (a second copy, the sqlcipher shell) to
// release its lock before it fails with "database is locked".
constexpr int kBusyTimeoutMs = 2000;

// The engine's words for a failed read, write or open ("disk I/O error") do not tell a file
// turned read-only from a failing drive; the system's reason does. (A full disk has words of
// its own.)
QString WithSystemReason(sqlite3 *db, int resultCode, QString text)
{
    const int primary = resultCode & 0xFF;
    const bool fileFailure = primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN;
    const int error = db ? sqlite3_system_errno(db) : 0;
    if (fileFailure && error != 0)
        text += QStringLiteral(" (%1)").arg(platform::SystemErrorReason(error));
    return text;
}

QString EngineMessage(sqlite3 *db, int resultCode)
{
    if (db && sqlite3_errcode(db) != SQLITE_OK)
        return WithSystemReason(db, resultCode, QString::fromUtf8(sqlite3_errmsg(db)));
    return QString::fromUtf8(sqlite3_errstr(resultCode));
}

// Owns a handle while Open is still checking it.
struct HandleGuard
{
    sqlite3 *db = nullptr;
    ~HandleGuard()
    {
        if (db)
            sqlite3_close_v2(db);
    }
    sqlite3 *release() { return std::exchange(db, nullptr); }
};

QString QuerySingleText(sqlite3 *db, const char *sql, int *resultCode)
{
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    QString text;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
            text = bytes ? QString::fromUtf8(bytes) : QString();
            rc = SQLITE_OK;
        } else if (rc == SQLITE_DONE) {
            rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(stmt);
    *resultCode = rc;
    return text;
}

} // namespace

DatabaseConnection::~DatabaseConnection()
{
    Close();
}

DatabaseConnection::DatabaseConnection(DatabaseConnection &&other) noexcept
    : db_(std::exchange(other.db_, nullptr)), path_(std::move(other.path_))
{
}

DatabaseConnection &DatabaseConnection::operator=(DatabaseConnection &&other) noexcept
{
    if (this != &other) {
        Close();
        db_ = std::exchange(other.db_, nullptr);
        path_ = std::move(other.path_);
    }
    return *this;
}

void DatabaseConnection::Open(const QString &path, const QByteArray &key, OpenMode mode)
{
    Close();
    const QFileInfo info(path);
    if (mode == OpenMode::ExistingFile && !info.isFile())
        throw DatabaseError(QStringLiteral("The database file does not exist: %1").arg(path));
    if (mode == OpenMode::CreateNewFile && info.exists())
        throw DatabaseError(QStringLiteral("The file already exists: %1").arg(path));

    const QByteArray nativePath = QFile::encodeName(path);
    // One thread uses a connection: no per-call mutex (it cost a sixth of a full load).
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_PRIVATECACHE | SQLITE_OPEN_NOMUTEX;
    if (mode == OpenMode::CreateNewFile)
        flags |= SQLITE_OPEN_CREATE;
    HandleGuard guard;
    int rc = sqlite3_open_v2(nativePath.constData(), &guard.db, flags, nullptr);
    auto fail = [&](const QString &what, int code) {
        throw DatabaseError(QStringLiteral("%1 %2: %3").arg(what, path, EngineMessage(guard.db, code)),
                            code);
    };
    if (rc != SQLITE_OK)
        fail(QStringLiteral("Cannot open the database"), rc);
    sqlite3_extended_result_codes(guard.db, 1);
    // A file that cannot be written would lose every result the meter sends. (The engine
    // falls back to read-only access when the file denies writing.)
    if (sqlite3_db_readonly(guard.db, "main") == 1)
        throw DatabaseError(QStringLiteral("The database file is read-only: %1").arg(path));

    // Without the cipher engine the key would be ignored and the file written in the clear.
    QString cipherVersion = QuerySingleText(guard.db, "PRAGMA cipher_version", &rc);
    if (rc != SQLITE_OK || cipherVersion.isEmpty())
        throw DatabaseError(QStringLiteral("The database engine has no encryption support; "
                                           "cannot open %1").arg(path));

    rc = sqlite3_key(guard.db, key.constData(), static_cast<int>(key.size()));
    if (rc != SQLITE_OK)
        fail(QStringLiteral("Cannot set the key of the database"), rc);

    // The first read decrypts page 1: a wrong key or a file that is no database fails here.
    QuerySingleText(guard.db, "SELECT count(*) FROM sqlite_master", &rc);
    if (rc != SQLITE_OK)
        fail(QStringLiteral("Cannot read the database"), rc);

    sqlite3_busy_timeout(guard.db, kBusyTimeoutMs);

    // Write-ahead log: a commit appends to the log and flushes it once (one fsync), instead of
    // the three or more that a rollback journal needs; with synchronous=FULL that flush
    // happens at every commit, so a committed batch survives a power cut.
    const QString journalMode = QuerySingleText(guard.db, "PRAGMA journal_mode=WAL", &rc);
    if (rc != SQLITE_OK)
        fail(QStringLiteral("Cannot prepare the database for writing"), rc);
    if (journalMode.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        throw DatabaseError(QStringLiteral("Cannot prepare the database for writing %1: "
                                           "journal mode %2").arg(path, journalMode));
    rc = sqlite3_exec(guard.db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(QStringLiteral("Cannot prepare the database for writing"), rc);

    db_ = guard.release();
    path_ = path;
}

void DatabaseConnection::Close() noexcept
{
    if (!db_)
        return;
    if (sqlite3_get_autocommit(db_) == 0)
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    // v2: statements a caller still holds are finalized later without leaking the handle.
    sqlite3_close_v2(db_);
    db_ = nullptr;
    path_.clear();
}

void DatabaseConnection::Execute(const QString &sql)
{
    if (!db_)
        throw DatabaseError(QStringLiteral("The database is not open"));
    const QByteArray utf8 = sql.toUtf8();
    char *message = nullptr;
    const int rc = sqlite3_exec(db_, utf8.constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString text =
            WithSystemReason(db_, rc, message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc)));
        sqlite3_free(message);
        throw DatabaseError(QStringLiteral("%1 (%2)").arg(text, sql), rc, text);
    }
}

QString DatabaseConnection::QueryText(const QString &sql)
{
    Statement statement(*this, sql);
    if (!statement.Step())
        return QString();
    return statement.ColumnText(0);
}

bool DatabaseConnection::FileMoved() const
{
    if (!db_)
        return false;
    int moved = 0;
    // The engine compares the file it holds open with the one now at its path.
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK)
        return false;
    return moved != 0;
}

std::int64_t DatabaseConnection::LastInsertRowId() const
{
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

bool DatabaseConnection::InTransaction() const
{
    return db_ && sqlite3_get_autocommit(db_) == 0;
}

void DatabaseConnection::ThrowError(const QString &context, int resultCode) const
{
    const QString reason = EngineMessage(db_, resultCode);
    throw DatabaseError(QStringLiteral("%1: %2").arg(context, reason), resultCode, reason);
}

} // namespace store
