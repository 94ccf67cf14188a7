#pragma once

#include "core/frame/JobThread.h"

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

    explicit SyncBackupThread(AbsSMSDataSource* source);

    int sentCount() const { return m_sent; }

protected:
    void work() override;

private:
    void sendAll(QTcpSocket& data, int total);
    void sendBatch(QTcpSocket& data, int size);
    void awaitAcknowledgement(QTcpSocket& data);

    AbsSMSDataSource* m_source;
    int m_sent = 0;
    int m_total = 0;
};
