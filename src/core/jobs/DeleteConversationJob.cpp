#include "core/jobs/DeleteConversationJob.h"

#include "core/store/AccountJobs.h"
#include "core/store/StoreSMS.h"
#include "core/store/StoringJobScope.h"
#include "core/store/Transaction.h"

DeleteConversationJob::DeleteConversationJob(std::shared_ptr<Sqlite3DB> db, const QString& suffix)
    : JobThread("DeleteConversationJob"), m_db(std::move(db)), m_suffix(suffix)
{
    AccountJobs::instance(); // made on the main thread, before the job asks for it
}

void DeleteConversationJob::work()
{
    StoringJobScope scope(m_db.get());
    deleteConversation(m_db.get(), m_suffix);
    scope.commit();
    emit succeed(QString());
}
