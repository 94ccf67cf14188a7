#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTextEdit;
class SmsBrowser;

// The chat window of one conversation: its whole history and a reply box. At most one window
// per conversation; closing it only hides it.
class ConversationForm : public QDialog
{
    Q_OBJECT
public:
    // Shows the conversation's window, creating it on first use, with a fresh history.
    static void openConversation(const QString& title, const QString& address,
                                 const QString& suffix);
    // Closes (hides) every chat window.
    static void closeAllConversations();
    // Destroys every chat window; the main window does this before the application goes.
    static void releaseAllConversations();
    // The window of that conversation, or nullptr.
    static ConversationForm* conversation(const QString& suffix);
    static int conversationCount();

    void refreshHistory();

    const QString& address() const { return m_address; }
    const QString& suffix() const { return m_suffix; }
    SmsBrowser* history() const { return m_txtHistory; }
    QTextEdit* replyEdit() const { return m_txtSendSMS; }
    QLabel* statusLabel() const { return m_lbConversationStatus; }

public slots:
    void onBtnSendSMSPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ConversationForm(const QString& address, const QString& suffix);

    QString m_address;
    QString m_suffix;
    SmsBrowser* m_txtHistory;
    QLabel* m_lbConversationStatus;
    QTextEdit* m_txtSendSMS;
    QPushButton* m_btnSendSMS;
};
