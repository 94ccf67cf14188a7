#include "core/store/WriteTransaction.h"

#include <QCoreApplication>
#include <QThread>
#include <sqlite3.h>
#include <utility>

#include "core/store/AccountUpgrade.h"
#include "core/store/MessageSpool.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/Sqlite3Sql.h"
#include "core/store/StoreSMS.h"

namespace {

// The account the calling thread writes to, inside a WriteTransaction.
thread_local Sqlite3DB* t_writing = nullptr;
// The transaction the calling thread began on it.
thread_local WriteTransaction* t_open = nullptr;

void enableTriggers(Sqlite3DB* db, bool on)
{
    sqlite3_db_config(db->handle(), SQLITE_DBCONFIG_ENABLE_TRIGGER, on ? 1 : 0, nullptr);
}

// How long a thread waits for another thread of this program writing on the same handle; the
// window's own thread waits no longer than it may stop painting.
int writerWaitMs(WriteTransaction::Wait wait)
{
    if (wait == WriteTransaction::NoWait)
        return 0;
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread() ? 100 : 5000;
}

[[noreturn]] void throwInUse()
{
    throw Sqlite3Exception("the account is in use", SQLITE_BUSY);
}

} // namespace

WriteTransaction::WriteTransaction(Sqlite3DB* db, Wait wait) : m_db(db), m_outer(t_writing)
{
    if (t_writing == db) {
        m_open = true;
        return;
    }
    if (!db->lockWriter(writerWaitMs(wait)))
        throwInUse();
    try {
        if (wait == NoWait) {
            if (!db->tryBeginTran())
                throwInUse();
        } else {
            db->beginTran();
        }
    } catch (...) {
        db->unlockWriter();
        throw;
    }
    t_writing = db;
    m_outerOpen = t_open;
    t_open = this;
    m_own = true;
    m_open = true;
}

WriteTransaction::~WriteTransaction()
{
    if (!m_own)
        return;
    if (m_open) {
        try {
            m_db->rollbackTran();
        } catch (const std::exception& e) {
            // After a failed statement SQLite may have ended the transaction itself.
            qDebug("WriteTransaction: rollback failed, %s", e.what());
        }
    }
    if (m_derivedAfter >= 0)
        enableTriggers(m_db, true);
    t_open = m_outerOpen;
    t_writing = m_outer;
    m_db->unlockWriter();
}

void WriteTransaction::commit()
{
    if (!m_own) {
        m_open = false;
        return;
    }
    // Messages another run could not store go in with this one (duplicates are skipped).
    const QList<MessageSpool::Entry> spooled = MessageSpool::read(MessageSpool::folderOf(m_db));
    QStringList files;
    for (const MessageSpool::Entry& entry : spooled) {
        SMSInfo sms = entry.sms;
        storeSMS(m_db, sms);
        files.append(entry.file);
    }
    addDeferredRows();
    // New messages go into the search index in one step rather than one by one.
    indexPendingMessages(m_db);
    m_db->commitTran();
    m_open = false;
    MessageSpool::remove(files);
}

WriteTransaction* WriteTransaction::openOn(Sqlite3DB* db)
{
    return t_open && t_open->m_db == db && t_open->m_open ? t_open : nullptr;
}

void WriteTransaction::deferDerivedRows(Sqlite3DB* db)
{
    WriteTransaction* open = openOn(db);
    if (!open || open->m_derivedAfter >= 0 || !derivedRowsAddable(db))
        return;
    Sqlite3Cursor last = db->queryThrow(Sqlite3Sql("select ifnull(max(sms_id), 0) from sms"));
    last.moveNext();
    open->m_derivedAfter = last.getInt64(0);
    enableTriggers(db, false);
}

void WriteTransaction::resumeDerivedRows(Sqlite3DB* db)
{
    if (WriteTransaction* open = openOn(db))
        open->addDeferredRows();
}

void WriteTransaction::addDeferredRows()
{
    if (m_derivedAfter < 0)
        return;
    enableTriggers(m_db, true);
    const qint64 after = std::exchange(m_derivedAfter, -1);
    addDerivedRows(m_db, after);
}
