#include "core/sync/SyncBackupThread.h"

#include <QTcpSocket>
#include <memory>
#include <stdexcept>

#include "core/device/DeviceConnection.h"
#include "core/device/SMSRecord.h"
#include "core/device/SimpleProtocol.h"
#include "core/frame/Cancellation.h"
#include "core/store/AbsSMSDataSource.h"
#include "core/sync/DataChannel.h"
#include "core/sync/SyncTimings.h"

SyncBackupThread::SyncBackupThread(AbsSMSDataSource* source)
    : JobThread("SyncBackupThread"), m_source(source)
{}

void SyncBackupThread::work()
{
    m_sent = 0;
    m_total = 0;
    QTcpSocket data;
    const std::shared_ptr<DeviceConnection> connection = currentConnection();
    if (!connection)
        throw std::runtime_error("No connection.");
    QTcpSocket request;
    DataChannel::request(*connection, request, QStringLiteral("restore://127.0.0.1:%1/"),
                         DATA_PORT);
    Cancellation::sleep(SyncTimings::waitBeforeConnectMs());
    DataChannel::connect(*connection, data, DATA_PORT);
    const int total = m_source ? m_source->count() : 0;
    if (total > 0) {
        Cancellation::throwIfRequested();
        sendAll(data, total);
    }
    writeCommand(&data, QStringLiteral("$bye:"), QString(), true);
    DataChannel::finish(data);
    // Everything reached the phone: a cancel now only shortens the pause.
    Cancellation::pause(SyncTimings::pauseAfterSuccessMs());
    emit succeed(tr("IDS_EXPORT_SMS_TO_ANDROID_SUC_%1").arg(m_sent));
}

void SyncBackupThread::sendAll(QTcpSocket& data, int total)
{
    m_total = total;
    while (m_sent < total) {
        const int size = qMin(total - m_sent, MAX_BATCH);
        writeCommand(&data, QStringLiteral("$batch:"), QString(), true);
        Cancellation::throwIfRequested();
        sendBatch(data, size);
        writeCommand(&data, QStringLiteral("$end:"), QString(), true);
        emit updateProgress(percentOf(m_sent, total), tr("SMS %1:%2").arg(m_sent).arg(total));
        Cancellation::throwIfRequested();
        awaitAcknowledgement(data);
        if (m_sent >= total)
            break;
        Cancellation::throwIfRequested();
    }
}

void SyncBackupThread::sendBatch(QTcpSocket& data, int size)
{
    for (int i = 0; i < size; ++i) {
        SMSInfo sms;
        // Never send a record the source did not fill.
        if (!m_source->next(sms))
            throw std::runtime_error(
                QStringLiteral("The messages to restore ran out after %1 of the %2 announced.")
                    .arg(m_sent)
                    .arg(m_total)
                    .toStdString());
        writeCommand(&data, QStringLiteral("$sms:"), formatSMSRecord(sms), false);
        ++m_sent;
        if (i + 1 < size)
            Cancellation::throwIfRequested();
    }
}

void SyncBackupThread::awaitAcknowledgement(QTcpSocket& data)
{
    for (;;) {
        if (awaitReply(&data).startsWith(QLatin1String("$batch:")))
            return;
        Cancellation::throwIfRequested();
    }
}
