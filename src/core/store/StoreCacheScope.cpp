#include "core/store/StoreCacheScope.h"

#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/Sqlite3Sql.h"

namespace {

void setCacheSize(Sqlite3DB* db, long long size)
{
    db->executeThrow(Sqlite3Sql(QStringLiteral("PRAGMA cache_size = %1").arg(size)));
}

} // namespace

StoreCacheScope::StoreCacheScope(Sqlite3DB* db) : m_db(db)
{
    Sqlite3Cursor cursor = db->queryThrow(Sqlite3Sql("PRAGMA cache_size"));
    m_previous = cursor.moveNext() ? cursor.getInt64(0) : -2000;
    setCacheSize(db, -CACHE_KIB); // negative: in KiB
}

StoreCacheScope::~StoreCacheScope()
{
    try {
        setCacheSize(m_db, m_previous);
    } catch (const Sqlite3Exception& e) {
        qDebug("StoreCacheScope: cache size not restored: %s", e.what());
    }
}
