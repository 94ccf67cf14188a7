#include "core/store/SMSQueryPageSource.h"

#include <QScopeGuard>
#include <algorithm>
#include <sqlite3.h>

#include "core/frame/Cancellation.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/StoreSMS.h"

namespace {

// SQLite asks this every few thousand steps; a cancelled job (never the GUI thread, which may
// share the connection meanwhile) interrupts the statement.
int interruptWhenCancelled(void*)
{
    return Cancellation::requested() ? 1 : 0;
}

} // namespace

SMSQueryPageSource::SMSQueryPageSource(std::shared_ptr<Sqlite3DB> db, MessageQuery query)
    : m_db(std::move(db)), m_query(std::move(query))
{}

qint64 SMSQueryPageSource::count()
{
    if (m_count >= 0)
        return m_count;
    if (m_query.hasKeys()) {
        // The search itself: a job may run it, and cancel it however few rows match.
        QList<qint64> keys;
        sqlite3_progress_handler(m_db->handle(), 10000, &interruptWhenCancelled, nullptr);
        const auto uninstall =
            qScopeGuard([this] { sqlite3_progress_handler(m_db->handle(), 0, nullptr, nullptr); });
        try {
            for (Sqlite3Cursor cursor = m_db->queryThrow(m_query.orderedKeys()); cursor.moveNext();)
                keys.append(cursor.getInt64(0));
        } catch (const Sqlite3Exception&) {
            Cancellation::throwIfRequested(); // SQLite says "interrupted"
            throw;
        }
        m_keys = std::move(keys);
        m_count = m_keys.size();
    } else {
        Sqlite3Cursor cursor = m_db->queryThrow(m_query.count);
        m_count = cursor.moveNext() ? cursor.getInt64(0) : 0;
    }
    return m_count;
}

QList<SMSInfo> SMSQueryPageSource::page(qint64 first, int n)
{
    const qint64 total = count();
    n = int(std::min<qint64>(n, total - first));
    if (first < 0 || n <= 0)
        return {};
    return m_query.hasKeys() ? pageByKeys(first, n) : pageBySlice(first, n);
}

QList<SMSInfo> SMSQueryPageSource::read(const Sqlite3Sql& sql) const
{
    QList<SMSInfo> list;
    Sqlite3Cursor cursor = m_db->queryThrow(sql);
    if (!cursor.moveNext())
        return list;
    const SMSColumns columns = smsColumns(cursor);
    do {
        list.append(readSMSRow(cursor, columns));
    } while (cursor.moveNext());
    return list;
}

QList<SMSInfo> SMSQueryPageSource::pageByKeys(qint64 first, int n) const
{
    QList<SMSInfo> list;
    for (qint64 from = first; from < first + n; from += MessageQuery::maxKeys) {
        const int chunk = int(std::min<qint64>(MessageQuery::maxKeys, first + n - from));
        list.append(read(m_query.rowsOf(m_keys.mid(from, chunk))));
    }
    return list;
}

QList<SMSInfo> SMSQueryPageSource::pageBySlice(qint64 first, int n) const
{
    // SQLite sorts and skips every row before the offset: the shorter way round is cheaper.
    const qint64 fromEnd = m_count - first - n;
    const bool reversed = fromEnd < first;
    QList<SMSInfo> list = read(m_query.slice(reversed ? fromEnd : first, n, reversed));
    if (reversed)
        std::reverse(list.begin(), list.end());
    return list;
}
