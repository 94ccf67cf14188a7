#pragma once

#include "app/JobThread.h"

class QTcpSocket;
class DeviceConnection;

// Backup from the phone: asks the phone for all its messages and stores them, skipping
// duplicates, inside one transaction that any error or cancel rolls back.
class SyncRestoreThread : public JobThread
{
    Q_OBJECT
public:
    static constexpr quint16 DATA_PORT = 32421;

    explicit SyncRestoreThread(ProgressForm* form);

    // Messages read from the phone in the last run (stored or skipped as duplicates).
    int processedCount() const { return m_processed; }

protected:
    void run() override;

private:
    // True when the phone said goodbye, false when cancelled.
    bool converse(QTcpSocket& data);
    bool readBatch(QTcpSocket& data);
    void reportProgress(bool force);

    int m_total = 0;
    int m_processed = 0;
    int m_lastPercent = -1;
    qint64 m_lastReportMs = 0;
};
