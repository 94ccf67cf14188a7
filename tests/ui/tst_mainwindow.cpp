#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSemaphore>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "UiTestSupport.h"
#include "app/JobThread.h"
#include "app/ProgressForm.h"
#include "common/DialogRecorder.h"
#include "device/ConnectionForm.h"
#include "ui/ConversationForm.h"
#include "ui/ItemModelContacts.h"
#include "ui/MainWindow.h"
#include "ui/MyTreeView.h"
#include "ui/SMSSearchForm.h"
#include "ui/SmsBrowser.h"

using namespace uitest;

namespace {

// A job that writes inside its own transaction while an incoming message arrives, then ends
// the way the test asks.
class TransactionJob : public JobThread
{
    Q_OBJECT
public:
    enum class End
    {
        Success,
        Failure,
        Cancel
    };

    TransactionJob(MainWindow* window, SMSInfo incoming, End end, ProgressForm* form)
        : JobThread(form), m_window(window), m_incoming(std::move(incoming)), m_end(end),
          m_form(form)
    {}
    int incomingSeenInside = -1;

protected:
    void run() override
    {
        Sqlite3DB* db = currentDatabase();
        db->beginTran();
        db->executeThrow(Sqlite3Sql("insert into sms(address, person, date, is_send, body, "
                                    "suffix) values('900', '', 5, 0, 'job row', '900')"));
        QMetaObject::invokeMethod(m_window, "onReceivedSMS", Qt::QueuedConnection,
                                  Q_ARG(SMSInfo, m_incoming));
        // Queued after the message: once this ran, the window has had its chance to store it.
        QMetaObject::invokeMethod(
            m_window, [this] { m_handled.release(); }, Qt::QueuedConnection);
        m_handled.acquire();
        Sqlite3Sql count("select count(*) from sms where body=?");
        count.addTextParam(m_incoming.body);
        Sqlite3Cursor cursor = db->queryThrow(count);
        incomingSeenInside = cursor.moveNext() ? cursor.getInt(0) : -1;
        switch (m_end) {
        case End::Success:
            db->commitTran();
            emit succeed(QString());
            return;
        case End::Failure:
            db->rollbackTran();
            emit errorOccurred(QStringLiteral("job failed"));
            return;
        case End::Cancel:
            QMetaObject::invokeMethod(m_form, "reject", Qt::QueuedConnection);
            while (!isCancelRequested())
                msleep(2);
            db->rollbackTran();
            return;
        }
    }

private:
    MainWindow* m_window;
    SMSInfo m_incoming;
    End m_end;
    ProgressForm* m_form;
    QSemaphore m_handled;
};

QStringList actionTexts(const QList<QAction*>& actions)
{
    QStringList texts;
    for (QAction* action : actions)
        texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowAsTabled();
    void menusAndToolbar();
    void newestConversationShownAtStart();
    void findWalksInACircle();
    void findWithoutMatch();
    void deleteThread();
    void deleteThreadDeclined();
    void deleteThreadWhileAMessageArrives();
    void conversationWithoutNumber();
    void incomingMessages();
    void incomingHeldWhileAJobRuns_data();
    void incomingHeldWhileAJobRuns();
    void listenerErrorOffersRestart();
    void backupWithoutConnectionOpensTheConnectionDialog();
    void closingClosesChats();
    void fileCommandsAskForTheirFiles();
    void contactsContextMenu();

private:
    void fillContacts();
    std::unique_ptr<Environment> m_env;
    std::unique_ptr<DialogRecorder> m_dialogs;
};

void TestMainWindow::initTestCase()
{
    m_env = std::make_unique<Environment>();
    openFreshAccount(QStringLiteral("main.db"));
}

void TestMainWindow::init()
{
    clearMessages();
    m_dialogs = std::make_unique<DialogRecorder>();
}

void TestMainWindow::cleanup()
{
    ConversationForm::releaseAllConversations();
    m_dialogs.reset();
}

void TestMainWindow::fillContacts()
{
    // Newest first: Joanna, Bob, Hannah, 0170 Annastrasse bank, Anna.
    store(message(QStringLiteral("111"), QStringLiteral("Anna"), QStringLiteral("a"), 1000));
    store(message(QStringLiteral("AnnaBank"), QString(), QStringLiteral("b"), 2000));
    store(message(QStringLiteral("333"), QStringLiteral("Hannah"), QStringLiteral("c"), 3000));
    store(message(QStringLiteral("444"), QStringLiteral("Bob"), QStringLiteral("d"), 4000));
    store(message(QStringLiteral("555"), QStringLiteral("Joanna"), QStringLiteral("e"), 5000));
    store(message(QStringLiteral("555"), QStringLiteral("Joanna"), QStringLiteral("f"), 900, true));
}

void TestMainWindow::windowAsTabled()
{
    MainWindow window;
    QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Tallowbrook"));
    QCOMPARE(window.size(), QSize(1000, 680));
    QCOMPARE(window.minimumSize(), QSize(680, 480));
    QCOMPARE(window.styleSheet(), QString::fromLatin1(MainWindow::styleSheetText));
    QVERIFY(
        window.styleSheet().startsWith(QStringLiteral("QToolBar {\n\tbackground:#010230 url(")));
    auto* splitter = window.findChild<QSplitter*>(QStringLiteral("splitter"));
    QVERIFY(splitter);
    QCOMPARE(splitter->handleWidth(), 2);
    QVERIFY(!splitter->childrenCollapsible());
    QCOMPARE(splitter->widget(0)->objectName(), QStringLiteral("widget"));
    QCOMPARE(splitter->widget(1)->objectName(), QStringLiteral("widget_2"));
    for (const char* name :
         {"centralWidget", "divFindContact", "txtSearchContact", "btnFindContact", "listContacts",
          "browserSMS", "lbConversationStatus", "menuBar", "mainToolBar"}) {
        QVERIFY2(window.findChild<QObject*>(QLatin1String(name)), name);
    }
    QVERIFY(window.contactsView()->isHeaderHidden());
    QCOMPARE(window.findButton()->text(), QStringLiteral("Find"));
    QCOMPARE(window.statusLabel()->minimumHeight(), 20);
    QCOMPARE(window.statusLabel()->alignment(), Qt::AlignRight | Qt::AlignVCenter);
}

void TestMainWindow::menusAndToolbar()
{
    MainWindow window;
    const QList<QAction*> menus = window.menuBar()->actions();
    QCOMPARE(actionTexts(menus), QStringList({QStringLiteral("&Menu"), QStringLiteral("Help"),
                                              QStringLiteral("About")}));
    QMenu* menu = menus.at(0)->menu();
    QCOMPARE(actionTexts(menu->actions()),
             QStringList({"&Import", "&Export", "&Print", "Sync", "Search", "Compose message", "-",
                          "Connection", "Exit"}));
    QMenu* sync = menu->actions().at(3)->menu();
    QVERIFY(sync);
    QCOMPARE(actionTexts(sync->actions()),
             QStringList({"Backup SMS from Android", "Restore SMS to Android",
                          "Transfer SMS from Other Phone to Android"}));
    QAction* search = menu->actions().at(4);
    QCOMPARE(search->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
    QVERIFY(!search->icon().isNull());
    QVERIFY(menu->actions().at(7)->icon().isNull()); // Connection has no icon
    QCOMPARE(actionTexts(menus.at(1)->menu()->actions()),
             QStringList({"How to use", "Homepage", "Contact us"}));
    QCOMPARE(actionTexts(menus.at(2)->menu()->actions()), QStringList({"About Software"}));

    auto* toolBar = window.findChild<QToolBar*>(QStringLiteral("mainToolBar"));
    QVERIFY(!toolBar->isMovable());
    QVERIFY(!toolBar->isFloatable());
    QCOMPARE(toolBar->iconSize(), QSize(40, 40));
    QCOMPARE(window.toolBarArea(toolBar), Qt::TopToolBarArea);
    QCOMPARE(actionTexts(toolBar->actions()),
             QStringList({"&Import", "&Export", "&Print", "Backup SMS from Android",
                          "Restore SMS to Android", "Transfer SMS from Other Phone to Android",
                          "Search", "How to use"}));
    QCOMPARE(toolBar->actions().at(0), menu->actions().at(0)); // the same action objects
}

void TestMainWindow::newestConversationShownAtStart()
{
    fillContacts();
    MainWindow window;
    QCOMPARE(window.contactsModel()->rowCount(), 5);
    QCOMPARE(window.contactsView()->currentIndex().row(), 0);
    QCOMPARE(window.statusLabel()->text(), QStringLiteral("Total:2"));
    const QList<SMSInfo>& shown = window.conversationView()->smsList();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).body, QStringLiteral("f")); // oldest first
    QCOMPARE(shown.at(1).body, QStringLiteral("e"));
    QCOMPARE(shown.at(0).person, QStringLiteral("Joanna"));
    // Selecting another row shows that conversation.
    window.contactsView()->setCurrentIndex(window.contactsModel()->index(1, 0));
    QCOMPARE(window.conversationView()->smsList().size(), 1);
    QCOMPARE(window.conversationView()->smsList().first().body, QStringLiteral("d"));
    QCOMPARE(window.statusLabel()->text(), QStringLiteral("Total:1"));
}

