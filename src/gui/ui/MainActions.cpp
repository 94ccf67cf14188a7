#include "gui/ui/MainActions.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QToolBar>

#include "core/frame/ProjectInfo.h"
#include "core/jobs/DeleteConversationJob.h"
#include "core/jobs/PhoneBackupJob.h"
#include "core/jobs/PhoneRestoreJob.h"
#include "core/store/Accounts.h"
#include "core/store/ConversationQuery.h"
#include "core/store/SMSCursorSource.h"
#include "core/store/Sqlite3Exception.h"
#include "gui/device/ConnectionForm.h"
#include "gui/device/EnsureConnection.h"
#include "gui/files/CSVImportFlows.h"
#include "gui/files/ExportSMS.h"
#include "gui/files/PrintPreview.h"
#include "gui/frame/RunBehindDialog.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/MyTreeView.h"
#include "gui/frame/ProgressForm.h"
#include "gui/frame/WebPage.h"
#include "gui/ui/AboutForm.h"
#include "gui/ui/DraftSMSForm.h"
#include "gui/ui/MainWindow.h"
#include "gui/ui/SMSSearchForm.h"

namespace {

// Hands every stored message, oldest first, to the action; a failed query is shown.
void withWholeAccount(const std::function<void(AbsSMSDataSource&)>& action)
{
    try {
        SMSCursorSource source(currentDatabase(), wholeAccountQuery());
        action(source);
    } catch (const Sqlite3Exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
    }
}

void printSource(AbsSMSDataSource& source)
{
    printPreview(&source);
}

void exportSource(AbsSMSDataSource& source)
{
    exportSMS(&source);
}

} // namespace

MainActions::MainActions(MainWindow& window) : QObject(&window), m_window(window)
{
    MyTreeView* contacts = m_window.contactsView();
    // Delete on a selected conversation asks, then deletes it, as the context menu does.
    auto* deleteKey = new QShortcut(QKeySequence(Qt::Key_Delete), contacts);
    deleteKey->setContext(Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &MainActions::miThreadDelete);
    connect(contacts, &MyTreeView::createContextMenu, this,
            &MainActions::onlistContactsContextMenu);
    buildMenusAndToolbar();
}

MainActions::~MainActions() = default;

