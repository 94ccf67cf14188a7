// The contacts model and view, the conversation pages, and the search, compose and chat dialogs.

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include "core/frame/EscapeHtml.h"
#include "gui/frame/MyTreeView.h"
#include "gui/ui/ContactCompleter.h"
#include "gui/ui/ConversationForm.h"
#include "gui/ui/DraftSMSForm.h"
#include "gui/ui/ItemModelContacts.h"
#include "gui/ui/SMSSearchForm.h"
#include "gui/ui/SmsBrowser.h"
#include "support/DialogRecorder.h"
#include "support/GuiTestSupport.h"
#include "support/TestAccount.h"

using namespace tbtest;
using guitest::whenModal;

namespace {

QList<SMSInfo> numberedMessages(int count)
{
    QList<SMSInfo> list;
    for (int i = 0; i < count; ++i)
        list.append(makeSMS("555", "Anna", QStringLiteral("message %1").arg(i + 1), false,
                            secs(1600000000 + i)));
    return list;
}

// Anna and Joanna with a text each way, a bare number, a service sender.
void storeDialogAccount()
{
    store(makeSMS("111", "Anna", "Lunch today?", false, secs(1000)));
    store(makeSMS("111", "Anna", "yes, LUNCH at 1", true, secs(1100)));
    store(makeSMS("555", "Joanna", "call me", false, secs(1200)));
    store(makeSMS("777", QString(), "lunchbox sold", true, secs(1300)));
    store(makeSMS("AnnaBank", QString(), "balance 5%", false, secs(1400)));
}

QString mark(const QString& html)
{
    return QStringLiteral("<span style=\"background-color:yellow;\">") + html +
           QStringLiteral("</span>");
}

} // namespace

class TestUiViews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_account.open("views.db")); }
    void init()
    {
        currentDatabase()->executeThrow(Sqlite3Sql("delete from sms"));
        m_dialogs = std::make_unique<DialogRecorder>();
    }
    void cleanup()
    {
        ConversationForm::releaseAllConversations();
        m_dialogs.reset();
    }

    void contactsReloadDropsTheViewsIndexes();

    void pages_data();
    void pages();
    void pageLinksMoveAndScroll();
    void messagesAreEscapedAndLabelled();
    void highlight_data();
    void highlight();
    void highlightInTheBrowser();

    void searchForm();
    void recipientsParsing_data();
    void recipientsParsing();
    void choosingACompletion();
    void completionAgreesWithTheDatabase();
    void completionList();
    void composeChecksBeforeSending();
    void oneChatWindowPerConversation();

private:
    TestAccount m_account;
    std::unique_ptr<DialogRecorder> m_dialogs;
};

void TestUiViews::contactsReloadDropsTheViewsIndexes()
{
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
    QCOMPARE(model.rowCount(), 1);
    QVERIFY(!view.currentIndex().isValid() || view.currentIndex().row() == 0);
}

void TestUiViews::pages_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("firstShown");
    QTest::newRow("empty") << 0 << 0 << QString();
    QTest::newRow("100 make one page") << 100 << 1 << "message 1\n";
    QTest::newRow("101 open on the second") << 101 << 2 << "message 101\n";
}

void TestUiViews::pages()
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

void TestUiViews::pageLinksMoveAndScroll()
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

void TestUiViews::messagesAreEscapedAndLabelled()
{
    const qint64 date = QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7)).toSecsSinceEpoch();
    SmsBrowser browser;
    browser.setSMSList(
        {makeSMS("<i>555</i>", "Anna", "<b>bold</b> &amp; co\nline", true, secs(date)),
         makeSMS("<i>555</i>", "Anna", "hi", false, secs(date))},
        QString());
    const QString text = browser.toPlainText();
    QVERIFY2(text.contains("To Anna(<i>555</i>): <b>bold</b> &amp; co\nline\nsent:2021-03-04 "
                           "05:06:07"),
             qPrintable(text));
    QVERIFY(text.contains("\nAnna(<i>555</i>): hi\nsent:2021-03-04 05:06:07"));
    QVERIFY(browser.toHtml().contains("#008040")); // the sent colour
    QVERIFY(browser.toHtml().contains("#0000ff", Qt::CaseInsensitive));
}

void TestUiViews::highlight_data()
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
        row(keyword, body, keyword, escapeHtml(body));
}

void TestUiViews::highlight()
{
    QFETCH(QString, body);
    QFETCH(QString, keyword);
    QFETCH(QString, html);
    QCOMPARE(SmsBrowser::highlightedHtml(body, keyword), html);
}

