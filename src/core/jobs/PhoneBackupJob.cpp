#include "core/jobs/PhoneBackupJob.h"

#include <QDateTime>
#include <QTcpSocket>
#include <memory>
#include <stdexcept>

#include "core/device/DeviceConnection.h"
#include "core/frame/BodyLimit.h"
#include "core/frame/Cancellation.h"
#include "core/jobs/BackupReadAhead.h"
#include "core/jobs/DataChannel.h"
#include "core/jobs/PhoneJobTimings.h"
#include "core/store/Accounts.h"
#include "core/store/SMSBatchStore.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/StoringJobScope.h"

namespace {

// At most this often the progress dialog hears of a record that moved no per-cent, so that a
// fast phone cannot flood the dialog's event queue.
constexpr qint64 PROGRESS_INTERVAL_MS = 100;

} // namespace

PhoneBackupJob::PhoneBackupJob() : JobThread("PhoneBackupJob") {}

void PhoneBackupJob::work()
{
    m_total = m_processed = m_stored = m_overLimit = 0;
    m_lastPercent = -1;
    m_lastReportMs = 0;
    QTcpSocket data;
    auto request = std::make_unique<QTcpSocket>();
    const std::shared_ptr<DeviceConnection> connection =
        DataChannel::open(*request, data, QStringLiteral("backup://127.0.0.1:%1/"), DATA_PORT);
    const std::shared_ptr<Sqlite3DB> db = currentDatabaseShared();
    if (!db)
        throw std::runtime_error("No account is open.");
    StoringJobScope scope(db.get());
    request.reset();
    {
        SMSBatchStore store(db.get());
        BackupReadAhead phone(data);
        converse(phone, store);
    } // the reading thread has ended and given the socket back
    scope.commit();
    // The last acknowledgement went out flushed; nothing follows "$bye:".
    data.disconnectFromHost();
    // The messages are stored: a cancel now only shortens the pause, the success stands.
    Cancellation::pause(PhoneJobTimings::pauseAfterSuccessMs());
    QString text = tr("IDS_RESTORE_SUC_%1").arg(m_processed);
    if (m_overLimit > 0)
        text += QLatin1Char(' ') + skippedOverLimitText(m_overLimit);
    emit succeed(text);
}

void PhoneBackupJob::converse(BackupReadAhead& phone, SMSBatchStore& store)
{
    BackupReadAhead::Piece piece;
    while (phone.next(piece)) {
        m_total = piece.total;
        m_overLimit += piece.overLimit;
        storeBatch(store, piece.messages);
        if (piece.batchEnd)
            reportProgress(true);
    }
}

void PhoneBackupJob::storeBatch(SMSBatchStore& store, const QList<SMSInfo>& messages)
{
    m_stored += store.store(messages);
    // As if each were stored on its own: a cancel reported with one message stops the job
    // before the next one.
    for (qsizetype i = 0; i < messages.size(); ++i) {
        ++m_processed;
        reportProgress(false);
        Cancellation::throwIfRequested();
    }
}

void PhoneBackupJob::reportProgress(bool force)
{
    const int percent = percentOf(m_processed, m_total);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!force && percent == m_lastPercent && now - m_lastReportMs < PROGRESS_INTERVAL_MS)
        return;
    m_lastPercent = percent;
    m_lastReportMs = now;
    emit updateProgress(percent, tr("SMS %1:%2").arg(m_processed).arg(m_total));
}
