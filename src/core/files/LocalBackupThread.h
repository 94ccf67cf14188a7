#pragma once

#include <QString>

#include "core/frame/JobThread.h"

class AbsSMSDataSource;
class IBackupSMS;
class QIODevice;

// Export job: writes the source's messages to fileName, as PDF pages when asPdf, otherwise in
// the format its suffix names ("csv", "txt", "htm", "html", "doc", "xml"). An unknown suffix is
// refused before anything is written. The file is written aside and only replaces the target once
// complete, so a failed or cancelled export leaves an existing file as it was.
class LocalBackupThread : public JobThread
{
    Q_OBJECT
public:
    LocalBackupThread(AbsSMSDataSource* source, const QString& fileName, bool asPdf = false);

protected:
    void work() override;

private:
    int writeAll(IBackupSMS& writer, QIODevice& file);
    int writePdf(QIODevice& file);

    QString m_fileName;
    AbsSMSDataSource* m_source; // not owned
    bool m_asPdf;
    int m_mmsWritten = 0; // of the messages written
};
