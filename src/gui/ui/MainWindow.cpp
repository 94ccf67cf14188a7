#include "gui/ui/MainWindow.h"

#include <functional>

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/device/DeviceConnection.h"
#include "core/frame/ProjectInfo.h"
#include "core/frame/ReasonText.h"
#include "core/jobs/DeleteConversationJob.h"
#include "core/jobs/PhoneBackupJob.h"
#include "core/jobs/PhoneRestoreJob.h"
#include "core/store/Accounts.h"
#include "core/store/ConversationQuery.h"
#include "core/store/IncomingSMSGate.h"
#include "core/store/SMSCursorSource.h"
#include "core/store/SMSQueryPageSource.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/StoreSMS.h"
#include "gui/device/ConnectionForm.h"
#include "gui/device/EnsureConnection.h"
#include "gui/files/CSVImportFlows.h"
#include "gui/files/ExportSMS.h"
#include "gui/files/PrintPreview.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/MyTreeView.h"
#include "gui/frame/ProgressForm.h"
#include "gui/frame/RunBehindDialog.h"
#include "gui/frame/WebPage.h"
#include "gui/frame/WindowFocus.h"
#include "gui/ui/AboutForm.h"
#include "gui/ui/ConversationForm.h"
#include "gui/ui/DraftSMSForm.h"
#include "gui/ui/ItemModelContacts.h"
#include "gui/ui/ListenerControl.h"
#include "gui/ui/SMSSearchForm.h"
#include "gui/ui/SmsBrowser.h"

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

const char* const MainWindow::styleSheetText =
    "QToolBar {\n\tbackground:#010230 url(:/res/toolbar.png) no-repeat;\n\tborder:solid 2px "
    "#A0A0A0;\n\tspacing:20px;\n\tpadding:5px 5px;\n}\n\n#listContacts {\n\tbackground-color:"
    "#DAEFFF;\n}\n\n#divFindContact {\n\tbackground-color:#010230;\n}";

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), m_contactsModel(new ItemModelContacts(this)),
      m_incoming(new IncomingSMSGate(this)), m_listener(std::make_unique<ListenerControl>())
{
    buildWidgets();
    m_listContacts->setModel(m_contactsModel);
    setWindowTitle(QStringLiteral("Tallowbrook"));

    connect(m_listContacts, &MyTreeView::onSelectionChanged, this,
            &MainWindow::onContactSelectionChanged);
    connect(m_btnFindContact, &QPushButton::pressed, this, &MainWindow::onBtnFindContactPressed);
    connect(m_txtSearchContact, &QLineEdit::returnPressed, this,
            &MainWindow::onBtnFindContactPressed);
    // Delete on a selected conversation asks, then deletes it, as the context menu does.
    auto* deleteKey = new QShortcut(QKeySequence(Qt::Key_Delete), m_listContacts);
    deleteKey->setContext(Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &MainWindow::miThreadDelete);
    connect(m_listContacts, &MyTreeView::createContextMenu, this,
            &MainWindow::onlistContactsContextMenu);
    connect(m_listContacts, &QTreeView::doubleClicked, this, &MainWindow::onContactDoubleClicked);

    registerSMSInfoMetaType();
    connect(m_incoming, &IncomingSMSGate::stored, this, &MainWindow::showReceivedSMS);
    connect(m_incoming, &IncomingSMSGate::storeFailed, this, &showErrorOccurred);
    connect(&m_listener->job(), &ListenJob::receivedSMS, this, &MainWindow::onReceivedSMS);

    buildMenusAndToolbar();
    reloadContacts();
    m_listContacts->setFocus();
}

MainWindow::~MainWindow()
{
    // The listener's thread must be gone before the windows it reports to.
    m_listener->stop();
    ConversationForm::releaseAllConversations();
}

