#pragma once

#include <QList>

#include "core/frame/JobThread.h"
#include "core/frame/SMSInfo.h"

class BackupReadAhead;
class SMSBatchStore;

// Backup from the phone: asks the phone for all its messages and stores them, skipping
// duplicates, inside one transaction that any error or cancel rolls back.
class PhoneBackupJob : public JobThread
{
    Q_OBJECT
public:
    static constexpr quint16 DATA_PORT = 32421;

    PhoneBackupJob();

    // Messages read from the phone in the last run (stored or skipped as duplicates), and of
    // those the ones that were new.
    int processedCount() const { return m_processed; }
    int storedCount() const { return m_stored; }
    // Messages left out for a text over MAX_BODY_BYTES.
    int overLimitCount() const { return m_overLimit; }

protected:
    void work() override;

private:
    // Stores what the phone sends until it said goodbye.
    void converse(BackupReadAhead& phone, SMSBatchStore& store);
    // Stores the messages of a batch together, then counts them one by one for the progress.
    void storeBatch(SMSBatchStore& store, const QList<SMSInfo>& messages);
    void reportProgress(bool force);

    int m_total = 0;
    int m_processed = 0;
    int m_stored = 0;
    int m_overLimit = 0; // records left out for their size
    int m_lastPercent = -1;
    qint64 m_lastReportMs = 0;
};
