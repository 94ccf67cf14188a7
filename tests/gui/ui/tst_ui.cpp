// The main window, its contacts list and conversation pages, and the search, compose and chat
// dialogs, without the phone.
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include "core/frame/Cancellation.h"
#include "core/frame/JobThread.h"
#include "core/store/ConversationQuery.h"
#include "core/store/MMSStore.h"
#include "core/store/SMSQueryPageSource.h"
#include "core/store/Transaction.h"
#include "gui/files/CSVPreviewForm.h"
#include "gui/frame/MyTreeView.h"
#include "gui/frame/ProgressForm.h"
#include "gui/frame/RunBehindDialog.h"
#include "gui/ui/ContactCompleter.h"
#include "gui/ui/ConversationForm.h"
#include "gui/ui/DraftSMSForm.h"
#include "gui/ui/ItemModelContacts.h"
#include "gui/ui/ListenerControl.h"
#include "gui/ui/MainActions.h"
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

QList<SMSInfo> numberedMessages(int count)
{
    QList<SMSInfo> list;
    for (int i = 0; i < count; ++i)
        list.append(makeSMS("555", "Anna", QStringLiteral("message %1").arg(i + 1), false,
                            secs(1600000000 + i)));
    return list;
}

QString mark(const QString& html)
{
    return QStringLiteral("<span style=\"background-color:yellow;\">") + html +
           QStringLiteral("</span>");
}

// Where a menu opened by the keyboard appeared, against the current row of the view.
QString menuPlace(MyTreeView* view, Qt::Key key, Qt::KeyboardModifiers modifiers)
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

} // namespace

class TestUi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_account.open("ui.db")); }
    void init()
    {
        // Newest first: Joanna (555), Bob (444), Hannah (333), AnnaBank, Anna (111).
        currentDatabase()->executeThrow(Sqlite3Sql("delete from sms"));
        store(makeSMS("111", "Anna", "a", false, secs(1000)));
        store(makeSMS("AnnaBank", QString(), "b", false, secs(2000)));
        store(makeSMS("333", "Hannah", "c", false, secs(3000)));
        store(makeSMS("444", "Bob", "d", false, secs(4000)));
        store(makeSMS("555", "Joanna", "e", false, secs(5000)));
        store(makeSMS("555", "Joanna", "f", true, secs(900)));
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
    // The contacts model, the conversation pages and the dialogs.
    void contactsReloadDropsTheViewsIndexes();
    void pages_data();
    void pages();
    void pageLinksMoveAndScroll();
    void messagesAreLabelledAndHighlighted();
    void mmsAttachmentsShownAndSaved();
    void highlight_data();
    void highlight();
    void searchForm();
    void recipientsParsing_data();
    void recipientsParsing();
    void choosingACompletion();
    void completionAgreesWithTheDatabase();
    void completionList();
    void composeChecksBeforeSending();
    void oneChatWindowPerConversation();

private:
    QString followKeyboardPath(const QString& path);
    TestAccount m_account;
    std::unique_ptr<DialogRecorder> m_dialogs;
};

void TestUi::findWalksInACircle()
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

void TestUi::deleteThread()
{
    MainWindow window;
    window.actions()->miThreadDelete(); // answered No
    QCOMPARE(scalar("select count(*) from sms"), 6);
    m_dialogs->clear();
    m_dialogs->queueButton(QMessageBox::Yes);
    window.actions()->miThreadDelete();
    QCOMPARE(m_dialogs->shown(),
             (QStringList{"Q: Confirm to delete this thread?", "I: Successfully delete thread."}));
    // Joanna's two messages went; Bob's conversation, now first, is selected and shown.
    QCOMPARE(scalar("select count(*) from sms"), 4);
    QCOMPARE(contactLines(window.contactsModel()->entries()), groupedContacts());
    QCOMPARE(window.conversationView()->pageMessages().first().person, QStringLiteral("Bob"));
    // Deleting the last conversations leaves an empty list and an empty page.
    for (int i = 0; i < 4; ++i) {
        m_dialogs->queueButton(QMessageBox::Yes);
        window.actions()->miThreadDelete();
    }
    QCOMPARE(window.contactsModel()->rowCount(), 0);
    QVERIFY(window.conversationView()->toPlainText().isEmpty());
    QCOMPARE(window.statusLabel()->text(), QStringLiteral("Total:0"));
}

