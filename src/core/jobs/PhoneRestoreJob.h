#pragma once

#include <QSet>

#include "core/frame/JobThread.h"
#include "core/frame/SMSInfo.h"

class AbsSMSDataSource;
class QTcpSocket;

// Restore to the phone: sends the source's messages in batches of at most 100, each
// acknowledged by the phone. The phone takes SMS only: the MMS among them are left out and
// counted. The caller owns the source and keeps it alive for the run.
class PhoneRestoreJob : public JobThread
{
    Q_OBJECT
public:
    static constexpr quint16 DATA_PORT = 32422;
    static constexpr int MAX_BATCH = 100;

    explicit PhoneRestoreJob(AbsSMSDataSource* source);

    int sentCount() const { return m_sent; }
    int mmsLeftOut() const { return m_leftOut; }

protected:
    void work() override;

private:
    void sendAll(QTcpSocket& data, int total);
    void sendBatch(QTcpSocket& data, int size);
    void awaitAcknowledgement(QTcpSocket& data);
    // The source's next message that is no MMS.
    bool nextSMS(SMSInfo& sms);

    AbsSMSDataSource* m_source;
    int m_sent = 0;
    int m_total = 0;
    int m_leftOut = 0;
    QSet<qint32> m_mms; // the account's MMS rows
};
