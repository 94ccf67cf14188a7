// Drives the real main window as a user would: against the phone simulator over WiFi, and
// from one account through an exported file into another.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMutex>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>

#include "PhoneSimProcess.h"
#include "core/device/DeviceConnection.h"
#include "core/jobs/ListenJob.h"
#include "core/jobs/PhoneJobTimings.h"
#include "core/store/ConversationQuery.h"
#include "core/store/Transaction.h"
#include "gui/device/ConnectionForm.h"
#include "gui/frame/MyTreeView.h"
#include "gui/ui/ConversationForm.h"
#include "gui/ui/DraftSMSForm.h"
#include "gui/ui/ItemModelContacts.h"
#include "gui/ui/ListenerControl.h"
#include "gui/ui/MainActions.h"
#include "gui/ui/MainWindow.h"
#include "gui/ui/SMSSearchForm.h"
#include "gui/ui/SmsBrowser.h"
#include "support/DialogRecorder.h"
#include "support/FilesTestSupport.h"
#include "support/GuiTestSupport.h"
#include "support/TestAccount.h"

using namespace filestest; // and TestAccount's helpers with it
using guitest::whenModal;

namespace {

const QString simAddress = QStringLiteral("127.0.0.70");
const QString dyingAddress = QStringLiteral("127.0.0.76");
const QString pushingAddress = QStringLiteral("127.0.0.77");

// Answers the next connection dialog: WiFi to the address, Connect.
void connectTo(const QString& address)
{
    whenModal(QStringLiteral("ConnectionForm"), [address](QWidget* modal) {
        QTest::mouseClick(modal->findChild<QRadioButton*>("raWifi"), Qt::LeftButton);
        modal->findChild<QLineEdit*>("txtWifiAddr")->setText(address);
        QTest::mouseClick(modal->findChild<QPushButton*>("btnConnect"), Qt::LeftButton);
    });
}

// Keeps each box open for a while, as a user reading it would (events go on meanwhile), and
// notes whether a connection dialog was on screen behind it.
class BoxWitness : public DialogRecorder
{
public:
    int message(QMessageBox::Icon icon, const QString& title, const QString& text,
                QMessageBox::StandardButtons buttons) override
    {
        bool shown = false;
        for (QWidget* widget : QApplication::topLevelWidgets())
            shown = shown || (qobject_cast<ConnectionForm*>(widget) && widget->isVisible());
        connectionFormShown.append(shown);
        const int answer = DialogRecorder::message(icon, title, text, buttons);
        QTest::qWait(300);
        return answer;
    }
    QList<bool> connectionFormShown;
};

// The account as the program shows it: every message with its conversation's contact name.
QStringList accountRows()
{
    QList<SMSInfo> list;
    for (Sqlite3Cursor row = currentDatabase()->queryThrow(wholeAccountQuery().ordered());
         row.moveNext();)
        list.append(readSMSRow(row));
    QStringList rows = keys(list);
    rows.sort();
    return rows;
}

} // namespace

class TestUiEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void aUsersSession();
    void phoneDiesDuringTheOfferedBackup();
    void exitWhileMessagesArrive();
    void exportThenImportIntoSecondAccount_data();
    void exportThenImportIntoSecondAccount();

private:
    void connectAndBackup(MainWindow& window);
    void replyInChat(MainWindow& window);
    void composeToManyWithOneRefused(MainWindow& window);
    void receiveFromANewNumber(MainWindow& window);
    void searchForAWord(MainWindow& window);
    void restoreToThePhone(MainWindow& window);

    TestAccount m_account;
    DialogRecorder* m_dialogs = nullptr;
    tbtest::PhoneSimProcess m_sim;
    int m_backedUp = 0;
};

void TestUiEndToEnd::initTestCase()
{
    PhoneJobTimings::setForTests(50, 10);
    QVERIFY2(m_sim.start(simAddress, {"--count", "300", "--contacts", "20", "--seed", "7"}),
             qPrintable(m_sim.errorText()));
}

void TestUiEndToEnd::cleanupTestCase()
{
    clearConnection();
    m_sim.stop();
}

