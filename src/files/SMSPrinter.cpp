#include "files/SMSPrinter.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>

#include "app/EscapeHtml.h"
#include "store/AbsSMSDataSource.h"
#include "store/StoreSMS.h"

namespace {
const char* const sentNameStyle = "font-size:15px; color:#008040; font-style:italic;";
const char* const receivedNameStyle = "font-size:15px; color:#0000FF; font-style:italic;";
const char* const messageLine =
    "<span style=\"%1\">%2:  </span><span style=\"font-size:12px;\">%3</span><br/>";
const char* const dateLine =
    "<span style=\"font-size:12px;color:#E13C02; font-style:italic;\">sent:%1</span>";
const char* const afterMessage = "<br/><br/>";
} // namespace

SMSPrinter::SMSPrinter(AbsSMSDataSource* source, QObject* parent) : QObject(parent), source(source)
{}

void SMSPrinter::buildDocument()
{
    html.clear();
    SMSInfo sms;
    while (source->next(sms)) {
        const QString body = escapeHtml(sms.body);
        const QString name = escapeHtml(contactDisplayName(sms));
        const QString label = sms.isSend ? QStringLiteral("To ") + name : name;
        const QString style = QString::fromLatin1(sms.isSend ? sentNameStyle : receivedNameStyle);
        html += QString::fromLatin1(messageLine).arg(style, label, body);
        html += QString::fromLatin1(dateLine).arg(
            sms.date.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        html += QLatin1String(afterMessage);
    }
}

void SMSPrinter::printSMS(const QString& fileName)
{
    buildDocument();
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageSize(QPageSize(QPageSize::A4));
    if (!fileName.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(fileName);
        onPaintRequested(&printer);
        return;
    }
    printer.setOutputFormat(QPrinter::NativeFormat);
    if (!printer.isValid())
        printer.setOutputFormat(QPrinter::PdfFormat);
    QPrintPreviewDialog preview(&printer);
    preview.setWindowModality(Qt::ApplicationModal);
    preview.setWindowTitle(tr("IDS_PRINT_SMS"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, &SMSPrinter::onPaintRequested);
    preview.exec();
}

void SMSPrinter::onPaintRequested(QPrinter* printer)
{
    QTextDocument document;
    document.setHtml(html);
    document.print(printer);
}
