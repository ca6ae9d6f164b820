#include "store/Statement.h"

#include "store/DatabaseConnection.h"
#include "store/DatabaseError.h"

#include <sqlite3.h>

#include <utility>

namespace store {

Statement::Statement(DatabaseConnection &connection, const QString &sql)
    : connection_(&connection)
{
    if (!connection.IsOpen())
        throw DatabaseError(QStringLiteral("The database is not open"));
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(connection.Handle(), utf8.constData(),
                                      static_cast<int>(utf8.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        connection.ThrowError(QStringLiteral("Cannot prepare \"%1\"").arg(sql), rc);
    }
}

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

Statement::Statement(Statement &&other) noexcept
    : connection_(other.connection_), stmt_(std::exchange(other.stmt_, nullptr))
{
}

Statement &Statement::operator=(Statement &&other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(stmt_);
        connection_ = other.connection_;
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

void Statement::Check(int resultCode, const char *what) const
{
    if (resultCode != SQLITE_OK)
        connection_->ThrowError(QString::fromLatin1(what), resultCode);
}

void Statement::BindNull(int index)
{
    Check(sqlite3_bind_null(stmt_, index), "Cannot bind a value");
}

void Statement::BindDouble(int index, double value)
{
    Check(sqlite3_bind_double(stmt_, index, value), "Cannot bind a value");
}

void Statement::BindText(int index, const QString &value)
{
    if (value.isNull()) {
        BindNull(index);
        return;
    }
    const QByteArray utf8 = value.toUtf8();
    BindUtf8(index, std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

void Statement::BindUtf8(int index, std::string_view value)
{
    // A non-null pointer even for the empty text, so that it binds '' and not NULL.
    const char *data = value.data() ? value.data() : "";
    Check(sqlite3_bind_text64(stmt_, index, data, value.size(), SQLITE_TRANSIENT, SQLITE_UTF8),
          "Cannot bind a value");
}

bool Statement::Step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const char *sql = sqlite3_sql(stmt_);
    connection_->ThrowError(QStringLiteral("Cannot run \"%1\"").arg(QString::fromUtf8(sql ? sql : "")),
                            rc);
}

void Statement::Reset()
{
    // The result of reset repeats the last step's error, which Step has already reported.
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int Statement::ColumnCount() const
{
    return sqlite3_column_count(stmt_);
}

bool Statement::ColumnIsNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

double Statement::ColumnDouble(int column) const
{
    return sqlite3_column_double(stmt_, column);
}

std::int64_t Statement::ColumnInt64(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

QString Statement::ColumnText(int column) const
{
    const std::string_view utf8 = ColumnUtf8(column);
    if (!utf8.data())
        return QString();
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string_view Statement::ColumnUtf8(int column) const
{
    if (sqlite3_column_type(stmt_, column) == SQLITE_NULL)
        return {};
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
    if (!text)
        return {};   // out of memory while converting: read as NULL rather than crash
    return std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

} // namespace store
