#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QSemaphore>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "core/frame/Cancellation.h"
#include "core/frame/JobThread.h"
#include "core/store/Transaction.h"
#include "gui/files/CSVPreviewForm.h"
#include "gui/frame/JobRunner.h"
#include "gui/frame/MyTreeView.h"
#include "gui/frame/ProgressForm.h"
#include "gui/ui/ConversationForm.h"
#include "gui/ui/DraftSMSForm.h"
#include "gui/ui/ItemModelContacts.h"
#include "gui/ui/MainWindow.h"
#include "gui/ui/SMSSearchForm.h"
#include "gui/ui/SmsBrowser.h"
#include "support/DialogRecorder.h"
#include "support/GuiTestSupport.h"
#include "support/TestAccount.h"

using namespace tbtest;
using guitest::whenModal;

namespace {

// A job that writes inside its own transaction while an incoming message arrives, then ends
// the way the test asks.
class TransactionJob : public JobThread
{
    Q_OBJECT
public:
    // end: "success", "failure" or "cancel".
    TransactionJob(MainWindow* window, SMSInfo incoming, const QString& end)
        : JobThread("TransactionJob"), m_window(window), m_incoming(std::move(incoming)), m_end(end)
    {}
    int incomingSeenInside = -1;

protected:
    void work() override
    {
        Transaction transaction(currentDatabase());
        currentDatabase()->executeThrow(
            Sqlite3Sql("insert into sms(address, person, date, is_send, body, suffix) "
                       "values('900', '', 5, 0, 'job row', '900')"));
        QMetaObject::invokeMethod(m_window, "onReceivedSMS", Qt::QueuedConnection,
                                  Q_ARG(SMSInfo, m_incoming));
        // Queued after the message: once this ran, the window has had its chance to store it.
        QMetaObject::invokeMethod(
            m_window, [this] { m_handled.release(); }, Qt::QueuedConnection);
        m_handled.acquire();
        incomingSeenInside = scalar("select count(*) from sms where body=?", m_incoming.body);
        if (m_end == QLatin1String("failure"))
            throw std::runtime_error("job failed");
        if (m_end == QLatin1String("cancel")) {
            requestCancel();
            Cancellation::throwIfRequested();
        }
        transaction.commit();
        emit succeed(QString());
    }

private:
    MainWindow* m_window;
    SMSInfo m_incoming;
    QString m_end;
    QSemaphore m_handled;
};

// Newest first: Joanna (555), Bob (444), Hannah (333), AnnaBank, Anna (111).
void fillContacts()
{
    store(makeSMS("111", "Anna", "a", false, secs(1000)));
    store(makeSMS("AnnaBank", QString(), "b", false, secs(2000)));
    store(makeSMS("333", "Hannah", "c", false, secs(3000)));
    store(makeSMS("444", "Bob", "d", false, secs(4000)));
    store(makeSMS("555", "Joanna", "e", false, secs(5000)));
    store(makeSMS("555", "Joanna", "f", true, secs(900)));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_account.open("main.db")); }
    void init()
    {
        currentDatabase()->executeThrow(Sqlite3Sql("delete from sms"));
        fillContacts();
        m_dialogs = std::make_unique<DialogRecorder>();
    }
    void cleanup()
    {
        ConversationForm::releaseAllConversations();
        m_dialogs.reset();
    }

    void findWalksInACircle();
    void deleteThread();
    void deleteThreadWhileAMessageArrives();
    void conversationWithoutNumber();
    void incomingMessages();
    void incomingHeldWhileAJobRuns_data();
    void incomingHeldWhileAJobRuns();
    void listenerErrorOffersRestart();
    void commandsOnFilesAndThePhone();
    void contactsContextMenu();
    void keyboard_data();
    void keyboard();
    void incomingKeepsTheTypingFocus();

private:
    QString followKeyboardPath(const QString& path);
    TestAccount m_account;
    std::unique_ptr<DialogRecorder> m_dialogs;
};

