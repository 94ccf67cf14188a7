#pragma once

#include <QList>
#include <QString>

#include "core/frame/JobThread.h"
#include "core/frame/SMSInfo.h"

// Preview job for an XML backup file (XMLBackupReader): every received and sent message, in
// file order, for the preview dialog. Equal numbers and names share one string, so a large
// file costs little more than its message texts. The success text says how many records were
// skipped and why.
class LocalPreviewXMLThread : public JobThread
{
    Q_OBJECT
public:
    explicit LocalPreviewXMLThread(const QString& fileName);

    // The messages read; empty unless the job succeeded. Read it after the job has ended.
    const QList<SMSInfo>& smsList() const { return m_smsList; }

protected:
    void work() override;

private:
    QList<SMSInfo> m_smsList;
    QString m_fileName;
};
