#include "store/UnitLookups.h"

#include "store/DatabaseConnection.h"

namespace store {

namespace {

// Only the first row is read: with the transfer-time index the engine finds it without
// sorting the table. A NULL unit fails "<> ''" and never qualifies.
QString FirstColumnOfFirstRow(DatabaseConnection &connection, const QString &sql)
{
    const QString text = connection.QueryText(sql);
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace

QString NewestHBUnit(DatabaseConnection &connection)
{
    return FirstColumnOfFirstRow(
        connection, QStringLiteral("SELECT fHB_Unit from result_log where fhb_unit <> '' order by fTransferTime desc"));
}

QString NewestHCTUnit(DatabaseConnection &connection)
{
    QString unit = FirstColumnOfFirstRow(
        connection, QStringLiteral("SELECT fHCT_Unit from result_log where fhct_unit <> '' order by fTransferTime desc"));
    return unit.remove(QStringLiteral("--"));
}

} // namespace store
