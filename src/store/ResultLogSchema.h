#pragma once
// The result database's tables and the columns of the result view.
//
// result_log: fifteen columns, fID the auto-increment row key, date-times as REAL OLE dates,
// texts as TEXT with their declared sizes. The sizes are declarations only: a longer text is
// stored whole. LanguageConst: an old table the program never opens. The view adds four
// calculated columns that exist only in memory.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>

namespace store {

class DatabaseConnection;

enum class ColumnKind
{
    AutoId,      // fID: assigned by the database when a row is written
    DateTime,    // REAL, an OLE date; NULL when never set
    Text,        // TEXT; NULL when never set
    Calculated,  // computed from the row when it is read or shown
};

// Columns of the result view, in the table's order, then the calculated ones.
enum class ResultColumn : int
{
    fID,
    fDateTime,
    fDateTime_Txt,
    fRecDate,
    fRecID_Txt,
    fRecID,
    fHB_Txt,
    fHB_Unit,
    fHB_Flag,
    fHCT_Txt,
    fHCT_Unit,
    fHCT_Flag,
    fTransferTime,
    fHB,
    fHCT,
    fDate_C,
    fTime_C,
    fHB_C,
    fHCT_C,
};

struct ColumnInfo
{
    const char *name;
    ColumnKind kind;
    int size;   // declared size of a text column, in characters; 0 otherwise
};

inline constexpr int kTableColumnCount = 15;
inline constexpr int kViewColumnCount = 19;

const std::array<ColumnInfo, kViewColumnCount> &ViewColumns();
inline const ColumnInfo &ColumnInfoOf(ResultColumn column)
{
    return ViewColumns()[static_cast<int>(column)];
}
QString ColumnName(ResultColumn column);
// Index of the view column with that name, letters compared without regard to case (as the
// program names fields: "FID" and "fID" are one column); -1 when there is none.
int FindViewColumn(QStringView name);

// The file's password (11 letters and digits), fixed in the program.
QByteArray DatabasePassword();

// The DDL of both tables and of the transfer-time index, as one SQL text.
QString ResultDatabaseSchemaSql();
// The index that serves the unit look-ups (newest fTransferTime first); created when a file
// made elsewhere lacks it.
QString TransferTimeIndexSql();

// Creates a new keyed database file with the schema at path. Throws DatabaseError when the
// file exists already or cannot be created; a half-made file is removed.
void CreateResultDatabase(const QString &path);

// Checks that result_log has every column the view binds to and that fID is the table's
// auto-increment key; throws DatabaseError naming what is missing.
void VerifyResultLogSchema(DatabaseConnection &connection);

} // namespace store