void TestUi::deleteThreadWhileAMessageArrives()
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
    window.actions()->miThreadDelete();
    QCOMPARE(scalar("select count(*) from sms where suffix='444'"), 0);
    QCOMPARE(scalar("select count(*) from sms where body='meanwhile'"), 1);
    QCOMPARE(window.contactsModel()->entries().first().suffix, QStringLiteral("123456"));
    QCOMPARE(window.contactsModel()->rowOfSuffix("444"), -1);
}

void TestUi::conversationWithoutNumber()
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
    window.actions()->miThreadDelete();
    QCOMPARE(scalar("select count(*) from sms"), 6);
}

void TestUi::incomingMessages()
{
    MainWindow window;
    window.show();
    // For the conversation on show: shown at once, list order unchanged.
    window.onReceivedSMS(makeSMS("555", QString(), "again", false, secs(6000)));
    QCOMPARE(window.conversationView()->pageMessages().last().body, QStringLiteral("again"));
    QCOMPARE(window.statusLabel()->text(), QStringLiteral("Total:3"));
    QVERIFY(ConversationForm::conversation("555")->isVisible());
    // For another listed conversation while the user types in a chat: stored, list and page
    // unchanged, its chat window opens, and the typing goes on where it was.
    ConversationForm::openConversation("Anna(111)", "111", "111");
    ConversationForm* anna = ConversationForm::conversation("111");
    QVERIFY(QTest::qWaitForWindowActive(anna));
    anna->replyEdit()->setFocus();
    QTest::keyClicks(anna->replyEdit(), "half a sen");
    window.onReceivedSMS(makeSMS("444", "Bob", "late", false, secs(7000)));
    QCOMPARE(window.contactsModel()->entries().at(1).person, QStringLiteral("Bob"));
    QCOMPARE(window.contactsView()->currentIndex().row(), 0);
    QCOMPARE(window.conversationView()->pageMessages().last().body, QStringLiteral("again"));
    ConversationForm* bob = ConversationForm::conversation("444");
    QVERIFY(bob && bob->isVisible());
    QCOMPARE(bob->windowTitle(), QStringLiteral("Bob(444)"));
    QCOMPARE(bob->history()->pageMessages().last().body, QStringLiteral("late"));
    QTRY_COMPARE(QApplication::focusWidget(), anna->replyEdit());
    QTest::qWait(100); // and stays there
    QTest::keyClicks(QApplication::focusWidget(), "tence");
    QCOMPARE(anna->replyEdit()->toPlainText(), QStringLiteral("half a sentence"));
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestUi::incomingHeldWhileAJobRuns_data()
{
    QTest::addColumn<QString>("end");
    for (const char* end : {"success", "failure", "cancel"})
        QTest::newRow(end) << QString(end);
}

void TestUi::incomingHeldWhileAJobRuns()
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

void TestUi::listenerErrorOffersRestart()
{
    MainWindow window;
    window.listener()->onListenerError("line dropped");
    QCOMPARE(m_dialogs->shown(),
             (QStringList{"C: Error occurred during monitoring message receiving. line dropped.",
                          "Q: Want to restart monitoring message receiving?"}));
}

void TestUi::commandsOnFilesAndThePhone()
{
    MainWindow window;
    // Import asks for its file; cancelled, it ends without a job or a box.
    window.actions()->miImport();
    window.actions()->miSyncFromOther();
    // Export of the chosen conversation writes Joanna's two messages.
    m_dialogs->queueFileName(m_account.home() + QStringLiteral("/joanna.csv"));
    window.actions()->miThreadExport();
    QCOMPARE(m_dialogs->fileCaptions.mid(0, 2), QStringList(2, "Select CSV file to import."));
    QCOMPARE(m_dialogs->shown(), QStringList({"I: Successfully export 2 SMS."}));
    // Print shows the conversation's preview; the backup asks for a connection first, and
    // without one starts no job.
    bool previewed = false;
    whenModal(QStringLiteral("QPrintPreviewDialog"), [&previewed](QWidget* preview) {
        previewed = true;
        preview->close();
    });
    window.actions()->miThreadPrint();
    bool asked = false;
    whenModal(QStringLiteral("ConnectionForm"), [&asked](QWidget* form) {
        asked = true;
        static_cast<QDialog*>(form)->reject();
    });
    window.actions()->miSyncFromAndroid();
    QVERIFY(previewed && asked);
    QCOMPARE(m_dialogs->messages.size(), 1);
}

void TestUi::contactsContextMenu()
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

void TestUi::keyboard_data()
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

void TestUi::keyboard()
{
    QFETCH(QString, path);
    QFETCH(QString, outcome);
    QCOMPARE(followKeyboardPath(path), outcome);
}

QString TestUi::followKeyboardPath(const QString& path)
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

void TestUi::contactsReloadDropsTheViewsIndexes()
{
    currentDatabase()->executeThrow(Sqlite3Sql("delete from sms"));
    // (The list's rows, order and texts are the summary's, tested with the store and the window.)
    for (const char* address : {"555", "777", "0170-1234567", "999"})
        store(makeSMS(address, "Anna", "a", false, secs(1000)));
    ItemModelContacts model;
    model.reload();
    MyTreeView view;
    view.setModel(&model);
    view.setCurrentIndex(model.index(3, 0));
    currentDatabase()->executeThrow(Sqlite3Sql("delete from sms where address <> '777'"));
    model.reload();
    // The deleted conversation the view pointed at is neither shown nor current.
    QCOMPARE(model.rowCount(), 1);
    QVERIFY(model.index(0, 0).data().toString().contains(QLatin1String("777")));
    QVERIFY(!view.currentIndex().isValid());
}

void TestUi::pages_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("firstShown");
    QTest::newRow("empty") << 0 << 0 << QString();
    QTest::newRow("100 make one page") << 100 << 1 << "message 1\n";
    QTest::newRow("101 open on the second") << 101 << 2 << "message 101\n";
}