void TestUiEndToEnd::connectAndBackup(MainWindow& window)
{
    m_dialogs->queueButton(QMessageBox::Yes); // back up now
    connectTo(simAddress);
    window.actions()->miConnection();
    QVERIFY(currentConnection());
    QString done;
    QVERIFY(m_sim.waitForLine(QStringLiteral("BACKUP-DONE"), 15000, &done));
    m_backedUp = done.section(QLatin1Char(' '), 1, 1).toInt();
    QVERIFY(m_backedUp > 0);
    QCOMPARE(m_dialogs->shown(),
             (QStringList{"Q: Connect successfully. Want to sync SMS to computer now?",
                          QStringLiteral("I: Successfully import %1 SMS.").arg(m_backedUp)}));

    // Stored, listed, and the newest conversation selected.
    QCOMPARE(scalar("select count(*) from sms"), m_backedUp);
    QCOMPARE(contactLines(window.contactsModel()->entries()), groupedContacts());
    QCOMPARE(window.contactsView()->currentIndex().row(), 0);
}

void TestUiEndToEnd::replyInChat(MainWindow& window)
{
    // The second conversation: the reply moves it to the top of the list.
    const ContactEntry entry = window.contactsModel()->entries().at(1);
    window.onContactDoubleClicked(window.contactsModel()->index(1, 0));
    ConversationForm* chat = ConversationForm::conversation(entry.suffix);
    QVERIFY(chat && chat->isVisible());
    const int before = int(chat->history()->messageCount());

    m_dialogs->clear();
    const QString reply = QStringLiteral("Reply from the chat, 5 & <ok>");
    chat->replyEdit()->setPlainText(reply);
    QTest::mouseClick(chat->findChild<QPushButton*>("btnSendSMS"), Qt::LeftButton);
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("Message sent successfully."));
    QVERIFY(m_sim.waitForLine("SENT"));
    QCOMPARE(scalar(QStringLiteral("select count(*) from sms where body=? and is_send=1"), reply),
             1);
    QCOMPARE(chat->history()->pageMessages().last().body, reply);
    QVERIFY(chat->replyEdit()->toPlainText().isEmpty());
    QCOMPARE(chat->statusLabel()->text(), QStringLiteral("Total:%1").arg(before + 1));
    // The main window shows it too, the conversation now first.
    QCOMPARE(window.conversationView()->pageMessages().last().body, reply);
    QCOMPARE(contactLines(window.contactsModel()->entries()), groupedContacts());
}

void TestUiEndToEnd::receiveFromANewNumber(MainWindow& window)
{
    const QString body = QStringLiteral("Hello from a brand-new number");
    // Stored dates are whole seconds: a message of the same second as the reply would tie with
    // it for the top of the list.
    const qint64 newest = scalar(QStringLiteral("select max(date) from sms"));
    QTRY_VERIFY_WITH_TIMEOUT(QDateTime::currentSecsSinceEpoch() > newest, 3000);
    m_sim.push(QStringLiteral("+44 7700 900123"), body);
    QVERIFY(m_sim.waitForPushed(1));
    QTRY_COMPARE_WITH_TIMEOUT(scalar(QStringLiteral("select count(*) from sms where body=?"), body),
                              1, 15000);
    // Its conversation comes first (the list is the account's), selected and shown.
    QCOMPARE(window.contactsView()->currentIndex().row(), 0);
    QCOMPARE(window.conversationView()->pageMessages().last().body, body);
    ConversationForm* chat = ConversationForm::conversation("700900123");
    QVERIFY(chat && chat->isVisible());
    QCOMPARE(contactLines(window.contactsModel()->entries()), groupedContacts());
}

void TestUiEndToEnd::searchForAWord(MainWindow& window)
{
    window.actions()->miSearch();
    SMSSearchForm* search = window.actions()->searchForm();
    QVERIFY(search && search->isVisible());
    search->keywordEdit()->setText(QStringLiteral("brand-NEW"));
    QTest::mouseClick(search->findChild<QPushButton*>("btnSearch"), Qt::LeftButton);
    QCOMPARE(search->statusLabel()->text(), QStringLiteral("Total:1"));
    window.actions()->miSearch(); // the same dialog, with its results
    QCOMPARE(window.actions()->searchForm(), search);
    QCOMPARE(search->statusLabel()->text(), QStringLiteral("Total:1"));
}

