#include "core/print/SMSPrinter.h"

#include <QAbstractTextDocumentLayout>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextFrame>

#include "core/frame/Cancellation.h"
#include "core/frame/EscapeHtml.h"
#include "core/frame/MessageDate.h"
#include "core/store/AbsSMSDataSource.h"
#include "core/store/StoreSMS.h"

namespace {

const char* const sentNameStyle = "font-size:15px; color:#008040; font-style:italic;";
const char* const receivedNameStyle = "font-size:15px; color:#0000FF; font-style:italic;";
const char* const messageLine =
    "<span style=\"%1\">%2:  </span><span style=\"font-size:12px;\">%3</span><br/>";
const char* const dateLine =
    "<span style=\"font-size:12px;color:#E13C02; font-style:italic;\">sent:%1</span>";
const char* const afterMessage = "<br/><br/>";
constexpr qreal marginMm = 20.0;

qreal mmToPx(qreal mm)
{
    return mm / 25.4 * SMSPrinter::resolution();
}

} // namespace

SMSPrinter::SMSPrinter(AbsSMSDataSource* source, QObject* parent)
    : QObject(parent), m_source(source)
{}

int SMSPrinter::resolution()
{
    static const int dpi = QPicture().logicalDpiY();
    return dpi;
}

QSizeF SMSPrinter::pageSizePx()
{
    const QSizeF mm = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
    return QSizeF(mmToPx(mm.width()), mmToPx(mm.height()));
}

QString SMSPrinter::messageHtml(const SMSInfo& sms)
{
    const QString body = escapeHtml(sms.body);
    const QString name = escapeHtml(contactDisplayName(sms));
    const QString label = sms.isSend ? QStringLiteral("To ") + name : name;
    const QString style = QString::fromLatin1(sms.isSend ? sentNameStyle : receivedNameStyle);
    return QString::fromLatin1(messageLine).arg(style, label, body) +
           QString::fromLatin1(dateLine).arg(messageDateText(sms.date)) +
           QLatin1String(afterMessage);
}

int SMSPrinter::layoutPages(const PageDone& pageDone, const Progress& progress)
{
    int done = 0;
    bool anyPage = false;
    const PageDone countingPageDone = [&](const QPicture& page) {
        anyPage = true;
        pageDone(page);
    };
    QString chunk;
    int inChunk = 0;
    SMSInfo sms;
    while (m_source->next(sms)) {
        Cancellation::throwIfRequested();
        chunk += messageHtml(sms);
        ++done;
        if (++inChunk == MESSAGES_PER_CHUNK) {
            layoutChunk(chunk, countingPageDone);
            chunk.clear();
            inChunk = 0;
        }
        if (progress)
            progress(done);
    }
    // Nothing to print still gives one (empty) page.
    if (inChunk > 0 || !anyPage)
        layoutChunk(chunk, countingPageDone);
    return done;
}

void SMSPrinter::layoutChunk(const QString& html, const PageDone& pageDone)
{
    const QSizeF page = pageSizePx();
    const qreal margin = mmToPx(marginMm);
    const QSizeF body(page.width() - 2 * margin, page.height() - 2 * margin);
    QTextDocument document;
    document.setHtml(html);
    document.setPageSize(body);
    // The page size is the body: the 2 cm margins are drawn around it, not inside.
    QTextFrameFormat root = document.rootFrame()->frameFormat();
    root.setMargin(0);
    document.rootFrame()->setFrameFormat(root);
    const int pages = document.pageCount();
    for (int i = 0; i < pages; ++i) {
        Cancellation::throwIfRequested();
        QPicture picture;
        {
            QPainter painter(&picture);
            painter.translate(margin, margin - i * body.height());
            document.drawContents(&painter, QRectF(QPointF(0, i * body.height()), body));
        }
        pageDone(picture);
    }
}

int SMSPrinter::printPdf(QIODevice* device, const Progress& progress)
{
    QPdfWriter writer(device);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setResolution(resolution());
    writer.setCreator(QStringLiteral("Tallowbrook"));
    QPainter painter;
    bool first = true;
    const int count = layoutPages(
        [&](const QPicture& page) {
            if (first) {
                if (!painter.begin(&writer))
                    throw std::runtime_error("The PDF file cannot be written.");
                first = false;
            } else if (!writer.newPage()) {
                throw std::runtime_error("The PDF file cannot be written.");
            }
            painter.drawPicture(0, 0, page);
        },
        progress);
    if (painter.isActive() && !painter.end())
        throw std::runtime_error("The PDF file cannot be written.");
    return count;
}
