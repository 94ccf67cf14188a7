#include "core/jobs/XMLImportJob.h"

#include <QFileInfo>
#include <stdexcept>

#include "core/format/XMLReadAhead.h"
#include "core/frame/Cancellation.h"
#include "core/jobs/XMLProgress.h"
#include "core/store/Accounts.h"
#include "core/store/SMSBatchStore.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/StoringJobScope.h"

XMLImportJob::XMLImportJob(const QString& fileName)
    : JobThread("XMLImportJob"), m_fileName(fileName)
{}

void XMLImportJob::work()
{
    m_stored = m_duplicates = m_skipped = m_mmsStored = m_mmsDuplicates = 0;
    const std::shared_ptr<Sqlite3DB> db = currentDatabaseShared();
    if (!db)
        throw std::runtime_error("No account database is open.");
    XMLReadAhead file(m_fileName);
    XMLProgress progress(*this, QFileInfo(m_fileName).size());
    StoringJobScope scope(db.get());
    SMSBatchStore store(db.get());
    int stored = 0;
    int duplicates = 0;
    int mmsStored = 0;
    int mmsDuplicates = 0;
    XMLReadAhead::Batch batch;
    while (file.next(batch)) {
        Cancellation::throwIfRequested();
        for (SMSInfo& sms : batch.messages) {
            if (sms.address.isEmpty())
                sms.address = QStringLiteral("Unknown");
        }
        const int added = store.store(batch.messages);
        Cancellation::throwIfRequested(); // a cancel while storing still rolls back
        stored += added;
        duplicates += int(batch.messages.size()) - added;
        for (MMSInfo& mms : batch.mms) {
            Cancellation::throwIfRequested();
            ++(store.storeMMS(mms) ? mmsStored : mmsDuplicates);
        }
        progress.step(batch.position, batch.elements, batch.declaredCount);
    }
    scope.commit();
    progress.finish(batch.elements, batch.declaredCount);
    m_stored = stored;
    m_duplicates = duplicates;
    m_mmsStored = mmsStored;
    m_mmsDuplicates = mmsDuplicates;
    m_skipped = int(file.skippedCount());
    QString text = tr("IDS_RESTORE_SUC_%1").arg(stored + duplicates);
    if (mmsStored + mmsDuplicates > 0)
        text += QLatin1Char(' ') + tr("IDS_XML_IMPORTED_MMS_%1").arg(mmsStored + mmsDuplicates);
    if (const QString skipped = file.skippedSummary(); !skipped.isEmpty())
        text += QLatin1Char(' ') + skipped;
    emit succeed(text);
}