void TestMainWindow::findWalksInACircle()
{
    fillContacts();
    MainWindow window;
    window.findEdit()->setText(QStringLiteral("  ANN "));
    QList<int> rows;
    for (int i = 0; i < 5; ++i) {
        window.onBtnFindContactPressed();
        rows.append(window.contactsView()->currentIndex().row());
    }
    // Rows: 0 Joanna, 1 Bob, 2 Hannah, 3 AnnaBank (by number), 4 Anna; start after row 0.
    QCOMPARE(rows, QList<int>({2, 3, 4, 0, 2}));
    QVERIFY(m_dialogs->messages.isEmpty());
    // The page follows the found contact.
    QCOMPARE(window.conversationView()->smsList().first().person, QStringLiteral("Hannah"));
    // Without a current row the search starts at the top.
    window.contactsView()->setCurrentIndex(QModelIndex());
    window.onBtnFindContactPressed();
    QCOMPARE(window.contactsView()->currentIndex().row(), 0);
}

void TestMainWindow::findWithoutMatch()
{
    fillContacts();
    MainWindow window;
    window.findEdit()->setText(QStringLiteral("   "));
    window.onBtnFindContactPressed();
    QVERIFY(m_dialogs->messages.isEmpty());
    window.findEdit()->setText(QStringLiteral("zed"));
    window.onBtnFindContactPressed();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages.first().icon, QMessageBox::Information);
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("Found no recepient."));
    QCOMPARE(window.contactsView()->currentIndex().row(), 0);
}

