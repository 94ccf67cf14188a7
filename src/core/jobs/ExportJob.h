#pragma once

#include <QString>
#include <memory>

#include "core/format/PagesWriter.h"
#include "core/frame/JobThread.h"

class AbsSMSDataSource;
class IBackupSMS;

class QIODevice;

// Export job: writes the source's messages to fileName, as pages when given a pages writer (PDF),
// otherwise in the format its suffix names ("csv", "txt", "htm", "html", "doc", "xml"). An unknown
// suffix is refused before anything is written. The file is written aside and only replaces the
// target once complete, so a failed or cancelled export leaves an existing file as it was.
class ExportJob : public JobThread
{
    Q_OBJECT
public:
    ExportJob(AbsSMSDataSource* source, const QString& fileName,
              std::unique_ptr<PagesWriter> pages = nullptr);
    ~ExportJob() override;

protected:
    void work() override;

private:
    int writeAll(IBackupSMS& writer, QIODevice& file);
    int writePages(QIODevice& file);

    QString m_fileName;
    AbsSMSDataSource* m_source; // not owned
    std::unique_ptr<PagesWriter> m_pages;
    int m_mmsWritten = 0; // of the messages written
};
