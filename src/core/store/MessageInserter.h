#pragma once

#include <QByteArray>
#include <memory>
#include <vector>

#include "core/frame/SMSInfo.h"
#include "core/store/SubIdRuns.h"

class Sqlite3DB;
class Sqlite3Stmt;
struct sqlite3_mutex;

// Holds the connection's lock (recursive: SQLite's own calls take it too), so that what a
// caller checks and inserts stays together when another thread stores on the same handle.
// Throws Sqlite3Exception when the database is not open.
class ConnectionLock
{
public:
    explicit ConnectionLock(Sqlite3DB* db);
    ~ConnectionLock();
    ConnectionLock(const ConnectionLock&) = delete;
    ConnectionLock& operator=(const ConnectionLock&) = delete;

private:
    sqlite3_mutex* m_mutex;
};

// The dates (whole seconds) of the messages a job stored, as a Bloom filter: "not held" is
// certain, "held" may be wrong now and then (then the duplicate query decides). 2 MiB, and
// about one wrong "held" in 200 after a million dates.
class StoredDates
{
public:
    StoredDates();
    void add(long long date);
    bool mayHold(long long date) const;

private:
    std::vector<quint64> m_bits;
};

// Checks messages against the stored ones and those it holds (the duplicate rule: the same
// date to the second, address, body and direction), and inserts the new ones in their order,
// several to a statement. Holds the connection's lock for its lifetime. Used by storeSMS and
// SMSBatchStore.
class MessageInserter
{
public:
    // dates, when given, holds the date of every message that may be stored with one of them
    // (the account had none before they came): a message with another date is new without a
    // query. The inserter adds the dates of the new messages to it.
    explicit MessageInserter(Sqlite3DB* db, StoredDates* dates = nullptr);
    MessageInserter(const MessageInserter&) = delete;
    MessageInserter& operator=(const MessageInserter&) = delete;

    // True when the message is new: it is then inserted by a later flush, at the latest.
    // Throws Sqlite3Exception.
    bool add(const SMSInfo& sms);
    // Inserts the new messages held so far, with their subscription ids.
    void flush();

    // The query that finds a stored duplicate (date, address, body, direction bound in order).
    static const char* duplicateQuery();

private:
    // A message as it is bound: the texts in UTF-8, the date in whole seconds.
    struct Row
    {
        long long date = 0;
        int isSend = 0;
        QByteArray address, person, body, suffix;
        QString subId;

        bool sameAs(const Row& other) const;
    };

    bool isPending(const Row& row) const;
    bool isStored(const Row& row);
    void insertPending();
    void insert(std::size_t first, int rows);

    Sqlite3DB* m_db;
    ConnectionLock m_lock;
    StoredDates* m_dates;
    std::shared_ptr<Sqlite3Stmt> m_count;
    std::vector<Row> m_pending;
    SubIdRuns m_subIds;
};
