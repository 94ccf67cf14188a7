#include "core/files/LocalRestoreThread.h"

#include <stdexcept>

#include "core/files/StoreCacheScope.h"
#include "core/frame/Cancellation.h"
#include "core/frame/ProgressThrottle.h"
#include "core/store/Accounts.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/StoreSMS.h"
#include "core/store/Transaction.h"

LocalRestoreThread::LocalRestoreThread(const QList<SMSInfo>& smsList)
    : JobThread("LocalRestoreThread"), m_smsList(smsList)
{}

void LocalRestoreThread::work()
{
    m_stored = m_skipped = 0;
    const std::shared_ptr<Sqlite3DB> db = currentDatabaseShared();
    if (!db)
        throw std::runtime_error("No account database is open.");
    const StoreCacheScope cache(db.get());
    Transaction transaction(db.get());
    const int total = m_smsList.size();
    int stored = 0;
    int skipped = 0;
    ProgressThrottle throttle(total);
    for (SMSInfo sms : std::as_const(m_smsList)) {
        Cancellation::throwIfRequested();
        if (!sms.date.isValid())
            throw std::runtime_error(tr("IDS_INVALID_DATE_FORMAT").toUtf8().toStdString());
        if (sms.address.isEmpty())
            sms.address = QStringLiteral("Unknown");
        if (storeSMS(db.get(), sms))
            ++stored;
        else
            ++skipped;
        if (throttle.shouldReport(stored + skipped))
            reportProgress(stored + skipped, total);
    }
    transaction.commit();
    m_stored = stored;
    m_skipped = skipped;
    emit succeed(tr("IDS_RESTORE_SUC_%1").arg(stored + skipped));
}
