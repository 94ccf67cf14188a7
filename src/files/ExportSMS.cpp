#include "files/ExportSMS.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/DialogSeam.h"
#include "app/MessageBoxes.h"
#include "app/ProgressForm.h"
#include "files/LocalBackupThread.h"
#include "files/SMSPrinter.h"
#include "store/AbsSMSDataSource.h"

namespace {

QString tr(const char* key)
{
    return QCoreApplication::translate("QObject", key);
}

// The printer reports nothing, so the file is proved writable first.
bool prepareWritableFile(const QString& fileName)
{
    QFile probe(fileName);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        showErrorOccurred(probe.errorString());
        return false;
    }
    return true;
}

void exportToPdf(AbsSMSDataSource* source, const QString& fileName)
{
    if (!prepareWritableFile(fileName))
        return;
    SMSPrinter printer(source);
    printer.printSMS(fileName);
    showInformation(tr("IDS_EXPORT_SMS_SUC_%1").arg(source->count()));
}

} // namespace

ExportTarget exportTargetFor(const QString& chosenName, const QString& selectedFilter)
{
    ExportTarget target{chosenName, false};
    const bool hasSuffix = !QFileInfo(chosenName).suffix().isEmpty();
    if (selectedFilter.contains(QLatin1String("*.pdf"))) {
        target.pdf = true;
        if (!hasSuffix)
            target.fileName += QLatin1String(".pdf");
        return target;
    }
    if (hasSuffix)
        return target;
    static const char* const patterns[][2] = {
        {"*.csv", ".csv"}, {"*.txt", ".txt"}, {"*.htm", ".htm"}, {"*.doc", ".doc"}};
    for (const auto& pattern : patterns) {
        if (selectedFilter.contains(QLatin1String(pattern[0]))) {
            target.fileName += QLatin1String(pattern[1]);
            break;
        }
    }
    return target;
}

void exportSMS(AbsSMSDataSource* source)
{
    const QString proposed = QDir::home().absoluteFilePath(QStringLiteral("sms(%1)").arg(
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"))));
    QString selectedFilter;
    const QString chosen =
        DialogSeam::saveFileName(nullptr, tr("IDS_SELECT_FILE_TO_EXPORT"), proposed,
                                 QString::fromLatin1(exportFileFilters), &selectedFilter);
    if (chosen.isEmpty())
        return;
    const ExportTarget target = exportTargetFor(chosen, selectedFilter);
    if (target.pdf) {
        exportToPdf(source, target.fileName);
        return;
    }
    ProgressForm form(tr("IDS_TITLE_EXPORT_SMS"));
    LocalBackupThread job(source, target.fileName, &form);
    runJob(form, job);
}
