#pragma once
// The measurement units of the newest stored results, for the grid's and the CSV file's
// column titles. They read the file (not the view's pending rows): the unit of the row with
// the latest fTransferTime among the rows whose unit is not empty; "" when there is none.
// Errors (DatabaseError) reach the caller.

#include <QString>

namespace store {

class DatabaseConnection;

// fHB_Unit of the newest row that has one.
QString NewestHBUnit(DatabaseConnection &connection);
// fHCT_Unit of the newest row that has one, with every "--" removed.
QString NewestHCTUnit(DatabaseConnection &connection);

} // namespace store