void TestMainWindow::findWalksInACircle()
{
    MainWindow window;
    window.findEdit()->setText("   ");
    window.onBtnFindContactPressed();
    QVERIFY(m_dialogs->messages.isEmpty());
    window.findEdit()->setText("  ANN ");
    QList<int> rows;
    for (int i = 0; i < 5; ++i) {
        window.onBtnFindContactPressed();
        rows.append(window.contactsView()->currentIndex().row());
    }
    // Starting after row 0: Hannah, AnnaBank (by number), Anna, Joanna, Hannah.
    QCOMPARE(rows, QList<int>({2, 3, 4, 0, 2}));
    QCOMPARE(window.conversationView()->pageMessages().first().person, QStringLiteral("Hannah"));
    // Without a current row the search starts at the top.
    window.contactsView()->setCurrentIndex(QModelIndex());
    window.onBtnFindContactPressed();
    QCOMPARE(window.contactsView()->currentIndex().row(), 0);
    QVERIFY(m_dialogs->messages.isEmpty());
    window.findEdit()->setText("zed");
    window.onBtnFindContactPressed();
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("Found no recepient."));
    QCOMPARE(window.contactsView()->currentIndex().row(), 0);
}

void TestMainWindow::deleteThread()
{
    MainWindow window;
    window.miThreadDelete(); // answered No
    QCOMPARE(scalar("select count(*) from sms"), 6);
    m_dialogs->clear();
    m_dialogs->queueButton(QMessageBox::Yes);
    window.miThreadDelete();
    QCOMPARE(m_dialogs->shown(),
             (QStringList{"Q: Confirm to delete this thread?", "I: Successfully delete thread."}));
    // Joanna's two messages went; Bob's conversation, now first, is selected and shown.
    QCOMPARE(scalar("select count(*) from sms"), 4);
    QCOMPARE(contactLines(window.contactsModel()->entries()), groupedContacts());
    QCOMPARE(window.conversationView()->pageMessages().first().person, QStringLiteral("Bob"));
    // Deleting the last conversations leaves an empty list and an empty page.
    for (int i = 0; i < 4; ++i) {
        m_dialogs->queueButton(QMessageBox::Yes);
        window.miThreadDelete();
    }
    QCOMPARE(window.contactsModel()->rowCount(), 0);
    QVERIFY(window.conversationView()->toPlainText().isEmpty());
    QCOMPARE(window.statusLabel()->text(), QStringLiteral("Total:0"));
}

void TestMainWindow::deleteThreadWhileAMessageArrives()
{
    // A message from a new number reloads the list while the question is open.
    class ArrivingAnswerer : public DialogRecorder
    {
    public:
        MainWindow* window = nullptr;
        int message(QMessageBox::Icon icon, const QString& title, const QString& text,
                    QMessageBox::StandardButtons buttons) override
        {
            if (icon != QMessageBox::Question)
                return DialogRecorder::message(icon, title, text, buttons);
            window->onReceivedSMS(makeSMS("123 456", QString(), "meanwhile", false, secs(9000)));
            return QMessageBox::Yes;
        }
    };
    m_dialogs.reset();
    ArrivingAnswerer answerer;
    MainWindow window;
    answerer.window = &window;
    window.contactsView()->setCurrentIndex(window.contactsModel()->index(1, 0)); // Bob
    window.miThreadDelete();
    QCOMPARE(scalar("select count(*) from sms where suffix='444'"), 0);
    QCOMPARE(scalar("select count(*) from sms where body='meanwhile'"), 1);
    QCOMPARE(window.contactsModel()->entries().first().suffix, QStringLiteral("123456"));
    QCOMPARE(window.contactsModel()->rowOfSuffix("444"), -1);
}

