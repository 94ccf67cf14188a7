#include "core/jobs/ExportJob.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <stdexcept>

#include "core/format/IBackupSMS.h"
#include "core/format/MMSAsTextSource.h"
#include "core/format/PagesWriter.h"
#include "core/frame/Cancellation.h"
#include "core/frame/ProgressThrottle.h"
#include "core/store/AbsSMSDataSource.h"
#include "core/store/Accounts.h"
#include "core/store/MMSStore.h"
#include "core/store/SubIdRuns.h"

namespace {

[[noreturn]] void fail(const QString& text)
{
    throw std::runtime_error(text.toUtf8().toStdString());
}

// The export's file: written aside and put in place of the target only when complete, so a
// failed or cancelled export leaves an existing file as it was. A target that is not a regular
// file (a device, a pipe) cannot be replaced, and must not be: it is written directly.
class ExportFile
{
public:
    explicit ExportFile(const QString& name)
    {
        const QFileInfo target(name);
        if (target.exists() && !target.isFile())
            m_file = std::make_unique<QFile>(name);
        else
            m_file = std::make_unique<QSaveFile>(name);
        if (!m_file->open(QIODevice::WriteOnly))
            fail(fileFailureText(name, m_file->errorString()));
    }

    QIODevice& device() { return *m_file; }

    void commit()
    {
        auto* saveFile = qobject_cast<QSaveFile*>(m_file.get());
        const bool done = saveFile ? saveFile->commit() : m_file->flush();
        if (!done)
            fail(fileFailureText(m_file->fileName(), m_file->errorString()));
    }

private:
    std::unique_ptr<QFileDevice> m_file;
};

} // namespace

ExportJob::ExportJob(AbsSMSDataSource* source, const QString& fileName,
                     std::unique_ptr<PagesWriter> pages)
    : JobThread("ExportJob"), m_fileName(fileName), m_source(source), m_pages(std::move(pages))
{}

ExportJob::~ExportJob() = default;

void ExportJob::work()
{
    // The format is decided before anything is written.
    const std::unique_ptr<IBackupSMS> writer =
        backupWriterForSuffix(QFileInfo(m_fileName).suffix());
    if (!writer && !m_pages)
        fail(tr("IDS_UNKNOWN_BACKUP_FORMAT"));
    ExportFile file(m_fileName);
    m_mmsWritten = 0;
    const int written = m_pages ? writePages(file.device()) : writeAll(*writer, file.device());
    file.commit();
    // An account's MMS are counted apart; without them the text is the SMS count alone.
    emit succeed(
        m_mmsWritten > 0
            ? tr("IDS_EXPORT_SMS_SUC_%1_MMS_%2").arg(written - m_mmsWritten).arg(m_mmsWritten)
            : tr("IDS_EXPORT_SMS_SUC_%1").arg(written));
}

int ExportJob::writeAll(IBackupSMS& writer, QIODevice& file)
{
    const int total = m_source->count();
    writer.writeHeader(&file, total);
    int n = 0;
    ProgressThrottle throttle(total);
    // An account without MMS is written without looking for them.
    Sqlite3DB* db = currentDatabase();
    const bool withMMS = db && accountHasMMS(db);
    const bool withSubIds = db && SubIdRuns::any(db);
    SubIdRuns subIds(db);
    SMSInfo sms;
    MMSInfo mms;
    while (m_source->next(sms)) {
        Cancellation::throwIfRequested();
        if (withMMS && sms.smsId != 0 && loadMMS(db, sms.smsId, mms)) {
            ++m_mmsWritten;
            if (!writer.writeMMS(&file, db, mms)) {
                mmsAsText(db, sms);
                writer.writeSMS(&file, sms);
            }
        } else {
            if (withSubIds && sms.smsId != 0)
                sms.subId = subIds.of(sms.smsId);
            writer.writeSMS(&file, sms);
        }
        ++n;
        if (throttle.shouldReport(n))
            reportProgress(n, total);
    }
    writer.writeFooter(&file);
    return n;
}

int ExportJob::writePages(QIODevice& file)
{
    const int total = m_source->count();
    ProgressThrottle throttle(total);
    MMSAsTextSource source(m_source, currentDatabase());
    const int written = m_pages->write(source, file, [&](int done) {
        if (throttle.shouldReport(done))
            reportProgress(done, total);
    });
    m_mmsWritten = source.mmsCount();
    return written;
}