QAction* MainActions::addAction(QMenu* menu, const QString& text, const char* icon,
                                void (MainActions::*slot)())
{
    QAction* action =
        icon ? menu->addAction(QIcon(QString::fromLatin1(icon)), text) : menu->addAction(text);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void MainActions::buildMenusAndToolbar()
{
    QMenu* menu = m_window.menuBar()->addMenu(tr("&Menu"));
    menu->setObjectName(QStringLiteral("menuMenu"));
    QAction* importAction =
        addAction(menu, tr("&Import"), ":/res/import.png", &MainActions::miImport);
    QAction* exportAction =
        addAction(menu, tr("&Export"), ":/res/export.png", &MainActions::miExport);
    QAction* printAction = addAction(menu, tr("&Print"), ":/res/print.png", &MainActions::miPrint);
    QMenu* sync = menu->addMenu(QIcon(QStringLiteral(":/res/sync.png")), tr("Sync"));
    sync->setObjectName(QStringLiteral("menuSync"));
    QAction* backupAction = addAction(sync, tr("Backup SMS from Android"), ":/res/backup.png",
                                      &MainActions::miSyncFromAndroid);
    QAction* restoreAction = addAction(sync, tr("Restore SMS to Android"), ":/res/restore.png",
                                       &MainActions::miSyncToAndroid);
    QAction* otherAction = addAction(sync, tr("Transfer SMS from Other Phone to Android"),
                                     ":/res/fromother.png", &MainActions::miSyncFromOther);
    QAction* searchAction =
        addAction(menu, tr("Search"), ":/res/search.png", &MainActions::miSearch);
    searchAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    addAction(menu, tr("Compose message"), ":/res/compose.png", &MainActions::miComposeMsg);
    menu->addSeparator();
    addAction(menu, tr("Connection"), nullptr, &MainActions::miConnection);
    QAction* exitAction = menu->addAction(QIcon(QStringLiteral(":/res/exit.png")), tr("Exit"));
    exitAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    connect(exitAction, &QAction::triggered, &m_window, &QWidget::close);

    QMenu* help = m_window.menuBar()->addMenu(tr("Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    QAction* howToAction =
        addAction(help, tr("How to use"), ":/res/help.png", &MainActions::miHowToUse);
    addAction(help, tr("Homepage"), nullptr, &MainActions::miHomePage);
    addAction(help, tr("Contact us"), nullptr, &MainActions::miContactUs);

    QMenu* about = m_window.menuBar()->addMenu(tr("About"));
    about->setObjectName(QStringLiteral("menuAbout"));
    addAction(about, tr("About Software"), nullptr, &MainActions::miAbout);

    auto* toolBar = m_window.findChild<QToolBar*>(QStringLiteral("mainToolBar"));
    toolBar->addActions({importAction, exportAction, printAction, backupAction, restoreAction,
                         otherAction, searchAction, howToAction});
}

std::optional<ContactEntry> MainActions::chosenContact() const
{
    // A message arriving while the menu is open may reorder or reload the list: the action
    // applies to the conversation the menu was opened on.
    if (m_menuContact)
        return m_menuContact;
    const QModelIndex current = m_window.contactsView()->currentIndex();
    const ItemModelContacts* model = m_window.contactsModel();
    if (!current.isValid() || current.row() >= model->rowCount())
        return std::nullopt;
    return model->entries().at(current.row());
}

void MainActions::onlistContactsContextMenu()
{
    const std::optional<ContactEntry> contact = chosenContact();
    if (!contact)
        return;
    QMenu menu(&m_window);
    menu.setObjectName(QStringLiteral("contactsContextMenu"));
    connect(menu.addAction(tr("Export SMS to file")), &QAction::triggered, this,
            &MainActions::miThreadExport);
    connect(menu.addAction(tr("Restore SMS to Android")), &QAction::triggered, this,
            &MainActions::miThreadToAndroid);
    connect(menu.addAction(tr("Print SMS")), &QAction::triggered, this,
            &MainActions::miThreadPrint);
    connect(menu.addAction(tr("Delete thread")), &QAction::triggered, this,
            &MainActions::miThreadDelete);
    connect(menu.addAction(tr("Chat")), &QAction::triggered, this, &MainActions::miThreadChat);
    m_menuContact = contact;
    menu.exec(m_window.contactsView()->menuPosition());
    m_menuContact.reset();
}

void MainActions::miThreadDelete()
{
    // Taken before asking: a message arriving while the question is open can reload the list,
    // and the conversation deleted must be the one the user confirmed.
    const std::optional<ContactEntry> contact = chosenContact();
    if (!contact)
        return;
    const QString suffix = contact->suffix;
    if (!askYesNo(tr("IDS_CONFIRM_DEL_THREAD")))
        return;
    ProgressForm form(tr("IDS_TITLE_DELETE_SMS_THREAD"));
    DeleteConversationJob worker(currentDatabaseShared(), suffix);
    if (runJob(form, worker) != QDialog::Accepted)
        return;
    m_window.reloadContacts();
    showInformation(tr("IDS_SUC_DELETE_SMS_THREAD"));
}

void MainActions::miThreadChat()
{
    if (const std::optional<ContactEntry> contact = chosenContact())
        MainWindow::openChat(*contact);
}

void MainActions::startBackupFromPhone()
{
    if (!ensureConnection(false))
        return;
    ProgressForm form(tr("IDS_TITLE_IMPORT_SMS_FROM_ANDROID"));
    PhoneBackupJob worker;
    runJob(form, worker, [this](int result) {
        if (result == QDialog::Accepted)
            m_window.reloadContacts();
    });
}

void MainActions::miSyncFromAndroid()
{
    if (!ensureConnection(false)) {
        // The connection dialog offers the backup itself once connected.
        ensureConnection(true);
        return;
    }
    startBackupFromPhone();
}

void MainActions::restoreToPhone(AbsSMSDataSource& source)
{
    ProgressForm form(tr("IDS_TITLE_EXPORT_SMS_TO_ANDROID"));
    PhoneRestoreJob worker(&source);
    runJob(form, worker);
}

void MainActions::miSyncToAndroid()
{
    if (!ensureConnection(true))
        return;
    withWholeAccount([this](AbsSMSDataSource& source) { restoreToPhone(source); });
}

void MainActions::withConversation(const std::function<void(AbsSMSDataSource&)>& action)
{
    const std::optional<ContactEntry> contact = chosenContact();
    if (!contact)
        return;
    try {
        SMSCursorSource source(currentDatabase(), conversationQuery(contact->suffix));
        action(source);
    } catch (const Sqlite3Exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
    }
}

void MainActions::miThreadToAndroid()
{
    if (!chosenContact() || !ensureConnection(true))
        return;
    withConversation([this](AbsSMSDataSource& source) { restoreToPhone(source); });
}

void MainActions::miImport()
{
    importCSVFromFile(&m_window);
}

void MainActions::miSyncFromOther()
{
    importCSVFromOtherPhone(&m_window);
}

void MainActions::miExport()
{
    withWholeAccount(exportSource);
}

void MainActions::miThreadExport()
{
    withConversation(exportSource);
}

void MainActions::miPrint()
{
    withWholeAccount(printSource);
}

void MainActions::miThreadPrint()
{
    withConversation(printSource);
}

void MainActions::miSearch()
{
    if (!m_searchForm)
        m_searchForm = std::make_unique<SMSSearchForm>();
    m_searchForm->show();
    m_searchForm->raise();
    m_searchForm->activateWindow();
}

void MainActions::miComposeMsg()
{
    DraftSMSForm form;
    form.exec(); // each sent message reaches the list once stored (messageSent)
}

void MainActions::miConnection()
{
    ConnectionForm form;
    form.exec();
}

void MainActions::miAbout()
{
    AboutForm form;
    form.exec();
}

void MainActions::miHowToUse()
{
    openWebPage(QString::fromLatin1(ProjectInfo::howToUseUrl));
}

void MainActions::miHomePage()
{
    openWebPage(QString::fromLatin1(ProjectInfo::homePageUrl));
}

void MainActions::miContactUs()
{
    openWebPage(QString::fromLatin1(ProjectInfo::contactUsUrl));
}
