#pragma once

#include <QList>
#include <QString>
#include <QTextBrowser>
#include <QUrl>

#include "core/frame/SMSInfo.h"

class QTextDocument;

// Read-only view of a message list as HTML pages of 100 messages, with "Previous Page" and
// "Next Page" links and optional highlighting of a keyword.
class SmsBrowser : public QTextBrowser
{
    Q_OBJECT
public:
    static constexpr int messagesPerPage = 100;

    explicit SmsBrowser(QWidget* parent = nullptr);

    // Shows the last page of the list. A non-empty keyword is highlighted on every page; an
    // empty one switches highlighting off.
    void setSMSList(const QList<SMSInfo>& list, const QString& keyword);
    void showLastPage();
    void showNextPage();
    void showPreviousPage();
    void renderPage(int page);

    const QList<SMSInfo>& smsList() const { return m_smsList; }
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

private:
    QString messageHtml(const SMSInfo& sms) const;

    QList<SMSInfo> m_smsList;
    int m_currentPage = 0;
    int m_pageCount = 0;
    QString m_keyword; // as typed; escaped when put into the page
    QTextDocument* m_document;
};
