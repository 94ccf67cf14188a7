#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "UiTestSupport.h"
#include "common/DialogRecorder.h"
#include "ui/AboutForm.h"
#include "ui/ContactCompleter.h"
#include "ui/ConversationForm.h"
#include "ui/DraftSMSForm.h"
#include "ui/SMSSearchForm.h"
#include "ui/SmsBrowser.h"

using namespace uitest;

namespace {

QStringList paramTexts(const Sqlite3Sql& sql)
{
    QStringList texts;
    for (const QVariant& value : sql.params())
        texts.append(value.toString());
    return texts;
}

QStringList listTexts(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

} // namespace

class TestUiDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void searchStatements_data();
    void searchStatements();
    void searchAllAndEachFolder();
    void searchWithoutResults();
    void searchHighlightsAndCountsAll();

    void recipientsParsing_data();
    void recipientsParsing();
    void choosingACompletion_data();
    void choosingACompletion();
    void likeRules();
    void completionList();
    void composeChecksBeforeSending();
    void composeAltReturnSends();

    void oneChatWindowPerConversation();
    void chatAltReturnSends();

    void aboutBox();

private:
    void sendKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers);
    std::unique_ptr<Environment> m_env;
    std::unique_ptr<DialogRecorder> m_dialogs;
};

void TestUiDialogs::initTestCase()
{
    m_env = std::make_unique<Environment>();
    openFreshAccount(QStringLiteral("dialogs.db"));
}

void TestUiDialogs::init()
{
    clearMessages();
    store(message(QStringLiteral("111"), QStringLiteral("Anna"), QStringLiteral("Lunch today?"),
                  1000));
    store(message(QStringLiteral("111"), QStringLiteral("Anna"), QStringLiteral("yes, LUNCH at 1"),
                  1100, true));
    store(
        message(QStringLiteral("555"), QStringLiteral("Joanna"), QStringLiteral("call me"), 1200));
    store(message(QStringLiteral("777"), QString(), QStringLiteral("lunchbox sold"), 1300, true));
    store(message(QStringLiteral("AnnaBank"), QString(), QStringLiteral("balance 5%"), 1400));
    m_dialogs = std::make_unique<DialogRecorder>();
}

void TestUiDialogs::cleanup()
{
    ConversationForm::releaseAllConversations();
    m_dialogs.reset();
}

void TestUiDialogs::sendKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(target, key, modifiers);
}

void TestUiDialogs::searchStatements_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<int>("folder");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("params");
    const QString like = QStringLiteral(" where (body like ? or address like ? or person like ?)");
    const QString order = QStringLiteral(" order by date asc");
    const QString base = QStringLiteral("select * from view_sms");
    const QStringList pattern(3, QStringLiteral("%lunch%"));
    QTest::newRow("all") << QString() << 0 << base + order << QStringList();
    QTest::newRow("inbox") << QString() << 1 << base + " where is_send=?" + order
                           << QStringList({"0"});
    QTest::newRow("sent") << QString() << 2 << base + " where is_send=?" + order
                          << QStringList({"1"});
    QTest::newRow("all, keyword") << "lunch" << 0 << base + like + order << pattern;
    QTest::newRow("inbox, keyword")
        << "lunch" << 1 << base + like + " and is_send=?" + order << pattern + QStringList({"0"});
    QTest::newRow("sent, keyword")
        << "lunch" << 2 << base + like + " and is_send=?" + order << pattern + QStringList({"1"});
}

void TestUiDialogs::searchStatements()
{
    QFETCH(QString, keyword);
    QFETCH(int, folder);
    QFETCH(QString, sql);
    QFETCH(QStringList, params);
    const Sqlite3Sql statement = SMSSearchForm::searchStatement(keyword, folder);
    QCOMPARE(statement.sql(), sql);
    QCOMPARE(paramTexts(statement), params);
    // Every statement runs.
    Sqlite3Cursor cursor = currentDatabase()->queryThrow(statement);
    QVERIFY(cursor.moveNext());
}

