#pragma once

#include <QList>
#include <memory>

#include "core/frame/SMSInfo.h"

struct MMSInfo;

class Sqlite3DB;
class StoredDates;

// Stores the messages of one job batch after batch, in their order and as storeSMS would one
// after the other (the same duplicate rule, among them too, and the same row order), but
// inserts the new ones several to a statement: what SQLite does around each statement on the
// sms table with its triggers costs about as much as inserting the row. Made inside the job's
// transaction. When the account held no messages then, a message whose date (to the second)
// none of the job's stored messages has cannot be a duplicate: it is stored without the
// duplicate query, most of what checking costs on a large import. Any other write on the
// connection between two batches ends that shortcut for the rest of the job.
class SMSBatchStore
{
public:
    explicit SMSBatchStore(Sqlite3DB* db);
    ~SMSBatchStore();
    SMSBatchStore(const SMSBatchStore&) = delete;
    SMSBatchStore& operator=(const SMSBatchStore&) = delete;

    // Returns how many were new; their smsId is not set. Throws Sqlite3Exception.
    int store(const QList<SMSInfo>& list);
    // Stores one MMS of the job (storeMMS) between batches; its conversation row joins the
    // dates, so the shortcut goes on. True when stored. Throws Sqlite3Exception.
    bool storeMMS(MMSInfo& mms);

private:
    Sqlite3DB* m_db;
    std::unique_ptr<StoredDates> m_dates; // null: every message is looked for
    long long m_changes = 0;              // the connection's row changes after the last batch
};
