#pragma once

#include <QtGlobal>

class Sqlite3DB;

// The account's write lock for one store function: BEGIN IMMEDIATE (waiting for another program
// as long as the thread may wait, or not at all), unless the calling thread writes to that
// account already (a job's Transaction): then it is part of that one. The commit also stores the
// messages spooled beside the account (MessageSpool) and adds the new messages to the search
// index; the spool files go after the commit. Rolled back when destroyed unless committed.
// Throws Sqlite3Exception (SQLITE_BUSY: the account is in use).
class WriteTransaction
{
public:
    enum Wait
    {
        WaitForLock,
        NoWait,
    };
    explicit WriteTransaction(Sqlite3DB* db, Wait wait = WaitForLock);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    void commit();

    // For jobs that only insert, many messages: for the rest of the calling thread's transaction
    // on db the account's triggers are off on this connection, and every message stored from
    // now on reaches the search index, the summary and the numbers at the commit, a few
    // statements in all (a trigger's run per message costs more than storing it). Does nothing
    // without such a transaction, or when the account has triggers addDerivedRows does not
    // stand in for. Throws Sqlite3Exception.
    static void deferDerivedRows(Sqlite3DB* db);
    // Ends that for a write that is not an insert (a trigger it needs would otherwise not fire).
    static void resumeDerivedRows(Sqlite3DB* db);

private:
    static WriteTransaction* openOn(Sqlite3DB* db);
    void addDeferredRows();

    Sqlite3DB* m_db;
    Sqlite3DB* m_outer = nullptr;            // what the thread wrote to before
    WriteTransaction* m_outerOpen = nullptr; // the thread's own transaction before this one
    bool m_own = false;                      // began here (not part of an enclosing one)
    bool m_open = false;
    qint64 m_derivedAfter = -1; // deferred: messages after this row id wait for the commit
};
