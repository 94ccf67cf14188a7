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

    // The numbers to send to: the recipients line split at commas (empty parts skipped, parts
    // not trimmed); "name(number)" gives the number inside the parentheses.
    static QStringList recipientNumbers(const QString& recipientsText);
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
    QLineEdit* m_txtRecipients;
    QTextEdit* m_txtSMSContent;
    QPushButton* m_btnSend;
    QListWidget* m_listSearchResult;
    ContactCompleter m_completer;
    QList<SMSInfo> m_sent;
};
