#include "files/LocalRestoreThread.h"

#include <stdexcept>

#include "files/ProgressThrottle.h"
#include "store/Accounts.h"
#include "store/Sqlite3DB.h"
#include "store/StoreSMS.h"

namespace {

// After a failed statement the transaction may already be gone; nothing more to undo then.
void rollbackQuietly(Sqlite3DB* db)
{
    try {
        db->rollbackTran();
    } catch (const std::exception& e) {
        qDebug("LocalRestoreThread: rollback failed, %s", e.what());
    }
}

} // namespace

LocalRestoreThread::LocalRestoreThread(const QList<SMSInfo>& smsList, ProgressForm* progress)
    : JobThread(progress), smsList(smsList)
{}

void LocalRestoreThread::run()
{
    Sqlite3DB* db = currentDatabase();
    if (!db) {
        emit errorOccurred(QStringLiteral("No account database is open."));
        return;
    }
    try {
        db->beginTran();
    } catch (const std::exception& e) {
        emit errorOccurred(QString::fromUtf8(e.what()));
        return;
    }
    try {
        switch (storeAll(db)) {
        case Outcome::Cancelled:
            rollbackQuietly(db);
            qDebug("LocalRestoreThread: User canceled.");
            return;
        case Outcome::InvalidDate:
            rollbackQuietly(db);
            emit errorOccurred(tr("IDS_INVALID_DATE_FORMAT"));
            return;
        case Outcome::Finished:
            break;
        }
        db->commitTran();
    } catch (const std::exception& e) {
        // Database failures (including the commit) end the job; nothing of it stays stored.
        rollbackQuietly(db);
        m_stored = m_skipped = 0;
        emit errorOccurred(QString::fromUtf8(e.what()));
        return;
    }
    emit succeed(tr("IDS_RESTORE_SUC_%1").arg(m_stored + m_skipped));
}

LocalRestoreThread::Outcome LocalRestoreThread::storeAll(Sqlite3DB* db)
{
    const int total = smsList.size();
    m_stored = m_skipped = 0;
    ProgressThrottle throttle(total);
    for (SMSInfo sms : std::as_const(smsList)) {
        if (cancelRequested)
            return Outcome::Cancelled;
        if (!sms.date.isValid())
            return Outcome::InvalidDate;
        if (sms.address.isEmpty())
            sms.address = QStringLiteral("Unknown");
        if (storeSMS(db, sms))
            ++m_stored;
        else
            ++m_skipped;
        const int done = m_stored + m_skipped;
        if (throttle.shouldReport(done))
            emit updateProgress(percentOf(done, total),
                                QStringLiteral("SMS %1:%2").arg(done).arg(total));
    }
    return Outcome::Finished;
}
