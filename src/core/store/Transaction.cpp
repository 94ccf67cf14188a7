#include "core/store/Transaction.h"

#include "core/store/AccountUpgrade.h"
#include "core/store/Sqlite3DB.h"

AccountJobs* AccountJobs::instance()
{
    static AccountJobs jobs;
    return &jobs;
}

bool AccountJobs::runUnlessBusy(const std::function<void()>& work)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (busy())
        return false;
    work();
    return true;
}

void AccountJobs::acquire(Sqlite3DB* db)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    db->beginTran();
    ++m_held;
}

void AccountJobs::release()
{
    if (--m_held == 0)
        emit released();
}

Transaction::Transaction(Sqlite3DB* db) : m_db(db)
{
    AccountJobs::instance()->acquire(m_db);
    m_open = true;
}

Transaction::~Transaction()
{
    if (m_open) {
        try {
            m_db->rollbackTran();
        } catch (const std::exception& e) {
            // After a failed statement SQLite may have ended the transaction itself.
            qDebug("Transaction: rollback failed, %s", e.what());
        }
    }
    AccountJobs::instance()->release();
}

void Transaction::commit()
{
    // The job's new messages go into the search index in one step rather than one by one.
    indexPendingMessages(m_db);
    m_db->commitTran();
    m_open = false;
}
