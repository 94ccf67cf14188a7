#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QTextBrowser>
#include <QTextCursor>
#include <QUrl>
#include <memory>

#include "core/frame/MMSInfo.h"
#include "core/frame/SMSInfo.h"

class QTextDocument;
class SMSPageSource;

// Read-only view of a message list as HTML pages of 100 messages, with "Previous Page" and
// "Next Page" links and optional highlighting of a keyword. The list comes from a page source:
// only the page on screen is read, so a list may be as long as the whole account.
class SmsBrowser : public QTextBrowser
{
    Q_OBJECT
public:
    static constexpr int messagesPerPage = 100;

    explicit SmsBrowser(QWidget* parent = nullptr);

    // Shows the last page of the source's list. A non-empty keyword is highlighted on every
    // page; an empty one switches highlighting off. On a failure to read (Sqlite3Exception,
    // passed on) the view keeps what it showed.
    void setSource(std::shared_ptr<SMSPageSource> source, const QString& keyword);
    // The same for a list in memory.
    void setSMSList(const QList<SMSInfo>& list, const QString& keyword);
    // The page moves show a failure to read in the error box and keep the page on screen.
    void showLastPage();
    void showNextPage();
    void showPreviousPage();

    // Number of messages in the whole list.
    qint64 messageCount() const { return m_count; }
    // The messages of the page on screen.
    const QList<SMSInfo>& pageMessages() const { return m_pageMessages; }
    int currentPage() const { return m_currentPage; }
    int pageCount() const { return m_pageCount; }
    // The highlight keyword as it is put into the page (escaped).
    QString highlightKeyword() const;

    // Escaped HTML of the text with every case-insensitive occurrence of keyword in the
    // visible text wrapped in the highlight span. Matching runs on the plain text, so a
    // keyword never matches inside an entity or a tag of the markup.
    static QString highlightedHtml(const QString& text, const QString& keyword);

    static const char* const defaultStyleSheet;

public slots:
    void onSourceChanged(const QUrl& url);

protected:
    // The pictures of MMS, scaled to the view's width, read when the page is laid out.
    QVariant loadResource(int type, const QUrl& name) override;

private:
    // Pictures and links of the MMS among the messages (by row), for their page.
    void loadAttachments(const QList<SMSInfo>& messages);
    QString attachmentsHtml(const SMSInfo& sms) const;
    void showPicture(qint64 partId);
    void saveAttachment(qint64 partId);

    QString messageHtml(const SMSInfo& sms) const;
    // Reads the page (1 to the page count) and shows it scrolled to the given end.
    void movePage(int page, QTextCursor::MoveOperation scrollTo);
    void showPage(int page, const QList<SMSInfo>& messages);

    std::shared_ptr<SMSPageSource> m_source;
    qint64 m_count = 0;
    QList<SMSInfo> m_pageMessages;
    int m_currentPage = 0;
    int m_pageCount = 0;
    QString m_keyword; // as typed; escaped when put into the page
    QTextDocument* m_document;
    QHash<qint32, QList<MMSPart>> m_attachments; // of the MMS on the page
    // The size each picture is shown at: given in the page, so that laying it out decodes
    // none of them; only those scrolled into view are.
    QHash<qint64, QSize> m_pictureSizes;
};
