#include "gui/ui/SmsBrowser.h"

#include "core/frame/MessageDate.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include "core/frame/Cancellation.h"
#include "core/frame/EscapeHtml.h"
#include "core/store/Accounts.h"
#include "core/store/MMSStore.h"
#include "core/store/SMSListPageSource.h"
#include "core/store/StoreSMS.h"
#include "gui/frame/DialogSeam.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/RunBehindDialog.h"
#include "gui/ui/PictureViewer.h"

namespace {

const QString previousPageLink =
    QStringLiteral("<p><a href=\"/pre_page\">&lt;&lt;Previous Page</a></p>");
const QString nextPageLink = QStringLiteral("<p><a href=\"/next_page\">&gt;&gt;Next Page</a></p>");
const QString messageLine = QStringLiteral("<span class=\"%1\">%2:  </span><span>%3</span><br/>");
const QString dateLine = QStringLiteral("<span class=\"dt\">sent:%1</span>");
const QString separator = QStringLiteral("<br/><br/>");
const QString highlightOpen = QStringLiteral("<span style=\"background-color:yellow;\">");
const QString highlightClose = QStringLiteral("</span>");
// Links and image names of attachments: the scheme and the part's row.
const QString pictureScheme = QStringLiteral("mms-picture");
const QString imageScheme = QStringLiteral("mms-image");
const QString saveScheme = QStringLiteral("mms-save");
// Larger pictures (no phone sends one; a damaged or odd backup may hold one) are offered to save
// rather than read whole on the window's thread to be shown.
constexpr qint64 maxShownPictureBytes = 16 * 1024 * 1024;

// The picture at the given size, or whole when the size is not valid.
QImage readImage(qint64 partId, const QSize& size)
{
    QByteArray bytes = mmsPartBytes(currentDatabase(), partId);
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    // Decoded at the shown size where the format can (JPEG decodes a smaller image faster).
    if (size.isValid())
        reader.setScaledSize(size);
    return reader.read();
}

// The size a picture is shown at, from its header alone: at most maxWidth wide.
QSize shownSize(qint64 partId, int maxWidth)
{
    // A JPEG's size follows its Exif data, which is at most 64 KiB.
    QByteArray head = mmsPartBytes(currentDatabase(), partId, 96 * 1024);
    QBuffer buffer(&head);
    const QSize size = QImageReader(&buffer).size();
    if (!size.isValid() || size.width() <= maxWidth)
        return size;
    return size.scaled(maxWidth, size.height(), Qt::KeepAspectRatio);
}

} // namespace

const char* const SmsBrowser::defaultStyleSheet =
    "*{font-size:12px} .send{font-size:15px; color:#008040; font-style:italic;} "
    ".rec{font-size:15px; color:#0000FF; font-style:italic;} .dt{color:#E13C02; "
    "font-style:italic;}";

SmsBrowser::SmsBrowser(QWidget* parent) : QTextBrowser(parent), m_document(new QTextDocument(this))
{
    m_document->setDefaultStyleSheet(QString::fromLatin1(defaultStyleSheet));
    setDocument(m_document);
    // The page links are handled here; letting the browser load them as documents would
    // replace the page by an empty one.
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &SmsBrowser::onSourceChanged);
}

void SmsBrowser::setSource(std::shared_ptr<SMSPageSource> source, const QString& keyword)
{
    // Everything is read before anything changes, so a failure leaves the view as it was.
    const qint64 count = source->count();
    const int pages = int((count + messagesPerPage - 1) / messagesPerPage);
    const QList<SMSInfo> last =
        pages > 0 ? source->page(qint64(pages - 1) * messagesPerPage, messagesPerPage)
                  : QList<SMSInfo>();
    m_source = std::move(source);
    m_count = count;
    m_pageCount = pages;
    m_keyword = keyword;
    if (pages == 0) {
        // An empty list shows an empty view rather than the previous conversation.
        m_currentPage = 0;
        m_pageMessages.clear();
        clear();
        return;
    }
    showPage(pages, last);
    moveCursor(QTextCursor::End);
}

void SmsBrowser::setSMSList(const QList<SMSInfo>& list, const QString& keyword)
{
    setSource(std::make_shared<SMSListPageSource>(list), keyword);
}

void SmsBrowser::showLastPage()
{
    movePage(m_pageCount, QTextCursor::End);
}

void SmsBrowser::showNextPage()
{
    if (m_currentPage < m_pageCount)
        movePage(m_currentPage + 1, QTextCursor::Start);
}

void SmsBrowser::showPreviousPage()
{
    if (m_currentPage > 1)
        movePage(m_currentPage - 1, QTextCursor::End);
}

void SmsBrowser::movePage(int page, QTextCursor::MoveOperation scrollTo)
{
    if (page < 1 || page > m_pageCount)
        return;
    try {
        showPage(page, m_source->page(qint64(page - 1) * messagesPerPage, messagesPerPage));
    } catch (const std::exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
        return;
    }
    moveCursor(scrollTo);
}

void SmsBrowser::onSourceChanged(const QUrl& url)
{
    if (url.scheme() == pictureScheme || url.scheme() == saveScheme) {
        try {
            if (url.scheme() == pictureScheme)
                showPicture(url.path().toLongLong());
            else
                saveAttachment(url.path().toLongLong());
        } catch (const std::exception& e) {
            showErrorOccurred(QString::fromUtf8(e.what()));
        }
        return;
    }
    const QString target = url.toString();
    if (target == QLatin1String("/pre_page"))
        showPreviousPage();
    else if (target == QLatin1String("/next_page"))
        showNextPage();
}

QString SmsBrowser::highlightKeyword() const
{
    return escapeHtml(m_keyword);
}