void TestUiEndToEnd::restoreToThePhone(MainWindow& window)
{
    // One conversation, then everything; the account stays as it was.
    window.contactsView()->setCurrentIndex(window.contactsModel()->index(2, 0));
    const int all = scalar("select count(*) from sms");
    m_dialogs->clear();
    for (const auto& [command, count] : {std::pair{&MainActions::miThreadToAndroid,
                                                   int(window.conversationView()->messageCount())},
                                         {&MainActions::miSyncToAndroid, all}}) {
        const int from = m_sim.lineCount();
        (window.actions()->*command)();
        QCOMPARE(m_dialogs->lastText(),
                 QStringLiteral("Successfully restore %1 SMS to Android.").arg(count));
        QVERIFY(m_sim.waitForLine(QStringLiteral("RESTORED %1 ").arg(count), 15000, nullptr, from));
    }
    QCOMPARE(scalar("select count(*) from sms"), all);
}

void TestUiEndToEnd::composeToManyWithOneRefused(MainWindow& window)
{
    const auto sent = [this] { return m_sim.linesStartingWith(QStringLiteral("SENT ")).size(); };
    // The phone refuses the second recipient (no number): the first got the message, the
    // third did not, and a second Send reaches only the ones left, while a job holds the
    // account: sent is sent, and stored once the job has ended.
    DraftSMSForm compose;
    compose.recipientsEdit()->setText(QStringLiteral(" 0170 111 , Nobody( ) ,0170 222,"));
    compose.contentEdit()->setPlainText(QStringLiteral("see you at eight"));
    m_dialogs->clear();
    const qsizetype before = sent();
    compose.onBtnSendPressed();
    QCOMPARE(sent(), before + 1);
    QCOMPARE(m_dialogs->shown().size(), 2);
    QVERIFY(m_dialogs->shown().at(0).startsWith(QStringLiteral("C: ")));
    QCOMPARE(m_dialogs->shown().at(1),
             QStringLiteral("W: The message was sent to: 0170 111\nIt was not sent to: "
                            "Nobody( ), 0170 222\nPress Send again to send it to those only."));
    QCOMPARE(compose.recipientsEdit()->text(), QStringLiteral("Nobody( ), 0170 222"));
    QCOMPARE(
        scalar("select count(*) from sms where address=? and body='see you at eight'", "0170 111"),
        1); // stored without the blanks around it
    compose.recipientsEdit()->setText(QStringLiteral("0170 222"));
    auto job = std::make_unique<Transaction>(currentDatabase());
    compose.onBtnSendPressed();
    QTRY_COMPARE(sent(), before + 2);
    QCOMPARE(m_dialogs->lastText(), QStringLiteral("Message sent successfully."));
    QCOMPARE(compose.result(), int(QDialog::Accepted));
    QCOMPARE(compose.sentMessages().size(), 2);
    QCOMPARE(window.contactsModel()->rowOfSuffix(QStringLiteral("0170222")), -1);
    job.reset();
    QTRY_VERIFY(window.contactsModel()->rowOfSuffix(QStringLiteral("0170222")) >= 0);
}

void TestUiEndToEnd::aUsersSession()
{
    DialogRecorder dialogs;
    m_dialogs = &dialogs;
    QVERIFY(m_account.open(QStringLiteral("e2e.db")));
    MainWindow window;
    setMainWindowInstance(&window);
    const auto leave = qScopeGuard([this, &window] {
        setMainWindowInstance(nullptr);
        window.listener()->stop();
        ConversationForm::releaseAllConversations();
        m_dialogs = nullptr;
    });
    window.show();
    // Each step builds on the ones before; the first that fails ends the session.
    for (auto step :
         {&TestUiEndToEnd::connectAndBackup, &TestUiEndToEnd::replyInChat,
          &TestUiEndToEnd::composeToManyWithOneRefused, &TestUiEndToEnd::receiveFromANewNumber,
          &TestUiEndToEnd::searchForAWord, &TestUiEndToEnd::restoreToThePhone}) {
        (this->*step)(window);
        if (QTest::currentTestFailed())
            return;
    }
    window.close(); // and with it the chat and search windows
    QVERIFY(!ConversationForm::conversation("700900123")->isVisible());
    QVERIFY(!window.actions()->searchForm()->isVisible());
}

