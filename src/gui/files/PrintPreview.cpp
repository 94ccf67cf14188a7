#include "gui/files/PrintPreview.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "core/print/PrintPagesJob.h"
#include "gui/frame/ProgressForm.h"
#include "gui/frame/RunBehindDialog.h"

namespace {

QString tr(const char* key)
{
    return QCoreApplication::translate("SMSPrinter", key);
}

void paintPages(QPrinter* printer, const QList<QPicture>& pages)
{
    QPainter painter(printer);
    for (int i = 0; i < pages.size(); ++i) {
        if (i > 0)
            printer->newPage();
        painter.drawPicture(0, 0, pages.at(i));
    }
}

} // namespace

void printPreview(AbsSMSDataSource* source)
{
    ProgressForm form(tr("IDS_PRINT_SMS"));
    PrintPagesJob job(source);
    if (runJob(form, job) != QDialog::Accepted)
        return;
    const QList<QPicture> pages = job.pages();

    QPrinter printer(QPrinter::ScreenResolution);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFullPage(true); // the pages carry their own margins
    printer.setOutputFormat(QPrinter::NativeFormat);
    if (!printer.isValid())
        printer.setOutputFormat(QPrinter::PdfFormat);
    QPrintPreviewDialog preview(&printer);
    preview.setWindowModality(Qt::ApplicationModal);
    preview.setWindowTitle(tr("IDS_PRINT_SMS"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&pages](QPrinter* target) { paintPages(target, pages); });
    preview.exec();
}
