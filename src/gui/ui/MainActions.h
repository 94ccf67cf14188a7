#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

#include "gui/ui/ItemModelContacts.h"

class AbsSMSDataSource;
class MainWindow;
class QAction;
class QMenu;
class SMSSearchForm;

// What the main window's menus, toolbar and contacts menu do: each item starts its job or opens
// its dialog, on the whole account or on the chosen conversation.
class MainActions : public QObject
{
    Q_OBJECT
public:
    // Fills the window's menu bar and toolbar.
    explicit MainActions(MainWindow& window);
    ~MainActions() override;

    // The search dialog, once it was opened.
    SMSSearchForm* searchForm() const { return m_searchForm.get(); }
    void startBackupFromPhone();

public slots:
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

private:
    void buildMenusAndToolbar();
    QAction* addAction(QMenu* menu, const QString& text, const char* icon,
                       void (MainActions::*slot)());
    // The conversation a conversation action applies to: the one its menu was opened on, else
    // the current row's; none without a current row.
    std::optional<ContactEntry> chosenContact() const;
    void restoreToPhone(AbsSMSDataSource& source);
    // Hands the messages of the chosen conversation to the action (none without one).
    void withConversation(const std::function<void(AbsSMSDataSource&)>& action);

    MainWindow& m_window;
    std::unique_ptr<SMSSearchForm> m_searchForm;
    std::optional<ContactEntry> m_menuContact; // while the contacts menu is open
};