void TestMainWindow::deleteThread()
{
    fillContacts();
    MainWindow window;
    window.contactsView()->setCurrentIndex(window.contactsModel()->index(0, 0));
    m_dialogs->queueButton(QMessageBox::Yes);
    window.miThreadDelete();
    QCOMPARE(m_dialogs->messages.size(), 2);
    QCOMPARE(m_dialogs->messages.at(0).text, QStringLiteral("Confirm to delete this thread?"));
    QCOMPARE(m_dialogs->messages.at(1).text, QStringLiteral("Successfully delete thread."));
    QCOMPARE(
        countRows(QStringLiteral("select count(*) from sms where suffix=?"), QStringLiteral("555")),
        0);
    QCOMPARE(countRows(QStringLiteral("select count(*) from sms")), 4);
    QCOMPARE(window.contactsModel()->rowCount(), 4);
    QCOMPARE(window.contactsView()->currentIndex().row(), 0);
    QCOMPARE(window.conversationView()->smsList().first().person, QStringLiteral("Bob"));

    // Deleting the last conversations leaves an empty list and an empty page.
    for (int i = 0; i < 4; ++i) {
        m_dialogs->queueButton(QMessageBox::Yes);
        window.miThreadDelete();
    }
    QCOMPARE(window.contactsModel()->rowCount(), 0);
    QVERIFY(window.conversationView()->toPlainText().isEmpty());
    QCOMPARE(window.statusLabel()->text(), QStringLiteral("Total:0"));
}

void TestMainWindow::deleteThreadDeclined()
{
    fillContacts();
    MainWindow window;
    window.miThreadDelete(); // answered No
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(countRows(QStringLiteral("select count(*) from sms")), 6);
}

void TestMainWindow::deleteThreadWhileAMessageArrives()
{
    // An answerer that lets a message from a new number arrive while the question is open.
    class ArrivingAnswerer : public DialogRecorder
    {
    public:
        MainWindow* window = nullptr;
        int message(QMessageBox::Icon icon, const QString& title, const QString& text,
                    QMessageBox::StandardButtons buttons) override
        {
            if (icon == QMessageBox::Question) {
                window->onReceivedSMS(uitest::message(QStringLiteral("123 456"), QString(),
                                                      QStringLiteral("meanwhile"), 9000));
                DialogRecorder::message(icon, title, text, buttons);
                return QMessageBox::Yes;
            }
            return DialogRecorder::message(icon, title, text, buttons);
        }
    };
    fillContacts();
    m_dialogs.reset();
    ArrivingAnswerer answerer;
    MainWindow window;
    answerer.window = &window;
    window.contactsView()->setCurrentIndex(window.contactsModel()->index(1, 0)); // Bob
    window.miThreadDelete();
    QCOMPARE(countRows(QStringLiteral("select count(*) from sms where suffix='444'")), 0);
    QCOMPARE(countRows(QStringLiteral("select count(*) from sms where body='meanwhile'")), 1);
    QCOMPARE(window.contactsModel()->entries().first().suffix, QStringLiteral("123456"));
    QCOMPARE(window.contactsModel()->rowOfSuffix(QStringLiteral("444")), -1);
}

