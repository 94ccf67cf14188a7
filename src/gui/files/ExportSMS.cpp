#include "gui/files/ExportSMS.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/jobs/ExportJob.h"
#include "core/print/PdfWriter.h"
#include "core/store/AbsSMSDataSource.h"
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
    static const char* const patterns[][2] = {{"*.csv", ".csv"},
                                              {"*.txt", ".txt"},
                                              {"*.htm", ".htm"},
                                              {"*.doc", ".doc"},
                                              {"*.xml", ".xml"}};
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
    ProgressForm form(tr("IDS_TITLE_EXPORT_SMS"));
    ExportJob job(source, target.fileName, target.pdf ? std::make_unique<PdfWriter>() : nullptr);
    runJob(form, job);
}
