#include "gui/ui/SmsBrowser.h"

#include <QTextCursor>
#include <QTextDocument>

#include "core/frame/EscapeHtml.h"
#include "core/store/StoreSMS.h"

namespace {

const QString previousPageLink =
    QStringLiteral("<p><a href=\"/pre_page\">&lt;&lt;Previous Page</a></p>");
const QString nextPageLink = QStringLiteral("<p><a href=\"/next_page\">&gt;&gt;Next Page</a></p>");
const QString messageLine = QStringLiteral("<span class=\"%1\">%2:  </span><span>%3</span><br/>");
const QString dateLine = QStringLiteral("<span class=\"dt\">sent:%1</span>");
const QString separator = QStringLiteral("<br/><br/>");
const QString highlightOpen = QStringLiteral("<span style=\"background-color:yellow;\">");
const QString highlightClose = QStringLiteral("</span>");
const QString dateFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

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

void SmsBrowser::setSMSList(const QList<SMSInfo>& list, const QString& keyword)
{
    m_smsList = list;
    m_keyword = keyword;
    m_pageCount = int((m_smsList.size() + messagesPerPage - 1) / messagesPerPage);
    if (m_pageCount == 0) {
        // An empty list shows an empty view rather than the previous conversation.
        m_currentPage = 0;
        clear();
        return;
    }
    showLastPage();
}

void SmsBrowser::showLastPage()
{
    m_currentPage = m_pageCount;
    renderPage(m_currentPage);
    moveCursor(QTextCursor::End);
}

void SmsBrowser::showNextPage()
{
    if (m_currentPage >= m_pageCount)
        return;
    ++m_currentPage;
    renderPage(m_currentPage);
    moveCursor(QTextCursor::Start);
}

void SmsBrowser::showPreviousPage()
{
    if (m_currentPage <= 1)
        return;
    --m_currentPage;
    renderPage(m_currentPage);
    moveCursor(QTextCursor::End);
}

void SmsBrowser::onSourceChanged(const QUrl& url)
{
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
    return messageLine.arg(cssClass, label, body) + dateLine.arg(sms.date.toString(dateFormat));
}

void SmsBrowser::renderPage(int page)
{
    if (page < 1 || page > m_pageCount)
        return;
    const int first = (page - 1) * messagesPerPage;
    const int count = qMin(int(m_smsList.size()) - first, messagesPerPage);
    QString html;
    if (page != 1)
        html += previousPageLink;
    for (int i = first; i < first + count; ++i) {
        if (i != first)
            html += separator;
        html += messageHtml(m_smsList.at(i));
    }
    if (page != m_pageCount)
        html += nextPageLink;
    setHtml(html);
}