void TestMainWindow::conversationWithoutNumber()
{
    fillContacts();
    store(message(QString(), QString(), QStringLiteral("from nobody"), 950));
    MainWindow window;
    const int row = window.contactsModel()->rowOfSuffix(QString());
    QCOMPARE(window.contactsModel()->data(window.contactsModel()->index(row, 0)).toString(),
             QStringLiteral("Unknown"));
    window.contactsView()->setCurrentIndex(window.contactsModel()->index(row, 0));
    // Only the messages without a number, not every message of the account.
    QCOMPARE(window.conversationView()->smsList().size(), 1);
    QCOMPARE(window.conversationView()->smsList().first().body, QStringLiteral("from nobody"));
    QCOMPARE(window.statusLabel()->text(), QStringLiteral("Total:1"));
    m_dialogs->queueButton(QMessageBox::Yes);
    window.miThreadDelete();
    QCOMPARE(countRows(QStringLiteral("select count(*) from sms")), 6);
}

void TestMainWindow::incomingMessages()
{
    fillContacts();
    MainWindow window;
    // For the conversation on show: shown at once, list order unchanged.
    window.onReceivedSMS(message(QStringLiteral("555"), QString(), QStringLiteral("again"), 6000));
    QCOMPARE(window.conversationView()->smsList().last().body, QStringLiteral("again"));
    QCOMPARE(window.statusLabel()->text(), QStringLiteral("Total:3"));
    QVERIFY(ConversationForm::conversation(QStringLiteral("555")));
    QVERIFY(ConversationForm::conversation(QStringLiteral("555"))->isVisible());

    // For another listed conversation: stored, list and page unchanged, its chat window opens.
    window.onReceivedSMS(
        message(QStringLiteral("111"), QStringLiteral("Anna"), QStringLiteral("late"), 7000));
    QCOMPARE(window.contactsModel()->entries().at(4).person, QStringLiteral("Anna"));
    QCOMPARE(window.contactsView()->currentIndex().row(), 0);
    QCOMPARE(window.conversationView()->smsList().last().body, QStringLiteral("again"));
    ConversationForm* anna = ConversationForm::conversation(QStringLiteral("111"));
    QVERIFY(anna);
    QCOMPARE(anna->windowTitle(), QStringLiteral("Anna(111)"));
    QCOMPARE(anna->history()->smsList().last().body, QStringLiteral("late"));

    // From a new number: its conversation comes first and is selected and shown.
    window.onReceivedSMS(
        message(QStringLiteral("+1 (234) 567-8901"), QString(), QStringLiteral("new here"), 8000));
    QCOMPARE(window.contactsModel()->rowCount(), 6);
    QCOMPARE(window.contactsModel()->entries().first().suffix, QStringLiteral("345678901"));
    QCOMPARE(window.contactsView()->currentIndex().row(), 0);
    QCOMPARE(window.conversationView()->smsList().last().body, QStringLiteral("new here"));
    QVERIFY(ConversationForm::conversation(QStringLiteral("345678901")));
    QCOMPARE(ConversationForm::conversationCount(), 3);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestMainWindow::incomingHeldWhileAJobRuns_data()
{
    QTest::addColumn<int>("end");
    QTest::newRow("success") << int(TransactionJob::End::Success);
    QTest::newRow("failure") << int(TransactionJob::End::Failure);
    QTest::newRow("cancel") << int(TransactionJob::End::Cancel);
}

void TestMainWindow::incomingHeldWhileAJobRuns()
{
    QFETCH(int, end);
    fillContacts();
    MainWindow window;
    const SMSInfo incoming =
        message(QStringLiteral("0999 123"), QString(), QStringLiteral("during the job"), 9000);
    int seenInside = -1;
    {
        ProgressForm form(QStringLiteral("job"));
        TransactionJob job(&window, incoming, TransactionJob::End(end), &form);
        runJob(form, job);
        seenInside = job.incomingSeenInside;
        // Not written inside the job's transaction, which may have been rolled back.
        QCOMPARE(seenInside, 0);
        // The job has ended but its dialog is still there: still held.
        QCOMPARE(window.heldIncomingCount(), 1);
    }
    QTRY_COMPARE(window.heldIncomingCount(), 0);
    QCOMPARE(countRows(QStringLiteral("select count(*) from sms where body=?"), incoming.body), 1);
    QCOMPARE(countRows(QStringLiteral("select count(*) from sms where body='job row'")),
             TransactionJob::End(end) == TransactionJob::End::Success ? 1 : 0);
    QCOMPARE(window.contactsModel()->entries().first().suffix, QStringLiteral("0999123"));
    QCOMPARE(window.conversationView()->smsList().last().body, incoming.body);
    QVERIFY(ConversationForm::conversation(QStringLiteral("0999123")));
}

void TestMainWindow::listenerErrorOffersRestart()
{
    MainWindow window;
    window.onListenSMSerrorOccurred(QStringLiteral("line dropped"));
    QCOMPARE(m_dialogs->messages.size(), 2);
    QCOMPARE(m_dialogs->messages.at(0).icon, QMessageBox::Critical);
    QCOMPARE(m_dialogs->messages.at(0).text,
             QStringLiteral("Error occurred during monitoring message receiving. line dropped"));
    QCOMPARE(m_dialogs->messages.at(1).icon, QMessageBox::Question);
    QCOMPARE(m_dialogs->messages.at(1).text,
             QStringLiteral("Want to restart monitoring message receiving?"));
}

void TestMainWindow::backupWithoutConnectionOpensTheConnectionDialog()
{
    MainWindow window;
    QString seen;
    bool progressSeen = false;
    QTimer::singleShot(0, this, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        seen = modal ? QString::fromLatin1(modal->metaObject()->className()) : QString();
        for (QWidget* widget : QApplication::topLevelWidgets())
            progressSeen = progressSeen || qobject_cast<ProgressForm*>(widget);
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
    });
    window.miSyncFromAndroid();
    QCOMPARE(seen, QStringLiteral("ConnectionForm"));
    QVERIFY(!progressSeen);
}