void TestUiDialogs::searchAllAndEachFolder()
{
    SMSSearchForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Tallowbrook-Search SMS"));
    QCOMPARE(form.size(), QSize(704, 607));
    QCOMPARE(form.folderBox()->count(), 3);
    QCOMPARE(form.folderBox()->itemText(2), QStringLiteral("Sented Box"));

    form.keywordEdit()->setText(QStringLiteral("   "));
    form.onBtnSearchClicked();
    QCOMPARE(form.browser()->smsList().size(), 5);
    QCOMPARE(form.browser()->smsList().first().body, QStringLiteral("Lunch today?"));
    QCOMPARE(form.statusLabel()->text(), QStringLiteral("Total:5"));

    form.keywordEdit()->setText(QStringLiteral(" lunch "));
    form.folderBox()->setCurrentIndex(1);
    form.onBtnSearchClicked();
    QCOMPARE(form.browser()->smsList().size(), 1);
    QCOMPARE(form.browser()->smsList().first().body, QStringLiteral("Lunch today?"));

    form.folderBox()->setCurrentIndex(2);
    form.onBtnSearchClicked();
    QCOMPARE(form.browser()->smsList().size(), 2);
    QCOMPARE(form.statusLabel()->text(), QStringLiteral("Total:2"));

    // Contact names count too: "ann" finds Anna's, Joanna's and the AnnaBank messages.
    form.keywordEdit()->setText(QStringLiteral("ann"));
    form.folderBox()->setCurrentIndex(0);
    form.onBtnSearchClicked();
    QCOMPARE(form.browser()->smsList().size(), 4);
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestUiDialogs::searchWithoutResults()
{
    SMSSearchForm form;
    form.keywordEdit()->setText(QStringLiteral("nothing like it"));
    form.onBtnSearchClicked();
    QCOMPARE(form.statusLabel()->text(), QStringLiteral("Total:0"));
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages.first().icon, QMessageBox::Information);
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("Found no SMS."));
}

void TestUiDialogs::searchHighlightsAndCountsAll()
{
    for (int i = 0; i < 150; ++i)
        store(message(QStringLiteral("888"), QString(), QStringLiteral("Report %1").arg(i),
                      5000 + i));
    SMSSearchForm form;
    form.keywordEdit()->setText(QStringLiteral("REPORT"));
    form.onBtnSearchClicked();
    QCOMPARE(form.statusLabel()->text(), QStringLiteral("Total:150"));
    QCOMPARE(form.browser()->currentPage(), 2);
    QVERIFY(form.browser()->toPlainText().contains(QStringLiteral("REPORT 149")));
}

void TestUiDialogs::recipientsParsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("numbers");
    QTest::newRow("named and bare") << "Anna(555), 777" << QStringList({"555", " 777"});
    QTest::newRow("name alone") << "Bob" << QStringList({"Bob"});
    QTest::newRow("commas only") << " ,,, " << QStringList();
    QTest::newRow("blank part") << "1, ,2" << QStringList({"1", " ", "2"});
    QTest::newRow("two parentheses") << "A(1)(2)" << QStringList({"A(1)(2)"});
    QTest::newRow("trailing comma") << "Anna(555)," << QStringList({"555"});
    QTest::newRow("number with blanks") << "Joe(+49 170 1)" << QStringList({"+49 170 1"});
}

void TestUiDialogs::recipientsParsing()
{
    QFETCH(QString, text);
    QFETCH(QStringList, numbers);
    QCOMPARE(DraftSMSForm::recipientNumbers(text), numbers);
}

void TestUiDialogs::choosingACompletion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    QTest::newRow("first") << "jo"
                           << "Joanna(555),";
    QTest::newRow("after one") << "Anna(111),jo"
                               << "Anna(111),Joanna(555),";
    QTest::newRow("after commas") << "Anna(111),, jo"
                                  << "Anna(111),Joanna(555),";
    QTest::newRow("nothing typed") << "Anna(111),"
                                   << "Anna(111),";
}

void TestUiDialogs::choosingACompletion()
{
    QFETCH(QString, text);
    QFETCH(QString, result);
    QCOMPARE(DraftSMSForm::withChosenRecipient(text, QStringLiteral("Joanna(555)")), result);
}

