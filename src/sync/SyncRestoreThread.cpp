#include "sync/SyncRestoreThread.h"

#include <QDateTime>
#include <QTcpSocket>
#include <memory>
#include <stdexcept>

#include "device/DeviceConnection.h"
#include "device/SMSRecord.h"
#include "device/SimpleProtocol.h"
#include "store/Accounts.h"
#include "store/Sqlite3DB.h"
#include "store/StoreSMS.h"
#include "sync/DataChannel.h"
#include "sync/SyncTimings.h"

namespace {

// At most this often the progress dialog hears of a record that moved no per-cent, so that a
// fast phone cannot flood the dialog's event queue.
constexpr qint64 PROGRESS_INTERVAL_MS = 100;

// Rolls back unless committed, so that any failure or cancel leaves nothing of the run.
class Transaction
{
public:
    explicit Transaction(Sqlite3DB* db) : m_db(db)
    {
        m_db->beginTran();
        m_open = true;
    }
    ~Transaction()
    {
        if (!m_open)
            return;
        try {
            m_db->rollbackTran();
        } catch (const std::exception& e) {
            qWarning("SyncRestoreThread: rollback failed, %s", e.what());
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit()
    {
        m_db->commitTran();
        m_open = false;
    }

private:
    Sqlite3DB* m_db;
    bool m_open = false;
};

} // namespace

SyncRestoreThread::SyncRestoreThread(ProgressForm* form) : JobThread(form) {}

void SyncRestoreThread::run()
{
    m_total = 0;
    m_processed = 0;
    m_lastPercent = -1;
    m_lastReportMs = 0;
    try {
        QTcpSocket data;
        const std::shared_ptr<DeviceConnection> connection = currentConnection();
        if (!connection)
            throw std::runtime_error("No connection.");
        auto request = std::make_unique<QTcpSocket>();
        DataChannel::request(*connection, *request, QStringLiteral("backup://127.0.0.1:%1/"),
                             DATA_PORT);
        QThread::msleep(SyncTimings::waitBeforeConnectMs());
        DataChannel::connect(*connection, data, DATA_PORT);
        Sqlite3DB* db = currentDatabase();
        if (!db)
            throw std::runtime_error("No account is open.");
        Transaction transaction(db);
        request.reset();
        if (!converse(data)) {
            qDebug("SyncRestoreThread: User canceled.");
            return;
        }
        transaction.commit();
        // The last acknowledgement went out flushed; nothing follows "$bye:".
        data.disconnectFromHost();
        QThread::msleep(SyncTimings::pauseAfterSuccessMs());
        emit succeed(tr("IDS_RESTORE_SUC_%1").arg(m_processed));
    } catch (const std::exception& e) {
        // After a cancel the dialog is gone; a failure on the way out is no news to the user.
        if (cancelRequested) {
            qDebug("SyncRestoreThread: User canceled.");
            return;
        }
        emit errorOccurred(QString::fromUtf8(e.what()));
    }
}

bool SyncRestoreThread::converse(QTcpSocket& data)
{
    for (;;) {
        if (cancelRequested)
            return false;
        const QString line = readReply(&data, -1);
        if (line.startsWith(QLatin1String("$count:"))) {
            m_total = line.mid(7).toInt(nullptr, 10);
        } else if (line.startsWith(QLatin1String("$batch:"))) {
            if (!readBatch(data))
                return false;
        } else if (line.startsWith(QLatin1String("$bye:"))) {
            return true;
        }
    }
}

bool SyncRestoreThread::readBatch(QTcpSocket& data)
{
    Sqlite3DB* db = currentDatabase();
    for (;;) {
        if (cancelRequested)
            return false;
        const QString line = readReply(&data, -1);
        if (line.startsWith(QLatin1String("$sms:"))) {
            SMSInfo sms = parseSMSRecordFrom(&data, line.mid(5));
            storeSMS(db, sms);
            ++m_processed;
            reportProgress(false);
        } else if (line.startsWith(QLatin1String("$end:"))) {
            reportProgress(true);
            writeCommand(&data, QStringLiteral("$batch:"), QString(), true);
            return true;
        }
    }
}

void SyncRestoreThread::reportProgress(bool force)
{
    const int percent = percentOf(m_processed, m_total);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!force && percent == m_lastPercent && now - m_lastReportMs < PROGRESS_INTERVAL_MS)
        return;
    m_lastPercent = percent;
    m_lastReportMs = now;
    emit updateProgress(percent, tr("SMS %1:%2").arg(m_processed).arg(m_total));
}
