#include "core/store/ConnectionLock.h"

#include <sqlite3.h>

#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"

ConnectionLock::ConnectionLock(Sqlite3DB* db)
{
    if (!db || !db->isOpen())
        throw Sqlite3Exception("the database is not open", SQLITE_MISUSE);
    m_mutex = sqlite3_db_mutex(db->handle());
    sqlite3_mutex_enter(m_mutex);
}

ConnectionLock::~ConnectionLock()
{
    sqlite3_mutex_leave(m_mutex);
}
