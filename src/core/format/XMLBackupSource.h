#pragma once

#include <QString>
#include <memory>

#include "core/format/XMLReadAhead.h"
#include "core/store/AbsSMSDataSource.h"

// The received and sent messages of an XML backup file, read streaming when first asked for,
// for a job that takes a source (the restore to the phone). The count is the one a preview of
// the file found; a failure of the reading is thrown from next.
class XMLBackupSource : public AbsSMSDataSource
{
public:
    XMLBackupSource(const QString& fileName, int count);

    int count() override { return m_count; }
    bool next(SMSInfo& sms) override;
    // Reads the file to its end for the MMS after the last message too.
    int mmsLeftOut() override;

private:
    XMLReadAhead& file();

    QString m_fileName;
    int m_count;
    std::unique_ptr<XMLReadAhead> m_file;
    XMLReadAhead::Batch m_batch;
    qsizetype m_position = 0;
};
