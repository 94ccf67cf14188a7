#pragma once

#include <memory>

#include "core/store/MessageQuery.h"
#include "core/store/SMSPageSource.h"

class Sqlite3DB;

// Pages of a query, each read when asked for. A query with keys is run once for the ids of its
// rows in order (8 bytes a row); a page then reads its rows by id. Otherwise the count runs once
// and each page is one statement reading from whichever end of the result is nearer (the last
// page is the one shown first). count() may run on a job's thread first (the search on a large
// account takes a while); a cancel of that job interrupts it (Cancellation::Cancelled).
class SMSQueryPageSource : public SMSPageSource
{
public:
    SMSQueryPageSource(std::shared_ptr<Sqlite3DB> db, MessageQuery query);
    qint64 count() override;
    QList<SMSInfo> page(qint64 first, int n) override;

private:
    QList<SMSInfo> read(const Sqlite3Sql& sql) const;
    QList<SMSInfo> pageByKeys(qint64 first, int n) const;
    QList<SMSInfo> pageBySlice(qint64 first, int n) const;

    std::shared_ptr<Sqlite3DB> m_db;
    MessageQuery m_query;
    qint64 m_count = -1;
    QList<qint64> m_keys;
};