void TestUiDialogs::likeRules()
{
    QVERIFY(ContactCompleter::like(QStringLiteral("Joanna"), QStringLiteral("%ANN%")));
    QVERIFY(ContactCompleter::like(QStringLiteral("Joanna"), QStringLiteral("J_a%")));
    QVERIFY(!ContactCompleter::like(QStringLiteral("Joanna"), QStringLiteral("J_n%")));
    QVERIFY(ContactCompleter::like(QStringLiteral("50%"), QStringLiteral("%0%%")));
    QVERIFY(ContactCompleter::like(QStringLiteral("ab"), QStringLiteral("%%a%b%%")));
    // Only ASCII letters are compared without regard to case, as SQLite does.
    QVERIFY(!ContactCompleter::like(QStringLiteral("Ärger"), QStringLiteral("%ä%")));
    QVERIFY(!ContactCompleter::like(QString(), QStringLiteral("%a%")));
    // The in-memory filter agrees with the database's LIKE.
    for (const QString& fragment :
         {QStringLiteral("ANN"), QStringLiteral("1_1"), QStringLiteral("5"), QStringLiteral("bank"),
          QStringLiteral("%"), QStringLiteral(" ")}) {
        Sqlite3Sql sql("select count(*) from (select suffix, max(person) as person, max(address) "
                       "as address from sms group by suffix having person like ? or address "
                       "like ?)");
        const QString pattern = QLatin1Char('%') + fragment + QLatin1Char('%');
        sql.addTextParam(pattern).addTextParam(pattern);
        Sqlite3Cursor cursor = currentDatabase()->queryThrow(sql);
        QVERIFY(cursor.moveNext());
        ContactCompleter completer;
        QCOMPARE(int(completer.matches(currentDatabase(), fragment).size()), cursor.getInt(0));
    }
}

void TestUiDialogs::completionList()
{
    DraftSMSForm form;
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("Tallowbrook - Sending Message"));
    QVERIFY(form.completionList()->isHidden());
    form.recipientsEdit()->setText(QStringLiteral("ann"));
    QVERIFY(form.completionList()->isVisible());
    QCOMPARE(listTexts(form.completionList()),
             QStringList({"Anna(111)", "Joanna(555)", "AnnaBank"}));
    form.recipientsEdit()->setText(QStringLiteral("ann,"));
    QVERIFY(form.completionList()->isHidden());
    form.recipientsEdit()->setText(QStringLiteral("Anna(111),zzz"));
    QVERIFY(form.completionList()->isHidden());
    form.recipientsEdit()->setText(QStringLiteral("Anna(111),JO"));
    QCOMPARE(listTexts(form.completionList()), QStringList({"Joanna(555)"}));
    form.onSearchResultItemClicked(form.completionList()->item(0));
    QCOMPARE(form.recipientsEdit()->text(), QStringLiteral("Anna(111),Joanna(555),"));
    QCOMPARE(form.recipientsEdit()->cursorPosition(), 22);
    QVERIFY(form.completionList()->isHidden());
    // A click on the dialog closes the list.
    form.recipientsEdit()->setText(QStringLiteral("7"));
    QVERIFY(form.completionList()->isVisible());
    QTest::mouseClick(&form, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QVERIFY(form.completionList()->isHidden());
    QVERIFY(m_dialogs->messages.isEmpty());
}

void TestUiDialogs::composeChecksBeforeSending()
{
    DraftSMSForm form;
    form.recipientsEdit()->setText(QStringLiteral(",,"));
    form.onBtnSendPressed();
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("Please enter recepient."));
    QCOMPARE(m_dialogs->messages.last().icon, QMessageBox::Warning);
    form.recipientsEdit()->setText(QStringLiteral("Anna(111)"));
    form.contentEdit()->setPlainText(QStringLiteral(" \n\t "));
    form.onBtnSendPressed();
    QCOMPARE(m_dialogs->lastText(),
             QStringLiteral("Your message is blank..Please compose it first."));
    // With a text and no connection the connection dialog asks; cancelling it ends quietly.
    form.contentEdit()->setPlainText(QStringLiteral("hello"));
    QString seen;
    QTimer::singleShot(0, this, [&seen] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            seen = QString::fromLatin1(dialog->metaObject()->className());
            dialog->reject();
        }
    });
    form.onBtnSendPressed();
    QCOMPARE(seen, QStringLiteral("ConnectionForm"));
    QCOMPARE(m_dialogs->messages.size(), 2);
    QCOMPARE(form.contentEdit()->toPlainText(), QStringLiteral("hello"));
}

