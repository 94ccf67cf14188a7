#include "files/LocalBackupThread.h"

#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#include "files/IBackupSMS.h"
#include "files/ProgressThrottle.h"
#include "store/AbsSMSDataSource.h"

namespace {

// QFile::remove() keeps a file whose closing failed (a full disk fails the last flush), so the
// file is closed first and removed by name.
void discardFile(QFile& file)
{
    file.close();
    QFile::remove(file.fileName());
}

} // namespace

LocalBackupThread::LocalBackupThread(AbsSMSDataSource* source, const QString& fileName,
                                     ProgressForm* progress)
    : JobThread(progress), fileName(fileName), source(source)
{}

void LocalBackupThread::run()
{
    // The format is decided before the file is opened, so that a name with an unknown suffix
    // never truncates an existing file.
    const std::unique_ptr<IBackupSMS> writer = backupWriterForSuffix(QFileInfo(fileName).suffix());
    if (!writer) {
        emit errorOccurred(tr("IDS_UNKNOWN_BACKUP_FORMAT"));
        return;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        emit errorOccurred(file.errorString());
        return;
    }
    try {
        if (!writeAll(*writer, file)) {
            discardFile(file);
            return;
        }
    } catch (const std::exception& e) {
        emit errorOccurred(QString::fromUtf8(e.what()));
        discardFile(file);
    }
}

// False when cancelled. Emits the success report after the last byte reached the disk.
bool LocalBackupThread::writeAll(IBackupSMS& writer, QFile& file)
{
    writer.writeHeader(&file);
    const int total = source->count();
    int n = 0;
    ProgressThrottle throttle(total);
    SMSInfo sms;
    while (source->next(sms)) {
        if (cancelRequested)
            return false;
        writer.writeSMS(&file, sms);
        ++n;
        if (throttle.shouldReport(n))
            emit updateProgress(percentOf(n, total), QStringLiteral("SMS %1:%2").arg(n).arg(total));
    }
    if (!file.flush())
        throw std::runtime_error(file.errorString().toUtf8().toStdString());
    emit succeed(tr("IDS_EXPORT_SMS_SUC_%1").arg(n));
    return true;
}
