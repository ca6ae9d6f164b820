#pragma once
// A write transaction on a DatabaseConnection: BEGIN IMMEDIATE on construction (the write lock
// is taken at once, so a busy database fails here and not half-way through), COMMIT by
// Commit(); a transaction that was not committed is rolled back by the destructor. A failed
// COMMIT throws and leaves the transaction to that rollback.

namespace store {

class DatabaseConnection;

class Transaction
{
public:
    explicit Transaction(DatabaseConnection &connection);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void Commit();

private:
    DatabaseConnection &connection_;
    bool finished_ = false;
};

} // namespace store
