#include "sync/SyncBackupThread.h"

#include <QTcpSocket>
#include <memory>
#include <stdexcept>

#include "device/DeviceConnection.h"
#include "device/SMSRecord.h"
#include "device/SimpleProtocol.h"
#include "store/AbsSMSDataSource.h"
#include "sync/DataChannel.h"
#include "sync/SyncTimings.h"

SyncBackupThread::SyncBackupThread(AbsSMSDataSource* source, ProgressForm* form)
    : JobThread(form), m_source(source)
{}

void SyncBackupThread::run()
{
    m_sent = 0;
    m_total = 0;
    try {
        QTcpSocket data;
        const std::shared_ptr<DeviceConnection> connection = currentConnection();
        if (!connection)
            throw std::runtime_error("No connection.");
        QTcpSocket request;
        DataChannel::request(*connection, request, QStringLiteral("restore://127.0.0.1:%1/"),
                             DATA_PORT);
        QThread::msleep(SyncTimings::waitBeforeConnectMs());
        DataChannel::connect(*connection, data, DATA_PORT);
        const int total = m_source ? m_source->count() : 0;
        if (total > 0 && (cancelRequested || !sendAll(data, total))) {
            qDebug("SyncBackupThread: User canceled.");
            return;
        }
        writeCommand(&data, QStringLiteral("$bye:"), QString(), true);
        DataChannel::finish(data);
        QThread::msleep(SyncTimings::pauseAfterSuccessMs());
        emit succeed(tr("IDS_EXPORT_SMS_TO_ANDROID_SUC_%1").arg(m_sent));
    } catch (const std::exception& e) {
        // After a cancel the dialog is gone; a failure on the way out is no news to the user.
        if (cancelRequested) {
            qDebug("SyncBackupThread: User canceled.");
            return;
        }
        emit errorOccurred(QString::fromUtf8(e.what()));
    }
}

bool SyncBackupThread::sendAll(QTcpSocket& data, int total)
{
    m_total = total;
    while (m_sent < total) {
        const int size = qMin(total - m_sent, MAX_BATCH);
        writeCommand(&data, QStringLiteral("$batch:"), QString(), true);
        if (cancelRequested || !sendBatch(data, size))
            return false;
        writeCommand(&data, QStringLiteral("$end:"), QString(), true);
        emit updateProgress(percentOf(m_sent, total), tr("SMS %1:%2").arg(m_sent).arg(total));
        if (cancelRequested || !awaitAcknowledgement(data))
            return false;
        if (m_sent >= total)
            break;
        if (cancelRequested)
            return false;
    }
    return true;
}

bool SyncBackupThread::sendBatch(QTcpSocket& data, int size)
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
        if (i + 1 < size && cancelRequested)
            return false;
    }
    return true;
}

bool SyncBackupThread::awaitAcknowledgement(QTcpSocket& data)
{
    for (;;) {
        if (readReply(&data, -1).startsWith(QLatin1String("$batch:")))
            return true;
        if (cancelRequested)
            return false;
    }
}
