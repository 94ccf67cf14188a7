#include "core/store/InterruptOnCancel.h"

#include <sqlite3.h>

#include "core/frame/Cancellation.h"
#include "core/store/Sqlite3DB.h"

namespace {

// The connection whose handler the calling thread set.
thread_local Sqlite3DB* t_interrupting = nullptr;

// SQLite calls this every few thousand steps of a statement; non-zero interrupts it.
int interruptWhenCancelled(void*)
{
    return Cancellation::requested() ? 1 : 0;
}

} // namespace

InterruptOnCancel::InterruptOnCancel(Sqlite3DB* db) : m_db(db)
{
    if (t_interrupting == db)
        return;
    sqlite3_progress_handler(db->handle(), 10000, &interruptWhenCancelled, nullptr);
    t_interrupting = db;
    m_outermost = true;
}

InterruptOnCancel::~InterruptOnCancel()
{
    if (!m_outermost)
        return;
    sqlite3_progress_handler(m_db->handle(), 0, nullptr, nullptr);
    t_interrupting = nullptr;
}