void TestUi::pages()
{
    QFETCH(int, count);
    QFETCH(int, pages);
    QFETCH(QString, firstShown);
    SmsBrowser browser;
    browser.setSMSList(numberedMessages(3), QString());
    browser.setSMSList(numberedMessages(count), QString());
    QCOMPARE(browser.pageCount(), pages);
    QCOMPARE(browser.currentPage(), pages);
    const QString text = browser.toPlainText();
    if (count == 0)
        QVERIFY(text.isEmpty());
    else
        QVERIFY(text.contains(firstShown) &&
                text.contains(QStringLiteral("message %1").arg(count)));
    QCOMPARE(text.contains("message 100\n"), count == 100);
    QCOMPARE(browser.toHtml().contains("href=\"/pre_page\""), pages > 1);
    QVERIFY(!browser.toHtml().contains("/next_page"));
    QVERIFY(browser.textCursor().atEnd());
}

void TestUi::pageLinksMoveAndScroll()
{
    SmsBrowser browser;
    browser.setSMSList(numberedMessages(250), QString());
    QList<int> pages;
    for (const char* link : {"/pre_page", "/pre_page", "/pre_page", "/elsewhere", "/next_page"}) {
        browser.onSourceChanged(QUrl(link));
        pages.append(browser.currentPage());
    }
    QCOMPARE(pages, QList<int>({2, 1, 1, 1, 2}));
    // A forward move shows the page from its top, a backward one from its end.
    QVERIFY(browser.textCursor().atStart());
    QVERIFY(browser.toHtml().contains("/next_page") && browser.toHtml().contains("/pre_page"));
    QVERIFY(browser.toPlainText().contains("message 101\n"));
    QVERIFY(browser.toPlainText().contains("message 200\n"));
    emit browser.anchorClicked(QUrl("/next_page")); // a click reaches the same slot
    QCOMPARE(browser.currentPage(), 3);
    browser.onSourceChanged(QUrl("/pre_page"));
    QVERIFY(browser.textCursor().atEnd());
}

