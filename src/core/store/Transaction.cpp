#include "core/store/Transaction.h"

#include "core/store/AccountJobs.h"
#include "core/store/WriteTransaction.h"

Transaction::Transaction(Sqlite3DB* db)
{
    AccountJobs::instance()->acquire();
    try {
        m_write = std::make_unique<WriteTransaction>(db);
    } catch (...) {
        AccountJobs::instance()->release();
        throw;
    }
}

Transaction::~Transaction()
{
    m_write.reset();
    AccountJobs::instance()->release();
}

void Transaction::commit()
{
    m_write->commit();
}
