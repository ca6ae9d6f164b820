#include "store/ResultLogSchema.h"

#include "store/DatabaseConnection.h"
#include "store/DatabaseError.h"
#include "store/Statement.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace store {

namespace {

constexpr std::array<ColumnInfo, kViewColumnCount> kColumns = {{
    {"fID", ColumnKind::AutoId, 0},
    {"fDateTime", ColumnKind::DateTime, 0},
    {"fDateTime_Txt", ColumnKind::Text, 30},
    {"fRecDate", ColumnKind::DateTime, 0},
    {"fRecID_Txt", ColumnKind::Text, 30},
    {"fRecID", ColumnKind::Text, 10},
    {"fHB_Txt", ColumnKind::Text, 50},
    {"fHB_Unit", ColumnKind::Text, 15},
    {"fHB_Flag", ColumnKind::Text, 10},
    {"fHCT_Txt", ColumnKind::Text, 50},
    {"fHCT_Unit", ColumnKind::Text, 15},
    {"fHCT_Flag", ColumnKind::Text, 10},
    {"fTransferTime", ColumnKind::DateTime, 0},
    {"fHB", ColumnKind::Text, 20},
    {"fHCT", ColumnKind::Text, 20},
    {"fDate_C", ColumnKind::Calculated, 0},
    {"fTime_C", ColumnKind::Calculated, 0},
    {"fHB_C", ColumnKind::Calculated, 0},
    {"fHCT_C", ColumnKind::Calculated, 0},
}};

QString ResultLogTableSql()
{
    QStringList columns;
    for (int i = 0; i < kTableColumnCount; ++i) {
        const ColumnInfo &info = kColumns[static_cast<std::size_t>(i)];
        const QString name = QString::fromLatin1(info.name);
        switch (info.kind) {
        case ColumnKind::AutoId:
            columns << name + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
            break;
        case ColumnKind::DateTime:
            columns << name + QStringLiteral(" REAL");
            break;
        case ColumnKind::Text:
            columns << QStringLiteral("%1 TEXT(%2)").arg(name).arg(info.size);
            break;
        case ColumnKind::Calculated:
            break;
        }
    }
    return QStringLiteral("CREATE TABLE result_log (\n  %1\n);\n").arg(columns.join(QStringLiteral(",\n  ")));
}

} // namespace

const std::array<ColumnInfo, kViewColumnCount> &ViewColumns()
{
    return kColumns;
}

QString ColumnName(ResultColumn column)
{
    return QString::fromLatin1(ColumnInfoOf(column).name);
}

int FindViewColumn(QStringView name)
{
    for (int i = 0; i < kViewColumnCount; ++i) {
        if (name.compare(QLatin1String(kColumns[static_cast<std::size_t>(i)].name), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QByteArray DatabasePassword()
{
    return QByteArrayLiteral("4817KPWzeuR");
}

QString TransferTimeIndexSql()
{
    return QStringLiteral("CREATE INDEX IF NOT EXISTS IX_result_log_fTransferTime "
                          "ON result_log (fTransferTime);\n");
}

QString ResultDatabaseSchemaSql()
{
    return ResultLogTableSql()
           + QStringLiteral("CREATE TABLE LanguageConst (\n"
                            "  ID INTEGER PRIMARY KEY AUTOINCREMENT,\n"
                            "  fLanguageName TEXT(50),\n"
                            "  fLanguageID INTEGER\n"
                            ");\n")
           + TransferTimeIndexSql();
}

void CreateResultDatabase(const QString &path)
{
    if (QFileInfo::exists(path))
        throw DatabaseError(QStringLiteral("The file already exists: %1").arg(path));
    // Built under a temporary name and renamed at the end, so that a failure never leaves a
    // file that looks like a database but lacks its tables.
    const QString building = path + QStringLiteral(".new");
    QFile::remove(building);
    try {
        DatabaseConnection connection;
        connection.Open(building, DatabasePassword(), DatabaseConnection::OpenMode::CreateNewFile);
        connection.Execute(QStringLiteral("BEGIN IMMEDIATE;\n") + ResultDatabaseSchemaSql()
                           + QStringLiteral("COMMIT;"));
        connection.Close();
    } catch (...) {
        QFile::remove(building);
        QFile::remove(building + QStringLiteral("-wal"));
        QFile::remove(building + QStringLiteral("-shm"));
        throw;
    }
    if (QFileInfo::exists(path) || !QFile::rename(building, path)) {
        QFile::remove(building);
        throw DatabaseError(QStringLiteral("Cannot create the database file %1").arg(path));
    }
}

void VerifyResultLogSchema(DatabaseConnection &connection)
{
    Statement info(connection, QStringLiteral("PRAGMA table_info(result_log)"));
    QStringList names;
    bool idIsKey = false;
    int keyColumns = 0;
    while (info.Step()) {
        // table_info: cid, name, type, notnull, dflt_value, pk
        const QString name = info.ColumnText(1);
        names << name;
        if (info.ColumnInt64(5) != 0) {
            ++keyColumns;
            if (name.compare(QLatin1String("fID"), Qt::CaseInsensitive) == 0
                && info.ColumnText(2).compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                idIsKey = true;
        }
    }
    if (names.isEmpty())
        throw DatabaseError(QStringLiteral("The table result_log is missing from %1").arg(connection.Path()));
    QStringList missing;
    for (int i = 0; i < kTableColumnCount; ++i) {
        const QString name = QString::fromLatin1(kColumns[static_cast<std::size_t>(i)].name);
        if (!names.contains(name, Qt::CaseInsensitive))
            missing << name;
    }
    if (!missing.isEmpty())
        throw DatabaseError(QStringLiteral("The table result_log lacks the column(s) %1")
                                .arg(missing.join(QStringLiteral(", "))));
    // Only an INTEGER PRIMARY KEY of its own is the row key that numbers new rows.
    if (!idIsKey || keyColumns != 1)
        throw DatabaseError(QStringLiteral("The column fID of result_log is not the table's "
                                           "auto-increment key"));
}

} // namespace store