void TestUi::messagesAreLabelledAndHighlighted()
{
    const QDateTime date(QDate(2021, 3, 4), QTime(5, 6, 7));
    SmsBrowser browser;
    browser.setSMSList({makeSMS("555", "HELLO Kitty", "Hello and hElLo", false, date),
                        makeSMS("<i>555</i>", "Anna", "<b>bold</b> &amp; co\nline", true, date),
                        makeSMS("555", QString(), "1<2 R&D <team> span;", false, date)},
                       "hello");
    // Markup shown literally, line breaks kept, the keyword marked in its own letter case (in
    // names too) without breaking the markup.
    const QString text = browser.toPlainText();
    QVERIFY2(text.contains("hello Kitty(555): hello and hello\nsent:2021-03-04 05:06:07\n"),
             qPrintable(text));
    QVERIFY(text.contains("To Anna(<i>555</i>): <b>bold</b> &amp; co\nline\nsent:2021-03-04 "
                          "05:06:07"));
    QVERIFY(text.contains("1<2 R&D <team> span;"));
    QCOMPARE(browser.toHtml().count("background-color:#ffff00"), 3);
    QVERIFY(browser.toHtml().contains("#008040")); // the sent colour
    QVERIFY(browser.toHtml().contains("#0000ff", Qt::CaseInsensitive));
    browser.setSMSList(browser.pageMessages(), "&d <t");
    QCOMPARE(browser.highlightKeyword(), QStringLiteral("&amp;d &lt;t"));
    QVERIFY(browser.toPlainText().contains("1<2 R&d <team>"));
}

void TestUi::mmsAttachmentsShownAndSaved()
{
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    MMSData::Writer picture, audio, huge;
    picture.append(png.constData(), png.size());
    audio.append("audio", 5);
    QByteArray hugeBytes = png; // a picture whose header reads, padded beyond what is shown
    hugeBytes.append(16 * 1024 * 1024, '\0');
    huge.append(hugeBytes.constData(), hugeBytes.size());
    MMSInfo mms{{{"date", "9000000"}, {"msg_box", "1"}, {"address", "777"}},
                {{{{"ct", "image/png"}, {"name", "p.png"}}, picture.finish()},
                 {{{"ct", "audio/amr"}, {"name", "a.amr"}}, audio.finish()},
                 {{{"ct", "image/png"}, {"name", "huge.png"}}, huge.finish()}},
                {}};
    QVERIFY(storeMMS(currentDatabase(), mms));
    SmsBrowser browser;
    browser.setSource(
        std::make_shared<SMSQueryPageSource>(currentDatabaseShared(), conversationQuery("777")),
        QString());
    const qint64 part = scalar("select min(part_id) from mms_part");
    QVERIFY(browser.toHtml().contains(QStringLiteral("mms-image:%1\" width=\"20\"").arg(part)));
    QVERIFY(browser.toPlainText().contains("[audio: a.amr]"));
    QVERIFY(browser.toPlainText().contains("[image: huge.png]")); // offered to save, not shown
    // A picture opens at full size, any other attachment is saved where the user says.
    browser.onSourceChanged(QUrl(QStringLiteral("mms-picture:%1").arg(part)));
    QCOMPARE(browser.findChild<QLabel*>("lbPicture")->pixmap().size(), QSize(20, 10));
    const QString saved = m_account.home() + "/a.amr";
    m_dialogs->queueFileName(saved);
    browser.onSourceChanged(QUrl(QStringLiteral("mms-save:%1").arg(part + 1)));
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "audio");

    // A group's conversation is not answered as if its joined numbers were one: nothing is sent.
    MMSInfo group{{{"date", "9100000"}, {"msg_box", "1"}, {"address", "777~888"}},
                  {{{{"ct", "text/plain"}, {"text", "to all"}}, nullptr}},
                  {}};
    QVERIFY(storeMMS(currentDatabase(), group));
    ConversationForm::openConversation("777, 888", "777, 888", "777,888");
    ConversationForm* chat = ConversationForm::conversation("777,888");
    QCOMPARE(chat->history()->pageMessages().last().body, QStringLiteral("to all"));
    chat->replyEdit()->setPlainText("hello");
    QTest::mouseClick(chat->findChild<QPushButton*>("btnSendSMS"), Qt::LeftButton);
    QVERIFY(m_dialogs->lastText().startsWith("This is a group conversation"));
    QCOMPARE(chat->replyEdit()->toPlainText(), QStringLiteral("hello"));
}

