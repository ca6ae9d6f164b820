#pragma once
// A prepared statement on an open DatabaseConnection. Parameters are numbered from 1, result
// columns from 0. Texts are bound and read as UTF-8 (the database's text encoding).
//
// The statement must not outlive its connection. Move-only; the destructor finalizes it.

#include <QString>
#include <QVariant>

#include <cstdint>
#include <string_view>

struct sqlite3_stmt;

namespace store {

class DatabaseConnection;

class Statement
{
public:
    // Prepares sql; throws DatabaseError (with the SQL text) when it does not compile, for
    // example because a named column is missing.
    Statement(DatabaseConnection &connection, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&other) noexcept;

    void BindNull(int index);
    void BindDouble(int index, double value);
    // A null QString binds NULL; an empty one binds the empty text.
    void BindText(int index, const QString &value);
    // Binds the bytes as UTF-8 text (copied).
    void BindUtf8(int index, std::string_view value);

    // Runs one step: true when a result row is available, false when the statement is done.
    // Throws DatabaseError on failure.
    bool Step();
    // Makes the statement ready to run again and clears its bindings.
    void Reset();

    int ColumnCount() const;
    bool ColumnIsNull(int column) const;
    double ColumnDouble(int column) const;
    std::int64_t ColumnInt64(int column) const;
    // Null for a NULL value.
    QString ColumnText(int column) const;
    // The column's text as UTF-8; valid until the next Step or Reset. data() is null for NULL.
    std::string_view ColumnUtf8(int column) const;

private:
    void Check(int resultCode, const char *what) const;

    DatabaseConnection *connection_;
    sqlite3_stmt *stmt_ = nullptr;
};

} // namespace store
