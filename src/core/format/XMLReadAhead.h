#pragma once

#include <QList>
#include <QString>
#include <QThread>
#include <memory>

#include "core/frame/MMSInfo.h"
#include "core/frame/ReadAheadQueue.h"
#include "core/frame/SMSInfo.h"

// Reads an XML backup file (XMLBackupReader) on a thread of its own, a batch of messages ahead
// of its consumer, so that a job stores one batch while the next is read: reading and storing
// then take a core each. At most MAX_BATCHES batches wait, so memory stays flat.
class XMLReadAhead
{
public:
    static constexpr int BATCH_SIZE = 500;
    static constexpr int MAX_BATCHES = 8;
    // A batch ends early at so many bytes of attachments (in memory or in temporary files).
    static constexpr qint64 BATCH_MMS_BYTES = 4 * 1024 * 1024;

    struct Batch
    {
        QList<SMSInfo> messages;
        QList<MMSInfo> mms;
        qint64 position = 0;       // bytes of the file read so far
        qint64 elements = 0;       // records read so far, skipped ones included
        qint64 declaredCount = -1; // the root's count
    };

    // Starts reading at once. Without readMMS, MMS are skipped and counted (no attachment is
    // decoded): for readers that take only the SMS.
    explicit XMLReadAhead(const QString& fileName, bool readMMS = true);
    // Stops the reading and waits for its thread.
    ~XMLReadAhead();
    XMLReadAhead(const XMLReadAhead&) = delete;
    XMLReadAhead& operator=(const XMLReadAhead&) = delete;

    // The next batch (the last one may be empty); false after the last. Waits in slices, so it
    // throws Cancellation::Cancelled when the calling job is cancelled; once the batches read
    // before it are taken, rethrows the failure of the reading (the file cannot be opened, is
    // malformed or is no SMS backup), its text beginning with the file's name and ": ".
    bool next(Batch& batch);

    // Once next returned false: XMLBackupReader::skippedSummary, and the records skipped (MMS
    // kept without some of their parts are not counted).
    QString skippedSummary() const;
    qint64 skippedCount() const;
    // The MMS among them: those that were not read (without readMMS) or had no usable content.
    qint64 skippedMMS() const { return m_skippedMMS; }

private:
    void read();

    const QString m_fileName;
    const bool m_readMMS;
    // Written by the reading thread before it finishes the queue, read after next returned false.
    QString m_summary;
    qint64 m_skipped = 0;
    qint64 m_skippedMMS = 0;
    ReadAheadQueue<Batch> m_batches{MAX_BATCHES};
    std::unique_ptr<QThread> m_thread; // last: started once everything above exists
};