void TestUiEndToEnd::phoneDiesDuringTheOfferedBackup()
{
    // The backup offered after connecting falls silent, the phone's listener connection drops,
    // then the phone dies: the listener fails first, the job while its box is still open.
    tbtest::PhoneSimProcess phone;
    QVERIFY2(phone.start(dyingAddress, {"--count", "500", "--misbehave", "stall-mid"}),
             qPrintable(phone.errorText()));
    QVERIFY(m_account.open(QStringLiteral("dying.db")));
    BoxWitness boxes;
    boxes.queueButton(QMessageBox::Yes); // back up now
    MainWindow window;
    setMainWindowInstance(&window);
    window.show();
    connectTo(dyingAddress);
    bool dropped = false;
    QObject scope; // ends the timers below with the test
    std::function<void()> breakThePhone = [&] {
        if (!dropped && phone.logText().contains(QStringLiteral("misbehave stall-mid now")) &&
            !phone.linesStartingWith(QStringLiteral("LISTENER")).isEmpty()) {
            phone.sendCommand(QStringLiteral("drop-listeners"));
            dropped = true;
        }
        if (dropped && !window.listener()->isRunning())
            phone.stop();
        else
            QTimer::singleShot(20, &scope, breakThePhone);
    };
    QTimer::singleShot(20, &scope, breakThePhone);
    window.actions()->miConnection();
    setMainWindowInstance(nullptr);

    // The job's box, then the listener's, its question right after it.
    const QStringList shown = boxes.shown();
    QCOMPARE(shown.size(), 4);
    QCOMPARE(shown.at(0),
             QStringLiteral("Q: Connect successfully. Want to sync SMS to computer now?"));
    QVERIFY2(shown.at(1).startsWith(QStringLiteral("C: Error occurred. Please contact")),
             qPrintable(shown.at(1)));
    QVERIFY2(shown.at(2).startsWith(
                 QStringLiteral("C: Error occurred during monitoring message receiving.")),
             qPrintable(shown.at(2)));
    QCOMPARE(shown.at(3), QStringLiteral("Q: Want to restart monitoring message receiving?"));
    // Only the offer was shown over the connection dialog, which is gone afterwards.
    QCOMPARE(boxes.connectionFormShown, QList<bool>({true, false, false, false}));
    for (QWidget* widget : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<ConnectionForm*>(widget));
    QCOMPARE(scalar("select count(*) from sms"), 0);
    clearConnection();
}