void TestMainWindow::conversationWithoutNumber()
{
    store(makeSMS(QString(), QString(), "from nobody", false, secs(950)));
    MainWindow window;
    const int row = window.contactsModel()->rowOfSuffix(QString());
    window.contactsView()->setCurrentIndex(window.contactsModel()->index(row, 0));
    // Only the messages without a number, not every message of the account.
    QCOMPARE(window.conversationView()->pageMessages().size(), 1);
    QCOMPARE(window.conversationView()->pageMessages().first().body, QStringLiteral("from nobody"));
    QCOMPARE(window.statusLabel()->text(), QStringLiteral("Total:1"));
    m_dialogs->queueButton(QMessageBox::Yes);
    window.miThreadDelete();
    QCOMPARE(scalar("select count(*) from sms"), 6);
}

void TestMainWindow::incomingMessages()
{
    MainWindow window;
    // For the conversation on show: shown at once, list order unchanged.
    window.onReceivedSMS(makeSMS("555", QString(), "again", false, secs(6000)));
    QCOMPARE(window.conversationView()->pageMessages().last().body, QStringLiteral("again"));
    QCOMPARE(window.statusLabel()->text(), QStringLiteral("Total:3"));
    QVERIFY(ConversationForm::conversation("555")->isVisible());
    // For another listed conversation: stored, list and page unchanged, its chat window opens.
    window.onReceivedSMS(makeSMS("111", "Anna", "late", false, secs(7000)));
    QCOMPARE(window.contactsModel()->entries().at(4).person, QStringLiteral("Anna"));
    QCOMPARE(window.contactsView()->currentIndex().row(), 0);
    QCOMPARE(window.conversationView()->pageMessages().last().body, QStringLiteral("again"));
    ConversationForm* anna = ConversationForm::conversation("111");
    QVERIFY(anna);
    QCOMPARE(anna->windowTitle(), QStringLiteral("Anna(111)"));
    QCOMPARE(anna->history()->pageMessages().last().body, QStringLiteral("late"));
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestMainWindow::incomingHeldWhileAJobRuns_data()
{
    QTest::addColumn<QString>("end");
    for (const char* end : {"success", "failure", "cancel"})
        QTest::newRow(end) << QString(end);
}

void TestMainWindow::incomingHeldWhileAJobRuns()
{
    QFETCH(QString, end);
    MainWindow window;
    const SMSInfo incoming = makeSMS("0999 123", QString(), "during the job", false, secs(9000));
    {
        ProgressForm form(QStringLiteral("job"));
        TransactionJob job(&window, incoming, end);
        runJob(form, job);
        // Not written inside the job's transaction, which may have been rolled back.
        QCOMPARE(job.incomingSeenInside, 0);
    }
    // Stored as soon as the job let the account go.
    QTRY_COMPARE(window.heldIncomingCount(), 0);
    QCOMPARE(scalar("select count(*) from sms where body=?", incoming.body), 1);
    QCOMPARE(scalar("select count(*) from sms where body='job row'"),
             end == QLatin1String("success") ? 1 : 0);
    QCOMPARE(window.contactsModel()->entries().first().suffix, QStringLiteral("0999123"));
    QCOMPARE(window.conversationView()->pageMessages().last().body, incoming.body);
    QVERIFY(ConversationForm::conversation("0999123"));
}

void TestMainWindow::listenerErrorOffersRestart()
{
    MainWindow window;
    window.onListenSMSerrorOccurred("line dropped");
    QCOMPARE(m_dialogs->shown(),
             (QStringList{"C: Error occurred during monitoring message receiving. line dropped",
                          "Q: Want to restart monitoring message receiving?"}));
}

void TestMainWindow::commandsOnFilesAndThePhone()
{
    MainWindow window;
    // Import asks for its file; cancelled, it ends without a job or a box.
    window.miImport();
    window.miSyncFromOther();
    // Export writes the whole account, or the chosen conversation (Joanna's two messages).
    m_dialogs->queueFileName(m_account.home() + QStringLiteral("/all.csv"));
    window.miExport();
    m_dialogs->queueFileName(m_account.home() + QStringLiteral("/joanna.csv"));
    window.miThreadExport();
    QCOMPARE(m_dialogs->fileCaptions,
             QStringList({"Select CSV file to import.", "Select CSV file to import.",
                          "Select file to export", "Select file to export"}));
    QVERIFY(m_dialogs->fileFilters.last().contains("PDF Files(*.pdf)"));
    QCOMPARE(m_dialogs->shown(),
             QStringList({"I: Successfully export 6 SMS.", "I: Successfully export 2 SMS."}));
    // Print shows the conversation's preview; the backup asks for a connection first, and
    // without one starts no job.
    bool previewed = false;
    whenModal(QStringLiteral("QPrintPreviewDialog"), [&previewed](QWidget* preview) {
        previewed = true;
        preview->close();
    });
    window.miThreadPrint();
    bool asked = false;
    whenModal(QStringLiteral("ConnectionForm"), [&asked](QWidget* form) {
        asked = true;
        static_cast<QDialog*>(form)->reject();
    });
    window.miSyncFromAndroid();
    QVERIFY(previewed && asked);
    QCOMPARE(m_dialogs->messages.size(), 2);
}

void TestMainWindow::contactsContextMenu()
{
    MainWindow window;
    window.show();
    const auto menuTexts = [this, &window] {
        QStringList texts{QStringLiteral("no menu")};
        QTimer::singleShot(0, this, [&texts] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                texts.clear();
                for (QAction* action : menu->actions())
                    texts.append(action->text());
                menu->close();
            }
        });
        emit window.contactsView()->createContextMenu();
        QCoreApplication::processEvents();
        return texts;
    };
    QCOMPARE(menuTexts(), QStringList({"Export SMS to file", "Restore SMS to Android", "Print SMS",
                                       "Delete thread", "Chat"}));
    window.contactsView()->setCurrentIndex(QModelIndex()); // no current row, no menu
    QCOMPARE(menuTexts(), QStringList({"no menu"}));

    // A message from a new number arrives while the menu is open on Bob (444) and puts its own
    // conversation on top, selected; Delete then still deletes Bob's.
    window.contactsView()->setCurrentIndex(window.contactsModel()->index(1, 0));
    m_dialogs->queueButton(QMessageBox::Yes);
    QTimer::singleShot(0, this, [&window] {
        const QPointer<QMenu> menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        window.onReceivedSMS(
            makeSMS("0999 123", QString(), "arrives meanwhile", false, secs(9000)));
        if (menu) {
            menu->actions().at(3)->trigger();
            menu->close();
        }
    });
    emit window.contactsView()->createContextMenu();
    QCOMPARE(scalar("select count(*) from sms where suffix='444'"), 0);
    QCOMPARE(scalar("select count(*) from sms where suffix='0999123'"), 1);
}

