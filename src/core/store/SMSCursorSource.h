#pragma once

#include <optional>

#include "core/store/AbsSMSDataSource.h"
#include "core/store/MessageQuery.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/StoreSMS.h"

class Sqlite3DB;

class SMSCursorSource : public AbsSMSDataSource
{
public:
    explicit SMSCursorSource(const Sqlite3Cursor& cursor) : m_cursor(cursor) {}
    // Every row of the query in order, counted by the query's own count statement (cheaper than
    // counting the ordered rows). The database must outlive the source. Throws Sqlite3Exception.
    SMSCursorSource(Sqlite3DB* db, const MessageQuery& query);
    int count() override;
    bool next(SMSInfo& sms) override;

private:
    Sqlite3Cursor m_cursor;
    Sqlite3DB* m_db = nullptr;
    std::optional<Sqlite3Sql> m_countSql;
    int m_known = -1;
    std::optional<SMSColumns> m_columns;
};