void TestUi::highlight_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("html");
    const auto row = [](const char* name, const QString& body, const QString& keyword,
                        const QString& html) { QTest::newRow(name) << body << keyword << html; };
    row("escaping only", "<b>x</b> & y\nz", "", "&lt;b&gt;x&lt;/b&gt; &amp; y<br/>z");
    row("any letter case", "Hello and hElLo", "hello", mark("hello") + " and " + mark("hello"));
    row("ampersand", "a & b", "&", "a " + mark("&amp;") + " b");
    row("less-than", "x<y", "<Y", "x" + mark("&lt;Y"));
    // Keywords that appear only in the markup leave it alone.
    const QString body = QStringLiteral("Tom & Jerry <3\nsee you");
    for (const char* keyword : {"amp", "lt", "gt", "br", "span", "class", ";"})
        row(keyword, body, keyword, "Tom &amp; Jerry &lt;3<br/>see you");
}

void TestUi::highlight()
{
    QFETCH(QString, body);
    QFETCH(QString, keyword);
    QFETCH(QString, html);
    QCOMPARE(SmsBrowser::highlightedHtml(body, keyword), html);
}

void TestUi::searchForm()
{
    SMSSearchForm form;
    const auto search = [&form](const QString& keyword, int folder) {
        form.keywordEdit()->setText(keyword);
        form.folderBox()->setCurrentIndex(folder);
        form.onBtnSearchClicked();
        return int(form.browser()->messageCount());
    };
    QCOMPARE(search("   ", 0), 6);
    QCOMPARE(form.browser()->pageMessages().first().body, QStringLiteral("f"));
    // Names and numbers count: Anna, AnnaBank, Hannah, Joanna.
    QCOMPARE(search(" aNN ", 1), 4);
    QCOMPARE(search(" aNN ", 2), 1);
    QCOMPARE(form.statusLabel()->text(), QStringLiteral("Total:1"));
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(search("nothing like it", 0), 0);
    QCOMPARE(form.statusLabel()->text(), QStringLiteral("Total:0"));
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("Found no SMS."));
    // All results count, the last page is shown, highlighted in the keyword's case.
    for (int i = 0; i < 150; ++i)
        store(makeSMS("888", QString(), QStringLiteral("Report %1").arg(i), false, secs(5000 + i)));
    QCOMPARE(search("REPORT", 0), 150);
    QCOMPARE(form.statusLabel()->text(), QStringLiteral("Total:150"));
    QCOMPARE(form.browser()->currentPage(), 2);
    QVERIFY(form.browser()->toPlainText().contains("REPORT 149"));
}

void TestUi::recipientsParsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("numbers");
    // Blanks around a recipient never reach the phone or the stored address.
    QTest::newRow("named and bare") << "Anna(555), 777" << QStringList({"555", "777"});
    QTest::newRow("name alone") << "Bob" << QStringList({"Bob"});
    QTest::newRow("commas only") << " ,,, " << QStringList();
    QTest::newRow("blank part") << "1, ,2" << QStringList({"1", "2"});
    QTest::newRow("blanks around a number")
        << "Anna, +49 151 0098375 " << QStringList({"Anna", "+49 151 0098375"});
    QTest::newRow("two parentheses") << "A(1)(2)" << QStringList({"A(1)(2)"});
    QTest::newRow("trailing comma") << "Anna(555)," << QStringList({"555"});
    QTest::newRow("number with blanks") << "Joe(+49 170 1)" << QStringList({"+49 170 1"});
}

void TestUi::recipientsParsing()
{
    QFETCH(QString, text);
    QFETCH(QStringList, numbers);
    QStringList sentTo;
    for (const QString& recipient : DraftSMSForm::recipients(text))
        sentTo.append(DraftSMSForm::numberOf(recipient));
    QCOMPARE(sentTo, numbers);
}

void TestUi::choosingACompletion()
{
    const QList<QPair<QString, QString>> cases = {{"jo", "Joanna(555),"},
                                                  {"Anna(111),jo", "Anna(111),Joanna(555),"},
                                                  {"Anna(111),, jo", "Anna(111),Joanna(555),"},
                                                  {"Anna(111),", "Anna(111),"}};
    for (const auto& [text, result] : cases)
        QCOMPARE(DraftSMSForm::withChosenRecipient(text, "Joanna(555)"), result);
}