void TestUiViews::highlightInTheBrowser()
{
    SmsBrowser browser;
    browser.setSMSList({makeSMS("555", "HELLO Kitty", "Hello and hElLo", false, secs(1000)),
                        makeSMS("555", QString(), "Tom & Jerry <3 span;", false, secs(1001)),
                        makeSMS("555", QString(), "R&D <team>", false, secs(1002))},
                       "hello");
    // Shown in the keyword's letter case, in names too; the markup stays whole.
    QVERIFY(browser.toPlainText().contains("hello Kitty(555): hello and hello"));
    QVERIFY(browser.toPlainText().contains("Tom & Jerry <3 span;"));
    QCOMPARE(browser.toHtml().count("background-color:#ffff00"), 3);
    browser.setSMSList(browser.pageMessages(), "&d <t");
    QCOMPARE(browser.highlightKeyword(), QStringLiteral("&amp;d &lt;t"));
    QVERIFY(browser.toPlainText().contains("R&d <team>"));
}

void TestUiViews::searchForm()
{
    storeDialogAccount();
    SMSSearchForm form;
    const auto search = [&form](const QString& keyword, int folder) {
        form.keywordEdit()->setText(keyword);
        form.folderBox()->setCurrentIndex(folder);
        form.onBtnSearchClicked();
        return int(form.browser()->messageCount());
    };
    QCOMPARE(search("   ", 0), 5);
    QCOMPARE(form.browser()->pageMessages().first().body, QStringLiteral("Lunch today?"));
    QCOMPARE(search(" lunch ", 1), 1);
    QCOMPARE(search(" lunch ", 2), 2);
    QCOMPARE(form.statusLabel()->text(), QStringLiteral("Total:2"));
    QCOMPARE(search("ann", 0), 4); // names count too: Anna, Joanna, AnnaBank
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

void TestUiViews::recipientsParsing_data()
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

void TestUiViews::recipientsParsing()
{
    QFETCH(QString, text);
    QFETCH(QStringList, numbers);
    QStringList sentTo;
    for (const QString& recipient : DraftSMSForm::recipients(text))
        sentTo.append(DraftSMSForm::numberOf(recipient));
    QCOMPARE(sentTo, numbers);
}

void TestUiViews::choosingACompletion()
{
    const QList<QPair<QString, QString>> cases = {{"jo", "Joanna(555),"},
                                                  {"Anna(111),jo", "Anna(111),Joanna(555),"},
                                                  {"Anna(111),, jo", "Anna(111),Joanna(555),"},
                                                  {"Anna(111),", "Anna(111),"}};
    for (const auto& [text, result] : cases)
        QCOMPARE(DraftSMSForm::withChosenRecipient(text, "Joanna(555)"), result);
}

void TestUiViews::completionAgreesWithTheDatabase()
{
    storeDialogAccount();
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

void TestUiViews::completionList()
{
    storeDialogAccount();
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
    QCOMPARE(type("ann"), QStringList({"Anna(111)", "Joanna(555)", "AnnaBank"}));
    QVERIFY(type("ann,").isEmpty());
    QVERIFY(type("Anna(111),zzz").isEmpty());
    QCOMPARE(type("Anna(111),JO"), QStringList({"Joanna(555)"}));
    form.onSearchResultItemClicked(list->item(0));
    QCOMPARE(form.recipientsEdit()->text(), QStringLiteral("Anna(111),Joanna(555),"));
    QCOMPARE(form.recipientsEdit()->cursorPosition(), 22);
    QVERIFY(list->isHidden());
    QVERIFY(!type("7").isEmpty());
    QTest::mouseClick(&form, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5)); // closes the list
    QVERIFY(list->isHidden());
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestUiViews::composeChecksBeforeSending()
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
        static_cast<QDialog*>(dialog)->reject();
    });
    form.onBtnSendPressed();
    QVERIFY(asked);
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(form.contentEdit()->toPlainText(), QStringLiteral("hello"));
}

void TestUiViews::oneChatWindowPerConversation()
{
    storeDialogAccount();
    ConversationForm::openConversation("Anna(111)", "111", "111");
    ConversationForm* anna = ConversationForm::conversation("111");
    QVERIFY(anna);
    QCOMPARE(anna->statusLabel()->text(), QStringLiteral("Total:2"));
    store(makeSMS("111", QString(), "see you", false, secs(2000)));
    anna->close();
    ConversationForm::openConversation("other title", "999", "111");
    QCOMPARE(ConversationForm::conversationCount(), 1);
    QCOMPARE(ConversationForm::conversation("111"), anna);
    QVERIFY(anna->isVisible());
    QCOMPARE(anna->windowTitle(), QStringLiteral("Anna(111)"));
    QCOMPARE(anna->address(), QStringLiteral("111"));
    // Reopening reloads the history.
    QCOMPARE(anna->statusLabel()->text(), QStringLiteral("Total:3"));
    QCOMPARE(anna->history()->pageMessages().last().body, QStringLiteral("see you"));
    QCOMPARE(anna->history()->pageMessages().last().person, QStringLiteral("Anna"));
    ConversationForm::openConversation("Joanna(555)", "555", "555");
    QCOMPARE(ConversationForm::conversationCount(), 2);
    ConversationForm::closeAllConversations();
    QVERIFY(!anna->isVisible());
    QVERIFY(!ConversationForm::conversation("555")->isVisible());
}

QTEST_MAIN(TestUiViews)
#include "tst_uiviews.moc"
