#pragma once
// One connection to a password-protected result database (an SQLCipher file).
//
// Opening derives the cipher key from the password, which costs tens of milliseconds: open the
// connection once and keep it. Every open connection runs with a write-ahead log and
// synchronous=FULL: a transaction whose COMMIT has returned is on the disk (the log is flushed
// with fsync at each commit), so it survives a killed process and a power cut.
//
// Errors are thrown as DatabaseError. Not thread-safe: the program uses it from the GUI thread
// only. Move-only; the destructor closes the connection.

#include <QByteArray>
#include <QString>

#include <cstdint>

struct sqlite3;

namespace store {

class Statement;

class DatabaseConnection
{
public:
    enum class OpenMode
    {
        ExistingFile,   // the file must exist and be writable
        CreateNewFile,  // the file must not exist; it is created empty
    };

    DatabaseConnection() = default;
    ~DatabaseConnection();
    DatabaseConnection(const DatabaseConnection &) = delete;
    DatabaseConnection &operator=(const DatabaseConnection &) = delete;
    DatabaseConnection(DatabaseConnection &&other) noexcept;
    DatabaseConnection &operator=(DatabaseConnection &&other) noexcept;

    // Opens the file with the key and checks that the key fits (the first page decrypts), that
    // the cipher engine is present and that the file is writable; then switches to the
    // write-ahead log with synchronous=FULL. A connection that was open is closed first. On any
    // failure the connection stays closed and DatabaseError is thrown.
    void Open(const QString &path, const QByteArray &key, OpenMode mode = OpenMode::ExistingFile);
    // Closes the connection; a transaction still open is rolled back. Safe when closed.
    void Close() noexcept;
    bool IsOpen() const { return db_ != nullptr; }
    const QString &Path() const { return path_; }

    // Runs SQL that returns no rows (may hold several statements separated by ";").
    void Execute(const QString &sql);
    // Runs a query and returns the first column of its first row; a null QString when there is
    // no row or the value is NULL.
    QString QueryText(const QString &sql);

    // True when the file at Path() is no longer the one this connection has open: it was
    // deleted, renamed or replaced while the program ran. Writes would then go to a file that
    // nobody finds again. False when closed.
    bool FileMoved() const;

    std::int64_t LastInsertRowId() const;
    // True between BEGIN and COMMIT/ROLLBACK.
    bool InTransaction() const;

    // The engine's handle, for Statement. Null when closed.
    sqlite3 *Handle() const { return db_; }

    // Throws DatabaseError(context + ": " + the engine's message) for a failed result code.
    [[noreturn]] void ThrowError(const QString &context, int resultCode) const;

private:
    sqlite3 *db_ = nullptr;
    QString path_;
};

} // namespace store