void TestUi::completionAgreesWithTheDatabase()
{
    store(makeSMS("999", "Ärger", "x", false, secs(1500)));
    // The in-memory filter matches what SQLite's LIKE finds (ASCII letters in any case only).
    for (const char* fragment : {"ANN", "J_a", "J_n", "1_1", "5", "bank", "%", " ", "ä", "Ä"}) {
        const QString pattern = QLatin1Char('%') + QString::fromUtf8(fragment) + QLatin1Char('%');
        Sqlite3Sql sql("select count(*) from (select suffix, max(person) as person, max(address) "
                       "as address from sms group by suffix having person like ? or address "
                       "like ?)");
        sql.addTextParam(pattern).addTextParam(pattern);
        Sqlite3Cursor cursor = currentDatabase()->queryThrow(sql);
        QVERIFY(cursor.moveNext());
        ContactCompleter completer;
        QCOMPARE(int(completer.matches(currentDatabase(), QString::fromUtf8(fragment)).size()),
                 cursor.getInt(0));
    }
}

void TestUi::completionList()
{
    DraftSMSForm form;
    form.show();
    QListWidget* list = form.completionList();
    const auto type = [&form, list](const QString& text) {
        form.recipientsEdit()->setText(text);
        QStringList shown;
        for (int i = 0; list->isVisible() && i < list->count(); ++i)
            shown.append(list->item(i)->text());
        return shown;
    };
    QCOMPARE(type("ann"), QStringList({"Anna(111)", "Hannah(333)", "Joanna(555)", "AnnaBank"}));
    QVERIFY(type("ann,").isEmpty());
    QVERIFY(type("Anna(111),zzz").isEmpty());
    QCOMPARE(type("Anna(111),JO"), QStringList({"Joanna(555)"}));
    form.onSearchResultItemClicked(list->item(0));
    QCOMPARE(form.recipientsEdit()->text(), QStringLiteral("Anna(111),Joanna(555),"));
    QCOMPARE(form.recipientsEdit()->cursorPosition(), 22);
    QVERIFY(list->isHidden());
    QVERIFY(!type("5").isEmpty());
    QTest::mouseClick(&form, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5)); // closes the list
    QVERIFY(list->isHidden());
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestUi::composeChecksBeforeSending()
{
    DraftSMSForm form;
    form.recipientsEdit()->setText("Anna(111)");
    form.contentEdit()->setPlainText(" \n\t ");
    form.onBtnSendPressed();
    QCOMPARE(m_dialogs->shown(), QStringList{"W: Your message is blank..Please compose it first."});
    // With a text and no connection the connection dialog asks; cancelling it ends quietly.
    form.contentEdit()->setPlainText("hello");
    bool asked = false;
    whenModal(QStringLiteral("ConnectionForm"), [&asked](QWidget* dialog) {
        asked = true;
        guitest::child<QPushButton>(dialog, "btnCancel")->click();
    });
    form.onBtnSendPressed();
    QVERIFY(asked);
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(form.contentEdit()->toPlainText(), QStringLiteral("hello"));
}

void TestUi::oneChatWindowPerConversation()
{
    ConversationForm::openConversation("Anna(111)", "111", "111");
    ConversationForm* anna = ConversationForm::conversation("111");
    QVERIFY(anna);
    QCOMPARE(anna->statusLabel()->text(), QStringLiteral("Total:1"));
    store(makeSMS("111", QString(), "see you", false, secs(2000)));
    anna->close();
    ConversationForm::openConversation("other title", "999", "111");
    QCOMPARE(ConversationForm::conversationCount(), 1);
    QCOMPARE(ConversationForm::conversation("111"), anna);
    QVERIFY(anna->isVisible());
    QCOMPARE(anna->windowTitle(), QStringLiteral("Anna(111)"));
    QCOMPARE(anna->address(), QStringLiteral("111"));
    // Reopening reloads the history.
    QCOMPARE(anna->statusLabel()->text(), QStringLiteral("Total:2"));
    QCOMPARE(anna->history()->pageMessages().last().body, QStringLiteral("see you"));
    QCOMPARE(anna->history()->pageMessages().last().person, QStringLiteral("Anna"));
    ConversationForm::openConversation("Joanna(555)", "555", "555");
    QCOMPARE(ConversationForm::conversationCount(), 2);
    ConversationForm::closeAllConversations();
    QVERIFY(!anna->isVisible());
    QVERIFY(!ConversationForm::conversation("555")->isVisible());
}

QTEST_MAIN(TestUi)
#include "tst_ui.moc"
