#include "gui/files/CSVImportFlows.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

#include "core/files/CSVImporterPlugin.h"
#include "core/files/CSVReader.h"
#include "core/files/LocalPreviewCSVThread.h"
#include "core/files/LocalPreviewXMLThread.h"
#include "gui/files/CSVPreviewForm.h"
#include "gui/frame/DialogSeam.h"
#include "gui/frame/JobRunner.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/ProgressForm.h"

namespace {

QString tr(const char* key)
{
    return QCoreApplication::translate("QObject", key);
}

// The file's first record of at least four fields and the record after it; the first stands
// in for the second when nothing usable follows. False (after showing why) on failure.
bool readSampleRecords(const QString& fileName, QStringList* first, QStringList* second)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        showErrorOccurred(file.errorString());
        return false;
    }
    try {
        if (readCSVRecordMinFields(first, &file, 4))
            utf8CSVRow(second, &file, false);
    } catch (const std::exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
        return false;
    }
    if (second->size() < 2)
        *second = *first;
    return true;
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
        LocalPreviewCSVThread job(fileName, importer);
        if (runJob(form, job) != QDialog::Accepted)
            return;
        list = job.smsList();
    }
    CSVPreviewForm preview(list);
    preview.exec();
}

void previewAndImportXML(const QString& fileName)
{
    QList<SMSInfo> list;
    {
        ProgressForm form(tr("IDS_TITLE_LOADING_XML"));
        LocalPreviewXMLThread job(fileName);
        if (runJob(form, job) != QDialog::Accepted)
            return;
        list = job.smsList();
    }
    CSVPreviewForm preview(list);
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
    QStringList first;
    QStringList second;
    if (!readSampleRecords(fileName, &first, &second))
        return;
    std::unique_ptr<CSVImporterPlugin> importer;
    try {
        importer = std::make_unique<CSVImporterPlugin>();
    } catch (const std::exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
        return;
    }
    if (!importer->chooseFormat(first, second)) {
        importer->unload();
        showWarning(tr("IDS_SYNC_FROM_OTHER_CSV_NOT_MATCH_ANY_FORMAT"));
        return;
    }
    previewAndImportCSV(fileName, importer.get());
}
