#pragma once

#include "app/JobThread.h"

class AbsSMSDataSource;
class QTcpSocket;

// Restore to the phone: sends the source's messages in batches of at most 100, each
// acknowledged by the phone. The caller owns the source and keeps it alive for the run.
class SyncBackupThread : public JobThread
{
    Q_OBJECT
public:
    static constexpr quint16 DATA_PORT = 32422;
    static constexpr int MAX_BATCH = 100;

    SyncBackupThread(AbsSMSDataSource* source, ProgressForm* form);

    int sentCount() const { return m_sent; }

protected:
    void run() override;

private:
    // False when cancelled.
    bool sendAll(QTcpSocket& data, int total);
    bool sendBatch(QTcpSocket& data, int size);
    bool awaitAcknowledgement(QTcpSocket& data);

    AbsSMSDataSource* m_source;
    int m_sent = 0;
    int m_total = 0;
};