void TestMainWindow::keyboard_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("outcome");
    const auto row = [](const char* name, const char* path, const char* outcome) {
        QTest::newRow(name) << QString(path) << QString(outcome);
    };
    row("Enter in the find box runs Find", "find", "Hannah(333)");
    row("Delete asks, then deletes the conversation", "delete",
        "Confirm to delete this thread?|444 deleted");
    row("Ctrl+Q quits", "quit", "closed");
    row("Menu key: the contacts menu at the row", "menu", "at the row");
    row("Shift+F10: the preview menu at the row", "preview-menu", "at the row");
    row("Alt+keypad Enter sends from a chat", "chat-send",
        "Your message is blank..Please compose it first.");
    row("Return alone is a line break", "chat-return", " \n");
    row("Alt+Return sends from compose", "compose-send", "Please enter recepient.");
    row("arrows and Enter choose a completion", "completion", "Anna(111),Joanna(555),");
}

void TestMainWindow::keyboard()
{
    QFETCH(QString, path);
    QFETCH(QString, outcome);
    QCOMPARE(followKeyboardPath(path), outcome);
}

// Where a menu opened by the keyboard appeared, against the current row of the view.
static QString menuPlace(MyTreeView* view, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QPoint shownAt(-1, -1);
    QTimer::singleShot(0, view, [&shownAt] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            shownAt = popup->pos();
            popup->close();
        }
    });
    QTest::keyClick(view, key, modifiers);
    const QPoint row =
        view->viewport()->mapToGlobal(view->visualRect(view->currentIndex()).center());
    return shownAt == row ? QStringLiteral("at the row") : QStringLiteral("elsewhere");
}

