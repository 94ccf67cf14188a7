#include "core/jobs/ImportJob.h"

#include <stdexcept>

#include "core/frame/Cancellation.h"
#include "core/frame/ProgressThrottle.h"
#include "core/store/Accounts.h"
#include "core/store/SMSBatchStore.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/StoringJobScope.h"

ImportJob::ImportJob(const QList<SMSInfo>& smsList) : JobThread("ImportJob"), m_smsList(smsList) {}

QList<SMSInfo> ImportJob::checkedChunk(int first) const
{
    QList<SMSInfo> chunk = m_smsList.mid(first, STORE_CHUNK);
    for (SMSInfo& sms : chunk) {
        if (!sms.date.isValid())
            throw std::runtime_error(tr("IDS_INVALID_DATE_FORMAT").toUtf8().toStdString());
        if (sms.address.isEmpty())
            sms.address = QStringLiteral("Unknown");
    }
    return chunk;
}

void ImportJob::work()
{
    m_stored = m_skipped = 0;
    const std::shared_ptr<Sqlite3DB> db = currentDatabaseShared();
    if (!db)
        throw std::runtime_error("No account database is open.");
    StoringJobScope scope(db.get());
    SMSBatchStore store(db.get());
    const int total = m_smsList.size();
    int stored = 0;
    ProgressThrottle throttle(total);
    for (int first = 0; first < total; first += STORE_CHUNK) {
        const QList<SMSInfo> chunk = checkedChunk(first);
        stored += store.store(chunk);
        // Each message is reported as if stored on its own, and a cancel stops the job before
        // the next one, as it did when they were.
        for (int done = first + 1; done <= first + chunk.size(); ++done) {
            Cancellation::throwIfRequested();
            if (throttle.shouldReport(done))
                reportProgress(done, total);
        }
    }
    scope.commit();
    m_stored = stored;
    m_skipped = total - stored;
    emit succeed(tr("IDS_RESTORE_SUC_%1").arg(total));
}