void TestUiDialogs::composeAltReturnSends()
{
    DraftSMSForm form;
    form.show();
    QTextEdit* content = form.contentEdit();
    content->setFocus();
    sendKey(content, Qt::Key_A, Qt::NoModifier);
    sendKey(content, Qt::Key_Return, Qt::NoModifier);
    QCOMPARE(content->toPlainText(), QStringLiteral("a\n"));
    QVERIFY(m_dialogs->messages.isEmpty());
    sendKey(content, Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier);
    QVERIFY(m_dialogs->messages.isEmpty());
    sendKey(content, Qt::Key_Return, Qt::AltModifier);
    QCOMPARE(m_dialogs->messages.size(), 1); // sent: no recipients
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("Please enter recepient."));
}

void TestUiDialogs::oneChatWindowPerConversation()
{
    ConversationForm::openConversation(QStringLiteral("Anna(111)"), QStringLiteral("111"),
                                       QStringLiteral("111"));
    ConversationForm* anna = ConversationForm::conversation(QStringLiteral("111"));
    QVERIFY(anna);
    QCOMPARE(anna->statusLabel()->text(), QStringLiteral("Total:2"));
    QCOMPARE(anna->history()->smsList().last().body, QStringLiteral("yes, LUNCH at 1"));
    store(message(QStringLiteral("111"), QString(), QStringLiteral("see you"), 2000));
    anna->close();
    QVERIFY(!anna->isVisible());
    ConversationForm::openConversation(QStringLiteral("other title"), QStringLiteral("999"),
                                       QStringLiteral("111"));
    QCOMPARE(ConversationForm::conversationCount(), 1);
    QCOMPARE(ConversationForm::conversation(QStringLiteral("111")), anna);
    QVERIFY(anna->isVisible());
    QCOMPARE(anna->windowTitle(), QStringLiteral("Anna(111)"));
    QCOMPARE(anna->address(), QStringLiteral("111"));
    QCOMPARE(anna->statusLabel()->text(), QStringLiteral("Total:3"));
    QCOMPARE(anna->history()->smsList().last().body, QStringLiteral("see you"));
    QCOMPARE(anna->history()->smsList().last().person, QStringLiteral("Anna"));

    ConversationForm::openConversation(QStringLiteral("Joanna(555)"), QStringLiteral("555"),
                                       QStringLiteral("555"));
    QCOMPARE(ConversationForm::conversationCount(), 2);
    ConversationForm::closeAllConversations();
    QVERIFY(!anna->isVisible());
    QVERIFY(!ConversationForm::conversation(QStringLiteral("555"))->isVisible());
}

void TestUiDialogs::chatAltReturnSends()
{
    ConversationForm::openConversation(QStringLiteral("Anna(111)"), QStringLiteral("111"),
                                       QStringLiteral("111"));
    ConversationForm* anna = ConversationForm::conversation(QStringLiteral("111"));
    QTextEdit* reply = anna->replyEdit();
    reply->setFocus();
    sendKey(reply, Qt::Key_Space, Qt::NoModifier);
    sendKey(reply, Qt::Key_Return, Qt::NoModifier);
    QCOMPARE(reply->toPlainText(), QStringLiteral(" \n"));
    sendKey(reply, Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier);
    QVERIFY(m_dialogs->messages.isEmpty());
    sendKey(reply, Qt::Key_Return, Qt::AltModifier);
    // Spaces and line breaks only: blank.
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->lastText(),
             QStringLiteral("Your message is blank..Please compose it first."));
    QCOMPARE(reply->toPlainText(), QStringLiteral(" \n")); // kept for a retry
}

void TestUiDialogs::aboutBox()
{
    AboutForm about;
    QCOMPARE(about.windowTitle(), QStringLiteral("Tallowbrook - About"));
    QCOMPARE(about.size(), QSize(500, 133));
    QCOMPARE(about.minimumSize(), about.maximumSize());
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lbProdAndVer"))->text(),
             QStringLiteral("Tallowbrook v3.2.2"));
    auto* link = about.findChild<QLabel*>(QStringLiteral("label"));
    QVERIFY(link->openExternalLinks());
    QVERIFY(link->text().startsWith(QStringLiteral("<a href=\"https://")));
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("btnOK"));
    QCOMPARE(ok->geometry(), QRect(210, 100, 75, 23));
    QTimer::singleShot(0, ok, [ok] { QTest::mouseClick(ok, Qt::LeftButton); });
    QCOMPARE(about.exec(), int(QDialog::Accepted));
}

QTEST_MAIN(TestUiDialogs)
#include "tst_uidialogs.moc"