void TestMainWindow::closingClosesChats()
{
    fillContacts();
    MainWindow window;
    window.show();
    window.onContactDoubleClicked(window.contactsModel()->index(1, 0));
    window.onContactDoubleClicked(window.contactsModel()->index(1, 0));
    QCOMPARE(ConversationForm::conversationCount(), 1);
    ConversationForm* bob = ConversationForm::conversation(QStringLiteral("444"));
    QVERIFY(bob->isVisible());
    QCOMPARE(bob->windowTitle(), QStringLiteral("Bob(444)"));
    window.miSearch();
    QVERIFY(window.searchForm()->isVisible());
    window.close();
    QVERIFY(!bob->isVisible());
    QVERIFY(!window.searchForm()->isVisible());
}

void TestMainWindow::fileCommandsAskForTheirFiles()
{
    fillContacts();
    MainWindow window;
    // Each command asks for its file first; cancelling the file dialog ends it quietly.
    window.miImport();
    window.miSyncFromOther();
    window.miExport();
    window.miThreadExport();
    QCOMPARE(m_dialogs->fileCaptions,
             QStringList({"Select CSV file to import.", "Select CSV file to import.",
                          "Select file to export", "Select file to export"}));
    QCOMPARE(m_dialogs->fileFilters.first(), QStringLiteral("CSV Files(*.csv)"));
    QVERIFY(m_dialogs->fileFilters.last().contains(QStringLiteral("PDF Files(*.pdf)")));
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestMainWindow::contactsContextMenu()
{
    fillContacts();
    MainWindow window;
    window.show();
    QStringList texts;
    QTimer::singleShot(0, this, [&texts] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            texts = actionTexts(menu->actions());
            menu->close();
        }
    });
    emit window.contactsView()->createContextMenu();
    QCOMPARE(texts, QStringList({"Export SMS to file", "Restore SMS to Android", "Print SMS",
                                 "Delete thread", "Chat"}));

    // Without a current row there is no menu.
    window.contactsView()->setCurrentIndex(QModelIndex());
    bool popup = false;
    QTimer::singleShot(0, this, [&popup] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            popup = true;
            menu->close();
        }
    });
    emit window.contactsView()->createContextMenu();
    QCoreApplication::processEvents();
    QVERIFY(!popup);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
