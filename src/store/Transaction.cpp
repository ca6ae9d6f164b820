#include "store/Transaction.h"

#include "store/DatabaseConnection.h"

namespace store {

Transaction::Transaction(DatabaseConnection &connection)
    : connection_(connection)
{
    connection_.Execute(QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction()
{
    if (finished_ || !connection_.InTransaction())
        return;
    try {
        connection_.Execute(QStringLiteral("ROLLBACK"));
    } catch (...) {
        // The engine has already rolled back (or the connection is gone); nothing to keep.
    }
}

void Transaction::Commit()
{
    connection_.Execute(QStringLiteral("COMMIT"));
    finished_ = true;
}

} // namespace store
