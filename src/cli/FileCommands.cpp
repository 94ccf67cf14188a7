// import and export: the window's file jobs, run from the terminal.

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonObject>
#include <memory>

#include "cli/CatalogueText.h"
#include "cli/ChosenMessages.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/PagesLibrary.h"
#include "core/format/CSVImporterPlugin.h"
#include "core/format/IBackupSMS.h"
#include "core/jobs/CSVPreviewJob.h"
#include "core/jobs/ExportJob.h"
#include "core/jobs/ImportJob.h"
#include "core/jobs/XMLImportJob.h"
#include "core/store/SMSCursorSource.h"

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("FileCommands", text);
}

QString inFile(const QString& file, const QString& text)
{
    return QStringLiteral("%1: %2").arg(file, text);
}

// The importer plug-in with the format of the file chosen, as the window's "Transfer SMS from
// Other Phone" does.
std::unique_ptr<CSVImporterPlugin> importerFor(const QString& file)
{
    auto importer = std::make_unique<CSVImporterPlugin>();
    bool matched = false;
    try {
        matched = importer->chooseFormatOf(file);
    } catch (const std::exception& e) {
        throw CommandFailure(inFile(file, QString::fromUtf8(e.what())));
    }
    if (!matched)
        throw CommandFailure(
            inFile(file, catalogueText("IDS_SYNC_FROM_OTHER_CSV_NOT_MATCH_ANY_FORMAT")));
    return importer;
}

// The window's preview job, with the same rules and errors; its list is what gets imported.
QList<SMSInfo> previewCSV(CliSession& session, const QString& file, bool otherFormat)
{
    const std::unique_ptr<CSVImporterPlugin> importer = otherFormat ? importerFor(file) : nullptr;
    CSVPreviewJob preview(file, importer.get());
    const JobOutcome outcome = session.runJob(preview);
    if (outcome.kind == JobOutcome::Failed)
        throw CommandFailure(inFile(file, outcome.text));
    if (outcome.kind == JobOutcome::Cancelled)
        throw CommandFailure(tr("Cancelled; the account is as it was."), ExitCancelled);
    if (preview.invalidCount() > 0 || preview.overLimitCount() > 0)
        session.console().note(outcome.text);
    return preview.smsList();
}

// The messages a file holds for import, read by the file's type: the one place where the
// types are told apart.
QList<SMSInfo> readMessagesToImport(CliSession& session, const QString& file)
{
    const bool otherFormat =
        session.invocation().value(QStringLiteral("format")) == QLatin1String("other");
    if (QFileInfo(file).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0)
        return previewCSV(session, file, otherFormat);
    throw UsageError(tr("%1 is not a CSV file (.csv) or an XML backup file (.xml).").arg(file));
}

bool isXMLBackup(const QString& file)
{
    return QFileInfo(file).suffix().compare(QLatin1String("xml"), Qt::CaseInsensitive) == 0;
}

// An XML backup file streams into the account without holding all of it, whatever its size.
int importXMLBackup(CliSession& session, const QString& file)
{
    if (session.invocation().value(QStringLiteral("format")) == QLatin1String("other"))
        throw UsageError(tr("--format other is for other phones' CSV files."));
    session.openAccount();
    XMLImportJob job(file);
    const JobOutcome outcome = session.runJob(job);
    QString counts =
        tr("%1 new, %2 already stored.").arg(job.storedCount()).arg(job.duplicateCount());
    if (job.mmsStoredCount() + job.mmsDuplicateCount() > 0)
        counts += QLatin1Char(' ') + tr("MMS: %1 new, %2 already stored.")
                                         .arg(job.mmsStoredCount())
                                         .arg(job.mmsDuplicateCount());
    QJsonObject fields{{QStringLiteral("imported"), job.storedCount() + job.duplicateCount()},
                       {QStringLiteral("new"), job.storedCount()},
                       {QStringLiteral("skipped"), job.skippedCount()}};
    if (const int mms = job.mmsStoredCount() + job.mmsDuplicateCount(); mms > 0) {
        fields.insert(QStringLiteral("mms"), mms);
        fields.insert(QStringLiteral("mmsNew"), job.mmsStoredCount());
    }
    return session.finish(outcome, outcome.text + QLatin1Char(' ') + counts, fields);
}

} // namespace

int runImport(CliSession& session)
{
    const QString file = session.invocation().arguments.value(0);
    if (isXMLBackup(file))
        return importXMLBackup(session, file);
    session.openAccount();
    const QList<SMSInfo> messages = readMessagesToImport(session, file);
    ImportJob job(messages);
    const JobOutcome outcome = session.runJob(job);
    const QString counts =
        tr("%1 new, %2 already stored.").arg(job.storedCount()).arg(job.skippedCount());
    return session.finish(outcome, outcome.text + QLatin1Char(' ') + counts,
                          {{QStringLiteral("imported"), job.storedCount() + job.skippedCount()},
                           {QStringLiteral("new"), job.storedCount()}});
}

int runExport(CliSession& session)
{
    const QString file = session.invocation().arguments.value(0);
    const QString suffix = QFileInfo(file).suffix();
    const bool pdf = suffix == QLatin1String("pdf");
    if (!pdf && !backupWriterForSuffix(suffix))
        throw UsageError(inFile(file, catalogueText("IDS_UNKNOWN_BACKUP_FORMAT")));
    // Pages are drawn by their own library, which main() loaded for them.
    std::unique_ptr<PagesWriter> pages = pdf ? PagesLibrary::pdfWriter() : nullptr;
    if (pdf && !pages)
        throw CommandFailure(
            inFile(file, tr("PDF pages need Qt Gui.") + QLatin1Char(' ') + PagesLibrary::error()));
    session.openAccount();
    const std::unique_ptr<SMSCursorSource> source = chosenMessages(session.invocation());
    ExportJob job(source.get(), file, std::move(pages));
    return session.finish(session.runJob(job), QString(), {{QStringLiteral("file"), file}});
}
