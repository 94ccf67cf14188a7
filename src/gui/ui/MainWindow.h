#pragma once

#include <functional>

#include <QItemSelection>
#include <QMainWindow>
#include <QModelIndex>
#include <memory>
#include <optional>

#include "core/frame/SMSInfo.h"
#include "gui/frame/IMainWindow.h"
#include "gui/ui/ItemModelContacts.h"

class IncomingSMSGate;
class ListenerControl;
class MyTreeView;
class QAction;
class QCloseEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class SMSSearchForm;
class SmsBrowser;

// The program's one top-level window: conversations on the left, the selected conversation
// page by page on the right, and the menus and toolbar that start every operation.
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
    // The search dialog, once it was opened.
    SMSSearchForm* searchForm() const { return m_searchForm.get(); }
    ListenerControl* listener() const { return m_listener.get(); }
    // Incoming messages held while a job runs.
    qsizetype heldIncomingCount() const;

    static const char* const styleSheetText;

public slots:
    void onContactSelectionChanged(const QItemSelection& selected,
                                   const QItemSelection& deselected);
    void onContactDoubleClicked(const QModelIndex& index);
    void onBtnFindContactPressed();
    void miImport();
    void miExport();
    void miSyncFromAndroid();
    void miSyncToAndroid();
    void miSyncFromOther();
    void miSearch();
    void miComposeMsg();
    void miConnection();
    void miHowToUse();
    void miHomePage();
    void miContactUs();
    void miAbout();
    void miPrint();
    void onlistContactsContextMenu();
    void miThreadExport();
    void miThreadToAndroid();
    void miThreadDelete();
    void miThreadChat();
    void miThreadPrint();
    void onReceivedSMS(const SMSInfo& sms);

signals:
    // The window was closed: the listener has stopped and no other window opens any more.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgets();
    void buildMenusAndToolbar();
    QAction* addAction(QMenu* menu, const QString& text, const char* icon,
                       void (MainWindow::*slot)());
    // Shows a message once it is stored (never during a job, see IncomingSMSGate): an incoming
    // one in its chat window, a sent one in the list.
    void showReceivedSMS(const SMSInfo& sms);
    // Moves the message's conversation to its place in the list; a failure is shown.
    void noteMessage(const SMSInfo& sms);
    // Selects row 0, passing through no current row so that its page is shown anew.
    void selectFirstContact();
    // The conversation a conversation action applies to: the one its menu was opened on, else
    // the current row's; none without a current row.
    std::optional<ContactEntry> chosenContact() const;
    void openChat(const ContactEntry& entry);
    void restoreToPhone(class AbsSMSDataSource& source);
    // Hands the messages of the current row's conversation to the action (none without one).
    void withConversation(const std::function<void(class AbsSMSDataSource&)>& action);

    ItemModelContacts* m_contactsModel;
    QLineEdit* m_txtSearchContact = nullptr;
    QPushButton* m_btnFindContact = nullptr;
    MyTreeView* m_listContacts = nullptr;
    SmsBrowser* m_browserSMS = nullptr;
    QLabel* m_lbConversationStatus = nullptr;
    std::unique_ptr<SMSSearchForm> m_searchForm;
    IncomingSMSGate* m_incoming;
    std::unique_ptr<ListenerControl> m_listener;
    std::optional<ContactEntry> m_menuContact; // while the contacts menu is open
    bool m_closed = false;
};