QString SmsBrowser::highlightedHtml(const QString& text, const QString& keyword)
{
    if (keyword.isEmpty())
        return escapeHtml(text);
    const QString shown = highlightOpen + escapeHtml(keyword) + highlightClose;
    QString html;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(keyword, from, Qt::CaseInsensitive);
        if (at < 0)
            break;
        html += escapeHtml(text.mid(from, at - from));
        html += shown;
        from = at + keyword.size();
    }
    html += escapeHtml(text.mid(from));
    return html;
}

QString SmsBrowser::messageHtml(const SMSInfo& sms) const
{
    const QString body = highlightedHtml(sms.body, m_keyword);
    const QString name = highlightedHtml(contactDisplayName(sms), m_keyword);
    const QString label = sms.isSend ? QStringLiteral("To ") + name : name;
    const QString cssClass = sms.isSend ? QStringLiteral("send") : QStringLiteral("rec");
    return messageLine.arg(cssClass, label, body + attachmentsHtml(sms)) +
           dateLine.arg(messageDateText(sms.date));
}

void SmsBrowser::loadAttachments(const QList<SMSInfo>& messages)
{
    m_attachments.clear();
    Sqlite3DB* db = currentDatabase();
    if (!db)
        return;
    QList<qint32> ids;
    for (const SMSInfo& sms : messages)
        ids.append(sms.smsId);
    const int width = viewport()->width() - 2 * int(document()->documentMargin()) -
                      verticalScrollBar()->sizeHint().width();
    m_pictureSizes.clear();
    try {
        for (qint32 id : mmsAmong(db, ids)) {
            MMSInfo mms;
            if (!loadMMS(db, id, mms))
                continue;
            m_attachments.insert(id, mms.parts);
            for (const MMSPart& part : std::as_const(mms.parts)) {
                if (isMMSPicture(part) && part.dataSize > 0 &&
                    part.dataSize <= maxShownPictureBytes)
                    m_pictureSizes.insert(part.partId, shownSize(part.partId, std::max(width, 64)));
            }
        }
    } catch (const std::exception&) {
        m_attachments.clear(); // the page still shows the texts
    }
}

QString SmsBrowser::attachmentsHtml(const SMSInfo& sms) const
{
    QString html;
    for (const MMSPart& part : m_attachments.value(sms.smsId)) {
        const QString placeholder = mmsPlaceholder(part);
        if (placeholder.isEmpty() || part.dataSize < 0)
            continue;
        const QSize size = m_pictureSizes.value(part.partId);
        if (isMMSPicture(part) && size.isValid())
            html += QStringLiteral("<br/><a href=\"%1:%3\"><img src=\"%2:%3\" width=\"%4\" "
                                   "height=\"%5\"/></a>")
                        .arg(pictureScheme, imageScheme)
                        .arg(part.partId)
                        .arg(size.width())
                        .arg(size.height());
        else
            html += QStringLiteral("<br/><a href=\"%1:%2\">%3</a>")
                        .arg(saveScheme)
                        .arg(part.partId)
                        .arg(escapeHtml(placeholder));
    }
    return html;
}

QVariant SmsBrowser::loadResource(int type, const QUrl& name)
{
    if (type != QTextDocument::ImageResource || name.scheme() != imageScheme)
        return QTextBrowser::loadResource(type, name);
    try {
        return readImage(name.path().toLongLong(), m_pictureSizes.value(name.path().toLongLong()));
    } catch (const std::exception&) {
        return QVariant(); // shown as a missing picture
    }
}

void SmsBrowser::showPicture(qint64 partId)
{
    for (const QList<MMSPart>& parts : std::as_const(m_attachments)) {
        for (const MMSPart& part : parts) {
            if (part.partId != partId)
                continue;
            // Read and decoded on a worker: a picture may be large.
            QImage image;
            if (runInBackground(
                    tr("IDS_OPENING_PICTURE"), [&] { image = readImage(partId, QSize()); }, 300))
                (new PictureViewer(image, mmsPartFileName(part), this))->show();
            return;
        }
    }
}

void SmsBrowser::saveAttachment(qint64 partId)
{
    QString name;
    for (const QList<MMSPart>& parts : std::as_const(m_attachments)) {
        for (const MMSPart& part : parts) {
            if (part.partId == partId)
                name = mmsPartFileName(part);
        }
    }
    if (name.isEmpty())
        return;
    const QString file = DialogSeam::saveFileName(nullptr, tr("IDS_SAVE_ATTACHMENT"),
                                                  QDir::home().filePath(name), QString());
    if (file.isEmpty())
        return;
    // On a worker: an attachment may be large.
    Sqlite3DB* db = currentDatabase();
    runInBackground(tr("IDS_SAVING_ATTACHMENT"), [&] {
        QSaveFile out(file);
        const auto fail = [&] { throw std::runtime_error(out.errorString().toStdString()); };
        if (!out.open(QIODevice::WriteOnly))
            fail();
        readMMSPart(db, partId, [&](const char* bytes, int size) {
            Cancellation::throwIfRequested();
            if (out.write(bytes, size) != size)
                fail();
        });
        if (!out.commit())
            fail();
    });
}

void SmsBrowser::showPage(int page, const QList<SMSInfo>& messages)
{
    m_currentPage = page;
    m_pageMessages = messages;
    loadAttachments(messages);
    QString html;
    if (page != 1)
        html += previousPageLink;
    for (qsizetype i = 0; i < messages.size(); ++i) {
        if (i != 0)
            html += separator;
        html += messageHtml(messages.at(i));
    }
    if (page != m_pageCount)
        html += nextPageLink;
    setHtml(html);
}
