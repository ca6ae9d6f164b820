#include "StoreTestHelpers.h"

#include "store/ResultLogSchema.h"
#include "store/Statement.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <stdexcept>

namespace storetest {

ShellResult RunSqlcipherShell(const QString &databasePath, const QString &script)
{
    QProcess shell;
    shell.start(QStringLiteral("sqlcipher"), {QStringLiteral("-batch"), databasePath});
    ShellResult result;
    if (!shell.waitForStarted(10000)) {
        result.err = QStringLiteral("the sqlcipher shell does not start (is the package installed?)");
        return result;
    }
    shell.write(script.toUtf8());
    shell.closeWriteChannel();
    if (!shell.waitForFinished(30000)) {
        shell.kill();
        shell.waitForFinished(5000);
        result.err = QStringLiteral("the sqlcipher shell did not finish");
        return result;
    }
    result.exitCode = shell.exitStatus() == QProcess::NormalExit ? shell.exitCode() : -1;
    result.out = QString::fromUtf8(shell.readAllStandardOutput());
    result.err = QString::fromUtf8(shell.readAllStandardError());
    return result;
}

QString ShellResultLogDdl(const QString &omitColumn)
{
    const QStringList columns = {
        "fID INTEGER PRIMARY KEY AUTOINCREMENT", "fDateTime REAL", "fDateTime_Txt TEXT(30)",
        "fRecDate REAL", "fRecID_Txt TEXT(30)", "fRecID TEXT(10)", "fHB_Txt TEXT(50)",
        "fHB_Unit TEXT(15)", "fHB_Flag TEXT(10)", "fHCT_Txt TEXT(50)", "fHCT_Unit TEXT(15)",
        "fHCT_Flag TEXT(10)", "fTransferTime REAL", "fHB TEXT(20)", "fHCT TEXT(20)"};
    QStringList kept;
    for (const QString &column : columns) {
        if (column.section(QLatin1Char(' '), 0, 0) != omitColumn)
            kept << column;
    }
    return QStringLiteral("CREATE TABLE result_log (%1);\n"
                          "CREATE TABLE LanguageConst (ID INTEGER PRIMARY KEY AUTOINCREMENT,"
                          " fLanguageName TEXT(50), fLanguageID INTEGER);\n")
        .arg(kept.join(QStringLiteral(", ")));
}

void CreateWithShell(const QString &path, const QString &key, const QString &ddl)
{
    const ShellResult result =
        RunSqlcipherShell(path, QStringLiteral("PRAGMA key='%1';\n%2").arg(key, ddl));
    if (result.exitCode != 0)
        throw std::runtime_error(("sqlcipher shell failed: " + result.err).toStdString());
}

TempDatabase::TempDatabase()
{
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder");
    path_ = dir_.filePath(QStringLiteral("HB_data1.dat"));
    store::CreateResultDatabase(path_);
}

void OpenWithKey(store::DatabaseConnection &connection, const QString &path)
{
    connection.Open(path, store::DatabasePassword());
}

QStringList StoredRecIDs(const QString &path)
{
    store::DatabaseConnection connection;
    OpenWithKey(connection, path);
    store::Statement query(connection, QStringLiteral("SELECT fRecID FROM result_log ORDER BY fID"));
    QStringList ids;
    while (query.Step())
        ids << query.ColumnText(0);
    return ids;
}

std::vector<qint64> StoredIDs(const QString &path)
{
    store::DatabaseConnection connection;
    OpenWithKey(connection, path);
    store::Statement query(connection, QStringLiteral("SELECT fID FROM result_log ORDER BY fID"));
    std::vector<qint64> ids;
    while (query.Step())
        ids.push_back(query.ColumnInt64(0));
    return ids;
}

void AppendResult(store::ResultView &view, const QString &recID, double transferTime)
{
    using store::ResultColumn;
    view.Append();
    view.SetFieldValue(ResultColumn::fRecID, recID);
    view.SetFieldValue(ResultColumn::fDateTime, 45356.58862);
    view.SetFieldValue(ResultColumn::fDateTime_Txt, QStringLiteral("2024-03-05 14:07:37"));
    view.SetFieldValue(ResultColumn::fHB_Txt, QStringLiteral("HB: 14.2g/dL"));
    view.SetFieldValue(ResultColumn::fHB, QStringLiteral("14.2"));
    view.SetFieldValue(ResultColumn::fHB_Unit, QStringLiteral("g/dL"));
    view.SetFieldValue(ResultColumn::fHB_Flag, QStringLiteral(""));
    view.SetFieldValue(ResultColumn::fHCT_Txt, QStringLiteral("HCT: 42%"));
    view.SetFieldValue(ResultColumn::fHCT, QStringLiteral("42"));
    view.SetFieldValue(ResultColumn::fHCT_Unit, QStringLiteral("%"));
    view.SetFieldValue(ResultColumn::fTransferTime, transferTime);
    view.Post();
}

} // namespace storetest
