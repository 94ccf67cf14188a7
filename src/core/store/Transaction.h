#pragma once

#include <memory>

class Sqlite3DB;
class WriteTransaction;

// One job's transaction: begun when constructed (the account is then held by the job), rolled
// back when destroyed unless committed, so any failure or cancel leaves nothing of the job.
// Throws Sqlite3Exception when the begin or the commit fails.
class Transaction
{
public:
    explicit Transaction(Sqlite3DB* db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    std::unique_ptr<WriteTransaction> m_write;
};
