#include "core/store/SMSBatchStore.h"

#include <sqlite3.h>

#include "core/frame/MMSInfo.h"
#include "core/store/ConnectionLock.h"
#include "core/store/MMSStore.h"
#include "core/store/MessageInserter.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Sql.h"
#include "core/store/StoredDates.h"
#include "core/store/WriteTransaction.h"

SMSBatchStore::SMSBatchStore(Sqlite3DB* db) : m_db(db)
{
    const ConnectionLock lock(db);
    WriteTransaction::deferDerivedRows(db);
    Sqlite3Cursor cursor = db->queryThrow(Sqlite3Sql("select exists (select 1 from sms)"));
    if (cursor.moveNext() && cursor.getInt(0) == 0)
        m_dates = std::make_unique<StoredDates>();
    m_changes = sqlite3_total_changes64(db->handle());
}

SMSBatchStore::~SMSBatchStore() = default;

int SMSBatchStore::store(const QList<SMSInfo>& list)
{
    const ConnectionLock lock(m_db);
    // Rows written by anyone else (their triggers' too) could be duplicates the dates do not
    // know of.
    if (m_dates && sqlite3_total_changes64(m_db->handle()) != m_changes)
        m_dates.reset();
    MessageInserter inserter(m_db, m_dates.get());
    int stored = 0;
    for (const SMSInfo& sms : list) {
        if (inserter.add(sms))
            ++stored;
    }
    inserter.flush();
    m_changes = sqlite3_total_changes64(m_db->handle());
    return stored;
}

bool SMSBatchStore::storeMMS(MMSInfo& mms)
{
    const ConnectionLock lock(m_db);
    if (m_dates && sqlite3_total_changes64(m_db->handle()) != m_changes)
        m_dates.reset();
    const bool stored = ::storeMMS(m_db, mms);
    if (stored && m_dates) {
        Sqlite3Cursor row = m_db->queryThrow(
            Sqlite3Sql("select date from sms where sms_id = ?").addInt64Param(mms.smsId));
        if (row.moveNext())
            m_dates->add(row.getInt64(0));
    }
    m_changes = sqlite3_total_changes64(m_db->handle());
    return stored;
}
