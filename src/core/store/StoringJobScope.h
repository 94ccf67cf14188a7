#pragma once

#include <memory>

#include "core/store/StoreCacheScope.h"
#include "core/store/Transaction.h"

class InterruptOnCancel;
class Sqlite3DB;

// What every job that writes to the account holds while it works, taken in one: the larger page
// cache (StoreCacheScope), the job's Transaction (the account held by the job, rolled back
// unless committed) and a cancel that stops a long statement (InterruptOnCancel). The commit
// itself is not interrupted: work the job finished before it saw a cancel stands.
//
// The connection's own lock (ConnectionLock) is not among them: the store takes it around each
// batch, so the window's reads on the shared connection never wait for a whole job. Insert-only
// jobs store through SMSBatchStore, which fills the derived tables at the commit.
class StoringJobScope
{
public:
    // Throws Sqlite3Exception when the begin fails.
    explicit StoringJobScope(Sqlite3DB* db);
    ~StoringJobScope();
    StoringJobScope(const StoringJobScope&) = delete;
    StoringJobScope& operator=(const StoringJobScope&) = delete;

    void commit();

private:
    StoreCacheScope m_cache;
    Transaction m_transaction;
    std::unique_ptr<InterruptOnCancel> m_interrupt;
};
