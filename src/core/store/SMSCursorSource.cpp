#include "core/store/SMSCursorSource.h"

#include "core/store/Sqlite3DB.h"
#include "core/store/StoreSMS.h"

SMSCursorSource::SMSCursorSource(Sqlite3DB* db, const MessageQuery& query)
    : m_cursor(db->queryThrow(query.ordered())), m_db(db), m_countSql(query.count)
{}

int SMSCursorSource::count()
{
    if (m_countSql) {
        // Counted once; afterwards the cursor's own count serves.
        Sqlite3Cursor counter = m_db->queryThrow(*m_countSql);
        const int total = counter.moveNext() ? counter.getInt(0) : 0;
        m_countSql.reset();
        m_known = total;
    }
    return m_known >= 0 ? m_known : m_cursor.count();
}

bool SMSCursorSource::next(SMSInfo& sms)
{
    if (!m_cursor.moveNext())
        return false;
    if (!m_columns)
        m_columns = smsColumns(m_cursor);
    sms = readSMSRow(m_cursor, *m_columns);
    return true;
}
