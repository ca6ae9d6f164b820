#pragma once
// Helpers for the store tests: temporary databases made by the sqlcipher shell or by the
// program's own schema code, rows for the result view, and a second look at the file.

#include "store/DatabaseConnection.h"
#include "store/ResultView.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <vector>

namespace storetest {

// The sqlcipher shell's result: exit code, standard output and error.
struct ShellResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the sqlcipher shell on the database file with the script on its standard input.
ShellResult RunSqlcipherShell(const QString &databasePath, const QString &script);

// The DDL of result_log as an installer or a person with the shell would write it, without
// the named column when one is given.
QString ShellResultLogDdl(const QString &omitColumn = QString());

// Creates a database file with the sqlcipher shell: PRAGMA key = key, then ddl.
void CreateWithShell(const QString &path, const QString &key, const QString &ddl);

// A temporary folder that holds one result database made by the program's own code.
class TempDatabase
{
public:
    TempDatabase();
    const QString &Path() const { return path_; }
    QString Dir() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QString path_;
};

// Opens path with the program's key.
void OpenWithKey(store::DatabaseConnection &connection, const QString &path);

// The fRecID texts of the stored rows in fID order, read through a new connection.
QStringList StoredRecIDs(const QString &path);
// The stored fIDs in fID order.
std::vector<qint64> StoredIDs(const QString &path);

// Appends one row with the given test number and a few typical values, and posts it.
void AppendResult(store::ResultView &view, const QString &recID, double transferTime = 46000.5);

} // namespace storetest