void TestUiEndToEnd::exitWhileMessagesArrive()
{
    // Menu, Exit right after a backup while the phone pushes a message every 50 ms: the exit
    // comes between a message's arrival and its chat window.
    tbtest::PhoneSimProcess phone;
    QVERIFY2(phone.start(pushingAddress, {"--count", "200", "--push-every", "50"}),
             qPrintable(phone.errorText()));
    QVERIFY(m_account.open(QStringLiteral("exit.db")));
    setConnection(pushingAddress, pushingAddress, false);
    DialogRecorder boxes;
    QMutex mutex;
    QStringList received;
    std::atomic_bool exitArmed = false;
    QAction* exitAction = nullptr;
    QObject scope; // ends the connection and timers below with the test
    MainWindow window;
    ListenJob& listener = window.listener()->job();
    // Ahead of the window's own connection, so the exit is queued before the message.
    disconnect(&listener, &ListenJob::receivedSMS, &window, &MainWindow::onReceivedSMS);
    connect(
        &listener, &ListenJob::receivedSMS, &scope,
        [&](const SMSInfo& sms) {
            const QMutexLocker lock(&mutex);
            received.append(sms.body);
            if (exitArmed.exchange(false))
                QMetaObject::invokeMethod(exitAction, &QAction::trigger, Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    connect(&listener, &ListenJob::receivedSMS, &window, &MainWindow::onReceivedSMS);
    for (QAction* action : window.findChild<QMenu*>("menuMenu")->actions())
        exitAction = action->text() == QLatin1String("Exit") ? action : exitAction;
    QVERIFY(exitAction);
    window.listener()->restart();
    QTimer::singleShot(0, &scope, [&] {
        window.startBackupFromPhone();
        exitArmed = true;
    });
    QTimer::singleShot(10000, &scope, [] { QCoreApplication::exit(1); }); // a hang fails
    QCOMPARE(window.runUntilClosed(), 0);

    QVERIFY(!window.listener()->isRunning());
    for (QWidget* widget : QApplication::topLevelWidgets())
        QVERIFY2(!widget->isVisible(), widget->metaObject()->className());
    QVERIFY2(boxes.lastText().startsWith(QStringLiteral("Successfully import")),
             qPrintable(boxes.lastText()));
    // Every message the listener handed over was stored.
    const QMutexLocker lock(&mutex);
    QVERIFY(!received.isEmpty());
    for (const QString& body : std::as_const(received))
        QVERIFY2(scalar("select count(*) from sms where body=?", body) >= 1, qPrintable(body));
    clearConnection();
    ConversationForm::releaseAllConversations();
}

void TestUiEndToEnd::exportThenImportIntoSecondAccount_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("csv") << "csv";
    QTest::newRow("xml") << "xml";
}

void TestUiEndToEnd::exportThenImportIntoSecondAccount()
{
    QFETCH(QString, suffix);
    QVERIFY(m_account.open(QStringLiteral("source-%1.db").arg(suffix)));
    // Awkward texts (those with a number), ordinary ones, one conversation whose messages carry
    // different names, one without any name.
    QList<SMSInfo> messages = awkwardMessages();
    messages.removeIf([](const SMSInfo& sms) { return sms.address.isEmpty(); });
    messages += generated(40, QStringLiteral("ordinary, \"quoted\""));
    messages << makeSMS("0301234", "Eve", "first", false, at(2018, 1, 1, 10, 0, 0))
             << makeSMS("0301234", "", "second", true, at(2018, 1, 1, 10, 0, 1))
             << makeSMS("0309999", "", "nameless", false, at(2018, 1, 1, 10, 0, 2));
    for (const SMSInfo& sms : messages)
        QVERIFY(store(sms));
    const QStringList sourceRows = accountRows();
    QCOMPARE(sourceRows.size(), messages.size());

    DialogRecorder recorder;
    MainWindow window;
    setMainWindowInstance(&window); // as the program's start-up does
    const auto leave = qScopeGuard([] { setMainWindowInstance(nullptr); });
    window.show();

    // Export: the name is typed without suffix, the filter adds it.
    const QString file = m_account.home() + QStringLiteral("/whole-account.") + suffix;
    recorder.queueFileName(file.chopped(suffix.size() + 1));
    recorder.queueSelectedFilter(QStringLiteral("%1 Files(*.%2)").arg(suffix.toUpper(), suffix));
    window.actions()->miExport();
    QCOMPARE(recorder.lastText(),
             QStringLiteral("Successfully export %1 SMS.").arg(messages.size()));
    QVERIFY(QFile::exists(file));

    // A second, empty account becomes the open one.
    QVERIFY(m_account.open(QStringLiteral("target-%1.db").arg(suffix)));
    window.reloadContacts();
    QCOMPARE(window.contactsModel()->rowCount(), 0);

    // Import through the preview dialog; then the same file again: nothing new, the same
    // count reported.
    for (int round = 0; round < 2; ++round) {
        recorder.clear();
        recorder.queueFileName(file);
        int previewed = -1;
        whenModal(QStringLiteral("CSVPreviewForm"), [&](QWidget* dialog) {
            previewed =
                dialog->findChild<QTreeView*>(QStringLiteral("listSMS"))->model()->rowCount();
            emit dialog->findChild<QPushButton*>(QStringLiteral("btnImportToLocal"))->pressed();
        });
        window.actions()->miImport();
        QCOMPARE(recorder.fileFilters, QStringList{"CSV Files(*.csv);;XML Files(*.xml)"});
        QCOMPARE(previewed, messages.size());
        QCOMPARE(
            recorder.shown(),
            (QStringList{QStringLiteral("I: Successfully load %1 SMS.").arg(messages.size()),
                         QStringLiteral("I: Successfully import %1 SMS.").arg(messages.size())}));
        QCOMPARE(accountRows(), sourceRows);
        // The preview dialog had the main window reload its conversations.
        QCOMPARE(contactLines(window.contactsModel()->entries()), groupedContacts());
    }
    window.close();
}

QTEST_MAIN(TestUiEndToEnd)
#include "tst_ui_endtoend.moc"
