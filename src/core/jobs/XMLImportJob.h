#pragma once

#include <QString>

#include "core/frame/JobThread.h"

// Import job without a preview: streams the received and sent messages, SMS (SMSBatchStore)
// and MMS (storeMMS), of an XML backup file (XMLBackupReader) into the current account in one
// transaction; duplicates are skipped and
// counted like stored ones, as in ImportJob. A malformed file, a failure or a cancel
// rolls everything back, so nothing of the file is stored unless all of it is. The success
// text says how many records of the file were skipped and why. Memory stays flat whatever the
// size of the file.
class XMLImportJob : public JobThread
{
    Q_OBJECT
public:
    explicit XMLImportJob(const QString& fileName);

    // Results of a finished run: all 0 unless it committed.
    int storedCount() const { return m_stored; }
    int duplicateCount() const { return m_duplicates; }
    int mmsStoredCount() const { return m_mmsStored; }
    int mmsDuplicateCount() const { return m_mmsDuplicates; }
    // Records of the file left out (other types, invalid dates).
    int skippedCount() const { return m_skipped; }

protected:
    void work() override;

private:
    QString m_fileName;
    int m_stored = 0;
    int m_duplicates = 0;
    int m_skipped = 0;
    int m_mmsStored = 0;
    int m_mmsDuplicates = 0;
};
