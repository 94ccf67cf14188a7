#include "core/store/SubIdRuns.h"

#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Sql.h"

SubIdRuns::SubIdRuns(Sqlite3DB* db) : m_db(db) {}

bool SubIdRuns::tablePresent()
{
    if (m_present < 0) {
        Sqlite3Cursor cursor = m_db->queryThrow(Sqlite3Sql(
            "select count(*) from sqlite_master where type = 'table' and name = 'sms_sub_ids'"));
        m_present = cursor.moveNext() && cursor.getInt(0) > 0 ? 1 : 0;
    }
    return m_present == 1;
}

void SubIdRuns::add(qint64 rowId, const QString& subId)
{
    if (subId.isNull())
        return;
    if (!m_runs.empty() && m_runs.back().last + 1 == rowId && m_runs.back().subId == subId)
        m_runs.back().last = rowId;
    else
        m_runs.push_back({rowId, rowId, subId});
}

void SubIdRuns::write()
{
    if (!m_runs.empty() && tablePresent()) {
        for (const Run& run : m_runs) {
            m_db->executeThrow(
                Sqlite3Sql("insert into sms_sub_ids(first_id, last_id, sub_id) values (?, ?, ?)")
                    .addInt64Param(run.first)
                    .addInt64Param(run.last)
                    .addTextParam(run.subId));
        }
    }
    m_runs.clear();
}

QString SubIdRuns::of(qint64 rowId)
{
    if (rowId >= m_found.first && rowId <= m_found.last)
        return m_found.subId;
    if (!tablePresent())
        return QString();
    // The nearest run that begins at or before the row; it holds the row or none does.
    Sqlite3Cursor cursor = m_db->queryThrow(
        Sqlite3Sql("select first_id, last_id, sub_id from sms_sub_ids where first_id <= ? order "
                   "by first_id desc limit 1")
            .addInt64Param(rowId));
    if (!cursor.moveNext() || cursor.getInt64(1) < rowId)
        return QString();
    m_found = {cursor.getInt64(0), cursor.getInt64(1), cursor.getText(2)};
    return m_found.subId;
}

bool SubIdRuns::any(Sqlite3DB* db)
{
    SubIdRuns runs(db);
    if (!runs.tablePresent())
        return false;
    Sqlite3Cursor cursor = db->queryThrow(Sqlite3Sql("select exists (select 1 from sms_sub_ids)"));
    return cursor.moveNext() && cursor.getInt(0) != 0;
}
