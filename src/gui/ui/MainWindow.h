#pragma once

#include <QItemSelection>
#include <QMainWindow>
#include <QModelIndex>

#include "core/frame/SMSInfo.h"
#include "gui/frame/IMainWindow.h"
#include "gui/ui/ItemModelContacts.h"

class IncomingMessages;
class ListenerControl;
class MainActions;
class MyTreeView;
class QCloseEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class SmsBrowser;

// The program's one top-level window: conversations on the left, the selected conversation
// page by page on the right; its menus and toolbar are MainActions', the messages that come in
// meanwhile IncomingMessages'.
class MainWindow : public QMainWindow, public IMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void reloadContacts() override;
    void startBackupFromPhone() override;
    void showConversation(const QString& suffix) override;
    void messageSent(const SMSInfo& sms) override;
    void restartListener() override;

    // Shows the window and runs the program's event loop until the window is closed, then
    // returns the loop's code. Whatever else is open then does not keep the program running.
    int runUntilClosed();

    ItemModelContacts* contactsModel() const { return m_contactsModel; }
    MyTreeView* contactsView() const { return m_listContacts; }
    SmsBrowser* conversationView() const { return m_browserSMS; }
    QLabel* statusLabel() const { return m_lbConversationStatus; }
    QLineEdit* findEdit() const { return m_txtSearchContact; }
    QPushButton* findButton() const { return m_btnFindContact; }
    // What the menus, toolbar and contacts menu do.
    MainActions* actions() const { return m_actions; }
    ListenerControl* listener() const { return m_listener.get(); }
    // Incoming messages held while a job runs.
    qsizetype heldIncomingCount() const;
    // The window was closed: nothing it shows opens a window any more.
    bool wasClosed() const { return m_closed; }
    // Selects row 0, passing through no current row so that its page is shown anew.
    void selectFirstContact();
    static void openChat(const ContactEntry& entry);

    static const char* const styleSheetText;

public slots:
    void onContactSelectionChanged(const QItemSelection& selected,
                                   const QItemSelection& deselected);
    void onContactDoubleClicked(const QModelIndex& index);
    void onBtnFindContactPressed();
    void onReceivedSMS(const SMSInfo& sms);

signals:
    // The window was closed: the listener has stopped and no other window opens any more.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgets();

    ItemModelContacts* m_contactsModel;
    QLineEdit* m_txtSearchContact = nullptr;
    QPushButton* m_btnFindContact = nullptr;
    MyTreeView* m_listContacts = nullptr;
    SmsBrowser* m_browserSMS = nullptr;
    QLabel* m_lbConversationStatus = nullptr;
    IncomingMessages* m_incoming;
    std::unique_ptr<ListenerControl> m_listener;
    MainActions* m_actions = nullptr;
    bool m_closed = false;
};
