#pragma once

#include <QString>

#include "app/JobThread.h"

class AbsSMSDataSource;
class IBackupSMS;
class QFile;

// Export job: writes the source's messages to fileName in the format its suffix names
// ("csv", "txt", "htm", "html", "doc"). An unknown suffix is refused before the file is
// opened, so an existing file of that name is left alone. Cancel or failure removes the file.
class LocalBackupThread : public JobThread
{
    Q_OBJECT
public:
    LocalBackupThread(AbsSMSDataSource* source, const QString& fileName, ProgressForm* progress);

protected:
    void run() override;

private:
    bool writeAll(IBackupSMS& writer, QFile& file);

    QString fileName;
    AbsSMSDataSource* source; // not owned
};
