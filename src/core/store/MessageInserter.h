#pragma once

#include <QByteArray>
#include <memory>
#include <vector>

#include "core/frame/SMSInfo.h"
#include "core/store/ConnectionLock.h"
#include "core/store/SubIdRuns.h"

class Sqlite3DB;
class Sqlite3Stmt;
class StoredDates;

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