void MainWindow::buildWidgets()
{
    setObjectName(QStringLiteral("MainWindow"));
    resize(1000, 680);
    setMinimumSize(680, 480);
    setStyleSheet(QString::fromLatin1(styleSheetText));

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto* verticalLayout3 = new QVBoxLayout(central);
    verticalLayout3->setObjectName(QStringLiteral("verticalLayout_3"));
    verticalLayout3->setSpacing(6);
    verticalLayout3->setContentsMargins(0, 0, 0, 0);

    auto* splitter = new QSplitter(Qt::Horizontal, central);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->setHandleWidth(2);
    splitter->setChildrenCollapsible(false);

    auto* left = new QWidget(splitter);
    left->setObjectName(QStringLiteral("widget"));
    auto* verticalLayout2 = new QVBoxLayout(left);
    verticalLayout2->setObjectName(QStringLiteral("verticalLayout_2"));
    verticalLayout2->setSpacing(0);
    verticalLayout2->setContentsMargins(0, 0, 0, 0);
    auto* divFindContact = new QWidget(left);
    divFindContact->setObjectName(QStringLiteral("divFindContact"));
    // A plain QWidget paints its style-sheet background only with this attribute.
    divFindContact->setAttribute(Qt::WA_StyledBackground, true);
    auto* horizontalLayout = new QHBoxLayout(divFindContact);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setSpacing(5);
    horizontalLayout->setContentsMargins(3, 3, 3, 3);
    m_txtSearchContact = new QLineEdit(divFindContact);
    m_txtSearchContact->setObjectName(QStringLiteral("txtSearchContact"));
    m_btnFindContact = new QPushButton(QStringLiteral("Find"), divFindContact);
    m_btnFindContact->setObjectName(QStringLiteral("btnFindContact"));
    horizontalLayout->addWidget(m_txtSearchContact);
    horizontalLayout->addWidget(m_btnFindContact);
    verticalLayout2->addWidget(divFindContact);
    m_listContacts = new MyTreeView(left);
    m_listContacts->setObjectName(QStringLiteral("listContacts"));
    m_listContacts->setFrameShadow(QFrame::Sunken);
    m_listContacts->setHeaderHidden(true);
    m_listContacts->setRootIsDecorated(false);
    // Every row has the same height: the view need not measure thousands of rows.
    m_listContacts->setUniformRowHeights(true);
    verticalLayout2->addWidget(m_listContacts);

    auto* right = new QWidget(splitter);
    right->setObjectName(QStringLiteral("widget_2"));
    auto* verticalLayout = new QVBoxLayout(right);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(0);
    verticalLayout->setContentsMargins(0, 0, 0, 0);
    m_browserSMS = new SmsBrowser(right);
    m_browserSMS->setObjectName(QStringLiteral("browserSMS"));
    verticalLayout->addWidget(m_browserSMS);
    m_lbConversationStatus = new QLabel(right);
    m_lbConversationStatus->setObjectName(QStringLiteral("lbConversationStatus"));
    m_lbConversationStatus->setMinimumHeight(20);
    m_lbConversationStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    verticalLayout->addWidget(m_lbConversationStatus);

    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({300, 700});
    verticalLayout3->addWidget(splitter);
    setCentralWidget(central);

    auto* menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    setMenuBar(menuBar);
    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("mainToolBar"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setIconSize(QSize(40, 40));
    addToolBar(Qt::TopToolBarArea, toolBar);
}

QAction* MainWindow::addAction(QMenu* menu, const QString& text, const char* icon,
                               void (MainWindow::*slot)())
{
    QAction* action =
        icon ? menu->addAction(QIcon(QString::fromLatin1(icon)), text) : menu->addAction(text);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void MainWindow::buildMenusAndToolbar()
{
    QMenu* menu = menuBar()->addMenu(tr("&Menu"));
    menu->setObjectName(QStringLiteral("menuMenu"));
    QAction* importAction =
        addAction(menu, tr("&Import"), ":/res/import.png", &MainWindow::miImport);
    QAction* exportAction =
        addAction(menu, tr("&Export"), ":/res/export.png", &MainWindow::miExport);
    QAction* printAction = addAction(menu, tr("&Print"), ":/res/print.png", &MainWindow::miPrint);
    QMenu* sync = menu->addMenu(QIcon(QStringLiteral(":/res/sync.png")), tr("Sync"));
    sync->setObjectName(QStringLiteral("menuSync"));
    QAction* backupAction = addAction(sync, tr("Backup SMS from Android"), ":/res/backup.png",
                                      &MainWindow::miSyncFromAndroid);
    QAction* restoreAction = addAction(sync, tr("Restore SMS to Android"), ":/res/restore.png",
                                       &MainWindow::miSyncToAndroid);
    QAction* otherAction = addAction(sync, tr("Transfer SMS from Other Phone to Android"),
                                     ":/res/fromother.png", &MainWindow::miSyncFromOther);
    QAction* searchAction =
        addAction(menu, tr("Search"), ":/res/search.png", &MainWindow::miSearch);
    searchAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    addAction(menu, tr("Compose message"), ":/res/compose.png", &MainWindow::miComposeMsg);
    menu->addSeparator();
    addAction(menu, tr("Connection"), nullptr, &MainWindow::miConnection);
    QAction* exitAction = menu->addAction(QIcon(QStringLiteral(":/res/exit.png")), tr("Exit"));
    exitAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    connect(exitAction, &QAction::triggered, this, &QWidget::close);

    QMenu* help = menuBar()->addMenu(tr("Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    QAction* howToAction =
        addAction(help, tr("How to use"), ":/res/help.png", &MainWindow::miHowToUse);
    addAction(help, tr("Homepage"), nullptr, &MainWindow::miHomePage);
    addAction(help, tr("Contact us"), nullptr, &MainWindow::miContactUs);

    QMenu* about = menuBar()->addMenu(tr("About"));
    about->setObjectName(QStringLiteral("menuAbout"));
    addAction(about, tr("About Software"), nullptr, &MainWindow::miAbout);

    auto* toolBar = findChild<QToolBar*>(QStringLiteral("mainToolBar"));
    toolBar->addActions({importAction, exportAction, printAction, backupAction, restoreAction,
                         otherAction, searchAction, howToAction});
}

qsizetype MainWindow::heldIncomingCount() const
{
    return m_incoming->heldCount();
}

void MainWindow::reloadContacts()
{
    m_contactsModel->reload();
    selectFirstContact();
}

void MainWindow::selectFirstContact()
{
    if (m_contactsModel->rowCount() > 0) {
        // Passing through no current row makes the selection change, and so reloads the page,
        // even when row 0 was current before.
        m_listContacts->setCurrentIndex(QModelIndex());
        m_listContacts->setCurrentIndex(m_contactsModel->index(0, 0));
    } else {
        m_listContacts->setCurrentIndex(m_contactsModel->index(0, 0));
        // Nothing left to show: the page of a deleted conversation must not stay on screen.
        m_browserSMS->setSMSList({}, QString());
        m_lbConversationStatus->setText(tr("Total:%1").arg(0));
    }
}

void MainWindow::showConversation(const QString& suffix)
{
    try {
        m_browserSMS->setSource(std::make_shared<SMSQueryPageSource>(currentDatabaseShared(),
                                                                     conversationQuery(suffix)),
                                QString());
        m_lbConversationStatus->setText(tr("Total:%1").arg(m_browserSMS->messageCount()));
    } catch (const Sqlite3Exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
    }
}

void MainWindow::onContactSelectionChanged(const QItemSelection& selected, const QItemSelection&)
{
    const QModelIndexList indexes = selected.indexes();
    if (indexes.isEmpty())
        return;
    const auto* entry = static_cast<const ContactEntry*>(indexes.first().internalPointer());
    if (entry)
        showConversation(entry->suffix);
}

void MainWindow::openChat(const ContactEntry& entry)
{
    ConversationForm::openConversation(entry.displayText(), entry.address, entry.suffix);
}

void MainWindow::onContactDoubleClicked(const QModelIndex& index)
{
    if (index.isValid() && index.row() < m_contactsModel->rowCount())
        openChat(m_contactsModel->entries().at(index.row()));
}

std::optional<ContactEntry> MainWindow::chosenContact() const
{
    // A message arriving while the menu is open may reorder or reload the list: the action
    // applies to the conversation the menu was opened on.
    if (m_menuContact)
        return m_menuContact;
    const QModelIndex current = m_listContacts->currentIndex();
    if (!current.isValid() || current.row() >= m_contactsModel->rowCount())
        return std::nullopt;
    return m_contactsModel->entries().at(current.row());
}

void MainWindow::onBtnFindContactPressed()
{
    const QString text = m_txtSearchContact->text().trimmed();
    if (text.isEmpty())
        return;
    const QList<ContactEntry>& entries = m_contactsModel->entries();
    const QModelIndex current = m_listContacts->currentIndex();
    const int currentRow = current.isValid() ? current.row() : -1;
    const auto matches = [&](int row) {
        const ContactEntry& entry = entries.at(row);
        return entry.person.contains(text, Qt::CaseInsensitive) ||
               entry.address.contains(text, Qt::CaseInsensitive);
    };
    int found = -1;
    for (int row = currentRow + 1; row < entries.size() && found < 0; ++row) {
        if (matches(row))
            found = row;
    }
    for (int row = 0; row <= currentRow && found < 0; ++row) {
        if (matches(row))
            found = row;
    }
    if (found < 0) {
        showInformation(tr("IDS_CAN_NOT_FIND_ANY_CONTACTS"));
        return;
    }
    m_listContacts->setCurrentIndex(m_contactsModel->index(found, 0));
}

void MainWindow::onlistContactsContextMenu()
{
    const std::optional<ContactEntry> contact = chosenContact();
    if (!contact)
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("contactsContextMenu"));
    connect(menu.addAction(tr("Export SMS to file")), &QAction::triggered, this,
            &MainWindow::miThreadExport);
    connect(menu.addAction(tr("Restore SMS to Android")), &QAction::triggered, this,
            &MainWindow::miThreadToAndroid);
    connect(menu.addAction(tr("Print SMS")), &QAction::triggered, this, &MainWindow::miThreadPrint);
    connect(menu.addAction(tr("Delete thread")), &QAction::triggered, this,
            &MainWindow::miThreadDelete);
    connect(menu.addAction(tr("Chat")), &QAction::triggered, this, &MainWindow::miThreadChat);
    m_menuContact = contact;
    menu.exec(m_listContacts->menuPosition());
    m_menuContact.reset();
}

void MainWindow::miThreadDelete()
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
    reloadContacts();
    showInformation(tr("IDS_SUC_DELETE_SMS_THREAD"));
}

void MainWindow::miThreadChat()
{
    if (const std::optional<ContactEntry> contact = chosenContact())
        openChat(*contact);
}

void MainWindow::onReceivedSMS(const SMSInfo& sms)
{
    m_incoming->offer(sms);
}

void MainWindow::showReceivedSMS(const SMSInfo& sms)
{
    // Stored all the same; after the close no chat window may open and keep the program alive.
    if (m_closed)
        return;
    const QString suffix = conversationSuffix(sms.address);
    if (sms.isSend) {
        // The user's own message opens no chat; an open one shows it.
        noteMessage(sms);
        selectFirstContact();
        if (ConversationForm* chat = ConversationForm::conversation(suffix))
            chat->refreshHistory();
        return;
    }
    const int row = m_contactsModel->rowOfSuffix(suffix);
    if (row < 0) {
        // A new conversation: it takes its place in the list and is selected, as a requery
        // of every conversation would do.
        noteMessage(sms);
        selectFirstContact();
    } else {
        const QModelIndex current = m_listContacts->currentIndex();
        if (current.isValid() && current.row() == row)
            showConversation(suffix);
    }
    bringForward(this);
    ConversationForm::openConversation(contactDisplayName(sms), sms.address, suffix);
}

void MainWindow::messageSent(const SMSInfo& sms)
{
    m_incoming->offer(sms);
}

void MainWindow::noteMessage(const SMSInfo& sms)
{
    try {
        m_contactsModel->noteMessage(sms);
    } catch (const Sqlite3Exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
    }
}

void MainWindow::restartListener()
{
    m_listener->restart();
}

void MainWindow::startBackupFromPhone()
{
    if (!ensureConnection(false))
        return;
    ProgressForm form(tr("IDS_TITLE_IMPORT_SMS_FROM_ANDROID"));
    PhoneBackupJob worker;
    runJob(form, worker, [this](int result) {
        if (result == QDialog::Accepted)
            reloadContacts();
    });
}

void MainWindow::miSyncFromAndroid()
{
    if (!ensureConnection(false)) {
        // The connection dialog offers the backup itself once connected.
        ensureConnection(true);
        return;
    }
    startBackupFromPhone();
}

void MainWindow::restoreToPhone(AbsSMSDataSource& source)
{
    ProgressForm form(tr("IDS_TITLE_EXPORT_SMS_TO_ANDROID"));
    PhoneRestoreJob worker(&source);
    runJob(form, worker);
}

void MainWindow::miSyncToAndroid()
{
    if (!ensureConnection(true))
        return;
    withWholeAccount([this](AbsSMSDataSource& source) { restoreToPhone(source); });
}

void MainWindow::withConversation(const std::function<void(AbsSMSDataSource&)>& action)
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

void MainWindow::miThreadToAndroid()
{
    if (!chosenContact() || !ensureConnection(true))
        return;
    withConversation([this](AbsSMSDataSource& source) { restoreToPhone(source); });
}

void MainWindow::miImport()
{
    importCSVFromFile(this);
}

void MainWindow::miSyncFromOther()
{
    importCSVFromOtherPhone(this);
}

void MainWindow::miExport()
{
    withWholeAccount(exportSource);
}

void MainWindow::miThreadExport()
{
    withConversation(exportSource);
}

void MainWindow::miPrint()
{
    withWholeAccount(printSource);
}

void MainWindow::miThreadPrint()
{
    withConversation(printSource);
}

void MainWindow::miSearch()
{
    if (!m_searchForm)
        m_searchForm = std::make_unique<SMSSearchForm>();
    m_searchForm->show();
    m_searchForm->raise();
    m_searchForm->activateWindow();
}

void MainWindow::miComposeMsg()
{
    DraftSMSForm form;
    form.exec(); // each sent message reaches the list once stored (messageSent)
}

void MainWindow::miConnection()
{
    ConnectionForm form;
    form.exec();
}

void MainWindow::miAbout()
{
    AboutForm form;
    form.exec();
}

void MainWindow::miHowToUse()
{
    openWebPage(QString::fromLatin1(ProjectInfo::howToUseUrl));
}

void MainWindow::miHomePage()
{
    openWebPage(QString::fromLatin1(ProjectInfo::homePageUrl));
}

void MainWindow::miContactUs()
{
    openWebPage(QString::fromLatin1(ProjectInfo::contactUsUrl));
}

int MainWindow::runUntilClosed()
{
    // Qt's own quit after the last window is called off when another window shows meanwhile
    // (a chat opened by a message that came in during the close); this exit is not.
    const QMetaObject::Connection exit =
        connect(this, &MainWindow::closed, qApp, [] { QCoreApplication::exit(0); });
    show();
    const int code = QApplication::exec();
    disconnect(exit);
    return code;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    m_closed = true;
    // Nothing may keep the program running: the listener stops (within its bounded wait), the
    // messages it handed over before are stored, and chats, search and boxes stay closed.
    m_listener->stop();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    ConversationForm::closeAllConversations();
    if (m_searchForm)
        m_searchForm->close();
    QMainWindow::closeEvent(event);
    emit closed();
}