QString TestMainWindow::followKeyboardPath(const QString& path)
{
    MainWindow window;
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        return QStringLiteral("window not active");
    MyTreeView* contacts = window.contactsView();
    if (path == QLatin1String("find")) {
        window.findEdit()->setText(QStringLiteral("ann"));
        window.findEdit()->setFocus();
        QTest::keyClick(window.findEdit(), Qt::Key_Return);
        return contacts->currentIndex().data().toString();
    }
    if (path == QLatin1String("delete")) {
        contacts->setFocus();
        contacts->setCurrentIndex(window.contactsModel()->index(1, 0));
        m_dialogs->queueButton(QMessageBox::Yes);
        QTest::keyClick(contacts, Qt::Key_Delete);
        const bool gone = scalar("select count(*) from sms where suffix='444'") == 0;
        return m_dialogs->messages.value(0).text + (gone ? "|444 deleted" : "|444 kept");
    }
    if (path == QLatin1String("quit")) {
        QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
        return window.isVisible() ? QStringLiteral("open") : QStringLiteral("closed");
    }
    if (path == QLatin1String("menu")) {
        contacts->setCurrentIndex(window.contactsModel()->index(2, 0));
        return menuPlace(contacts, Qt::Key_Menu, Qt::NoModifier);
    }
    if (path == QLatin1String("preview-menu")) {
        CSVPreviewForm preview(
            {makeSMS("1", "", "a", false, secs(1000)), makeSMS("2", "", "b", false, secs(2000))});
        preview.show();
        auto* list = preview.findChild<MyTreeView*>(QStringLiteral("listSMS"));
        list->setCurrentIndex(list->model()->index(1, 0));
        return menuPlace(list, Qt::Key_F10, Qt::ShiftModifier);
    }
    if (path.startsWith(QLatin1String("chat"))) {
        ConversationForm::openConversation("Anna(111)", "111", "111");
        QTextEdit* edit = ConversationForm::conversation("111")->replyEdit();
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Space);
        if (path == QLatin1String("chat-return")) {
            QTest::keyClick(edit, Qt::Key_Return);
            return m_dialogs->messages.isEmpty() ? edit->toPlainText() : m_dialogs->lastText();
        }
        QTest::keyClick(edit, Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier);
        return m_dialogs->lastText();
    }
    DraftSMSForm compose;
    compose.show();
    if (path == QLatin1String("compose-send")) {
        compose.contentEdit()->setFocus();
        QTest::keyClick(compose.contentEdit(), Qt::Key_Return, Qt::AltModifier);
        return m_dialogs->lastText();
    }
    compose.recipientsEdit()->setText(QStringLiteral("Anna(111),jo"));
    compose.recipientsEdit()->setFocus();
    QTest::keyClick(compose.recipientsEdit(), Qt::Key_Down);
    QTest::keyClick(compose.completionList(), Qt::Key_Return);
    return compose.recipientsEdit()->text();
}

void TestMainWindow::incomingKeepsTheTypingFocus()
{
    MainWindow window;
    window.show();
    ConversationForm::openConversation("Anna(111)", "111", "111");
    ConversationForm* anna = ConversationForm::conversation("111");
    QVERIFY(QTest::qWaitForWindowActive(anna));
    anna->replyEdit()->setFocus();
    QTest::keyClicks(anna->replyEdit(), "half a sen");
    window.onReceivedSMS(makeSMS("444", "Bob", "interrupting", false, secs(9000)));
    ConversationForm* bob = ConversationForm::conversation("444");
    QVERIFY(bob && bob->isVisible()); // brought forward, but the typing goes on where it was
    QTRY_COMPARE(QApplication::focusWidget(), anna->replyEdit());
    QTest::qWait(100); // and stays there
    QTest::keyClicks(QApplication::focusWidget(), "tence");
    QCOMPARE(anna->replyEdit()->toPlainText(), QStringLiteral("half a sentence"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
