#include "core/jobs/PhoneRestoreJob.h"

#include <QTcpSocket>
#include <memory>
#include <stdexcept>

#include "core/device/DeviceConnection.h"
#include "core/device/SMSRecord.h"
#include "core/device/SimpleProtocol.h"
#include "core/frame/Cancellation.h"
#include "core/jobs/DataChannel.h"
#include "core/jobs/PhoneJobTimings.h"
#include "core/store/AbsSMSDataSource.h"
#include "core/store/Accounts.h"
#include "core/store/MMSStore.h"

PhoneRestoreJob::PhoneRestoreJob(AbsSMSDataSource* source)
    : JobThread("PhoneRestoreJob"), m_source(source)
{}

void PhoneRestoreJob::work()
{
    m_sent = 0;
    m_total = 0;
    m_leftOut = 0;
    m_mms = currentDatabase() ? allMMS(currentDatabase()) : QSet<qint32>();
    QTcpSocket request;
    QTcpSocket data;
    const std::shared_ptr<DeviceConnection> connection =
        DataChannel::open(request, data, QStringLiteral("restore://127.0.0.1:%1/"), DATA_PORT);
    const int total = m_source ? m_source->count() : 0;
    if (total > 0) {
        Cancellation::throwIfRequested();
        sendAll(data, total);
    }
    writeCommand(&data, QStringLiteral("$bye:"), QString(), true);
    DataChannel::finish(data);
    // Everything reached the phone: a cancel now only shortens the pause.
    Cancellation::pause(PhoneJobTimings::pauseAfterSuccessMs());
    QString text = tr("IDS_EXPORT_SMS_TO_ANDROID_SUC_%1").arg(m_sent);
    const int leftOut = m_leftOut + (m_source ? m_source->mmsLeftOut() : 0);
    if (leftOut > 0)
        text += QLatin1Char(' ') + tr("IDS_RESTORE_MMS_LEFT_OUT_%1").arg(leftOut);
    emit succeed(text);
}

void PhoneRestoreJob::sendAll(QTcpSocket& data, int total)
{
    m_total = total;
    while (m_sent + m_leftOut < total) {
        const int size = qMin(total - m_sent - m_leftOut, MAX_BATCH);
        writeCommand(&data, QStringLiteral("$batch:"), QString(), true);
        Cancellation::throwIfRequested();
        sendBatch(data, size);
        writeCommand(&data, QStringLiteral("$end:"), QString(), true);
        const int done = m_sent + m_leftOut;
        emit updateProgress(percentOf(done, total), tr("SMS %1:%2").arg(done).arg(total));
        Cancellation::throwIfRequested();
        awaitAcknowledgement(data);
        if (m_sent + m_leftOut >= total)
            break;
        Cancellation::throwIfRequested();
    }
}

void PhoneRestoreJob::sendBatch(QTcpSocket& data, int size)
{
    for (int i = 0; i < size; ++i) {
        SMSInfo sms;
        if (!nextSMS(sms)) {
            // The MMS left out were announced too; beyond them, never send a record the
            // source did not fill.
            if (m_sent + m_leftOut >= m_total && m_leftOut > 0)
                break;
            throw std::runtime_error(
                QStringLiteral("The messages to restore ran out after %1 of the %2 announced.")
                    .arg(m_sent)
                    .arg(m_total)
                    .toStdString());
        }
        writeCommand(&data, QStringLiteral("$sms:"), formatSMSRecord(sms), false);
        ++m_sent;
        if (i + 1 < size)
            Cancellation::throwIfRequested();
    }
}

bool PhoneRestoreJob::nextSMS(SMSInfo& sms)
{
    while (m_source->next(sms)) {
        if (!m_mms.contains(sms.smsId))
            return true;
        ++m_leftOut;
    }
    return false;
}

void PhoneRestoreJob::awaitAcknowledgement(QTcpSocket& data)
{
    for (;;) {
        if (awaitReply(&data).startsWith(QLatin1String("$batch:")))
            return;
        Cancellation::throwIfRequested();
    }
}
