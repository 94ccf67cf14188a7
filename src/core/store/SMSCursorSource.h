#pragma once

#include "core/store/AbsSMSDataSource.h"
#include "core/store/Sqlite3Cursor.h"

class SMSCursorSource : public AbsSMSDataSource
{
public:
    explicit SMSCursorSource(const Sqlite3Cursor& cursor) : m_cursor(cursor) {}
    int count() override;
    bool next(SMSInfo& sms) override;

private:
    Sqlite3Cursor m_cursor;
};
