#pragma once

#include <QList>
#include <QString>

#include "core/frame/JobThread.h"
#include "core/frame/SMSInfo.h"

// Preview job for an XML backup file (XMLBackupReader): reads the whole file, streaming, and
// keeps its first FIRST_PAGE received and sent messages, in file order, for the preview
// dialog, and the number of all of them; importing all reads the file again. Memory therefore
// stays flat whatever the size of the file. The success text says how many messages the file
// holds and how many records were skipped and why.
class XMLPreviewJob : public JobThread
{
    Q_OBJECT
public:
    static constexpr int FIRST_PAGE = 10000;

    explicit XMLPreviewJob(const QString& fileName);

    // The first messages read; empty unless the job succeeded. Read it after the job has ended.
    const QList<SMSInfo>& smsList() const { return m_smsList; }
    // All messages of the file; 0 unless the job succeeded.
    int totalCount() const { return m_total; }

protected:
    void work() override;

private:
    QList<SMSInfo> m_smsList;
    QString m_fileName;
    int m_total = 0;
};
