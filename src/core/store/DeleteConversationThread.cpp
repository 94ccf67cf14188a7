#include "core/store/DeleteConversationThread.h"

#include "core/store/StoreSMS.h"
#include "core/store/Transaction.h"

DeleteConversationThread::DeleteConversationThread(std::shared_ptr<Sqlite3DB> db,
                                                   const QString& suffix)
    : JobThread("DeleteConversationThread"), m_db(std::move(db)), m_suffix(suffix)
{
    AccountJobs::instance(); // made on the main thread, before the job asks for it
}

void DeleteConversationThread::work()
{
    Transaction transaction(m_db.get());
    deleteConversation(m_db.get(), m_suffix);
    transaction.commit();
    emit succeed(QString());
}
