#include "gui/ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/frame/ReasonText.h"
#include "core/jobs/ListenJob.h"
#include "core/store/Accounts.h"
#include "core/store/ConversationQuery.h"
#include "core/store/SMSQueryPageSource.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/StoreSMS.h"
#include "gui/frame/RunBehindDialog.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/MyTreeView.h"
#include "gui/ui/ConversationForm.h"
#include "gui/ui/IncomingMessages.h"
#include "gui/ui/ItemModelContacts.h"
#include "gui/ui/ListenerControl.h"
#include "gui/ui/MainActions.h"
#include "gui/ui/SMSSearchForm.h"
#include "gui/ui/SmsBrowser.h"

const char* const MainWindow::styleSheetText =
    "QToolBar {\n\tbackground:#010230 url(:/res/toolbar.png) no-repeat;\n\tborder:solid 2px "
    "#A0A0A0;\n\tspacing:20px;\n\tpadding:5px 5px;\n}\n\n#listContacts {\n\tbackground-color:"
    "#DAEFFF;\n}\n\n#divFindContact {\n\tbackground-color:#010230;\n}";

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), m_contactsModel(new ItemModelContacts(this)),
      m_incoming(new IncomingMessages(*this)), m_listener(std::make_unique<ListenerControl>())
{
    buildWidgets();
    m_listContacts->setModel(m_contactsModel);
    setWindowTitle(QStringLiteral("Tallowbrook"));

    connect(m_listContacts, &MyTreeView::onSelectionChanged, this,
            &MainWindow::onContactSelectionChanged);
    connect(m_btnFindContact, &QPushButton::pressed, this, &MainWindow::onBtnFindContactPressed);
    connect(m_txtSearchContact, &QLineEdit::returnPressed, this,
            &MainWindow::onBtnFindContactPressed);
    connect(m_listContacts, &QTreeView::doubleClicked, this, &MainWindow::onContactDoubleClicked);

    registerSMSInfoMetaType();
    connect(&m_listener->job(), &ListenJob::receivedSMS, this, &MainWindow::onReceivedSMS);

    m_actions = new MainActions(*this);
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

void MainWindow::onReceivedSMS(const SMSInfo& sms)
{
    m_incoming->offer(sms);
}

void MainWindow::messageSent(const SMSInfo& sms)
{
    m_incoming->offer(sms);
}

void MainWindow::restartListener()
{
    m_listener->restart();
}

void MainWindow::startBackupFromPhone()
{
    m_actions->startBackupFromPhone();
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
    if (SMSSearchForm* search = m_actions->searchForm())
        search->close();
    QMainWindow::closeEvent(event);
    emit closed();
}
