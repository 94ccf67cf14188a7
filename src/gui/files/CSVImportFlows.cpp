#include "gui/files/CSVImportFlows.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <memory>

#include "core/format/CSVImporterPlugin.h"
#include "core/jobs/CSVPreviewJob.h"
#include "core/jobs/XMLPreviewJob.h"
#include "gui/files/CSVPreviewForm.h"
#include "gui/frame/DialogSeam.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/ProgressForm.h"
#include "gui/frame/RunBehindDialog.h"

namespace {

QString tr(const char* key)
{
    return QCoreApplication::translate("QObject", key);
}

} // namespace

QString chooseCSVFileToImport(QWidget* parent, bool withXML)
{
    QString filter = QStringLiteral("CSV Files(*.csv)");
    if (withXML)
        filter += QStringLiteral(";;XML Files(*.xml)");
    return DialogSeam::openFileName(parent, tr("IDS_SELECT_CSV_FILE_TO_IMPORT"), QDir::homePath(),
                                    filter);
}

void previewAndImportCSV(const QString& fileName, CSVImporterPlugin* importer)
{
    QList<SMSInfo> list;
    {
        ProgressForm form(tr("IDS_TITLE_LOADING_CSV"));
        CSVPreviewJob job(fileName, importer);
        if (runJob(form, job) != QDialog::Accepted)
            return;
        list = job.smsList();
    }
    CSVPreviewForm preview(list);
    preview.exec();
}

void previewAndImportXML(const QString& fileName)
{
    QList<SMSInfo> firstPage;
    int total = 0;
    {
        ProgressForm form(tr("IDS_TITLE_LOADING_XML"));
        XMLPreviewJob job(fileName);
        if (runJob(form, job) != QDialog::Accepted)
            return;
        firstPage = job.smsList();
        total = job.totalCount();
    }
    CSVPreviewForm preview(firstPage, fileName, total);
    preview.exec();
}

void importCSVFromFile(QWidget* parent)
{
    const QString fileName = chooseCSVFileToImport(parent, true);
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().compare(QLatin1String("xml"), Qt::CaseInsensitive) == 0)
        previewAndImportXML(fileName);
    else
        previewAndImportCSV(fileName, nullptr);
}

void importCSVFromOtherPhone(QWidget* parent)
{
    const QString fileName = chooseCSVFileToImport(parent, false);
    if (fileName.isEmpty())
        return;
    std::unique_ptr<CSVImporterPlugin> importer;
    bool matched = false;
    try {
        importer = std::make_unique<CSVImporterPlugin>();
        matched = importer->chooseFormatOf(fileName);
    } catch (const std::exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
        return;
    }
    if (!matched) {
        importer->unload();
        showWarning(tr("IDS_SYNC_FROM_OTHER_CSV_NOT_MATCH_ANY_FORMAT"));
        return;
    }
    previewAndImportCSV(fileName, importer.get());
}
