#pragma once

#include <QDialog>
#include <QStringList>

#include "core/frame/SMSInfo.h"
#include "gui/ui/ContactCompleter.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMouseEvent;
class QTextEdit;
class QPushButton;

// Composes one message to one or more recipients, with completion from the stored contacts,
// and sends it through the phone once per recipient.
class DraftSMSForm : public QDialog
{
    Q_OBJECT
public:
    explicit DraftSMSForm(QWidget* parent = nullptr);

    // The recipients line split at commas, each part trimmed, empty parts skipped.
    static QStringList recipients(const QString& recipientsText);
    // The number to send to: "name(number)" gives the number inside the parentheses.
    static QString numberOf(const QString& recipient);
    // The recipients line after choosing a completion entry.
    static QString withChosenRecipient(const QString& recipientsText, const QString& entry);

    QLineEdit* recipientsEdit() const { return m_txtRecipients; }
    QTextEdit* contentEdit() const { return m_txtSMSContent; }
    QListWidget* completionList() const { return m_listSearchResult; }
    // The messages as the phone reported them, one per recipient sent to.
    const QList<SMSInfo>& sentMessages() const { return m_sent; }

public slots:
    void onRecipientTextChanged(const QString& text);
    void onSearchResultItemClicked(QListWidgetItem* item);
    void onBtnSendPressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // After a send that reached only the first recipients: says who got the message and who
    // did not, and leaves only the latter in the recipients line.
    void keepUnsentRecipients(const QStringList& targets, const QStringList& sentTo);

    QLineEdit* m_txtRecipients;
    QTextEdit* m_txtSMSContent;
    QPushButton* m_btnSend;
    QListWidget* m_listSearchResult;
    ContactCompleter m_completer;
    QList<SMSInfo> m_sent;
};
