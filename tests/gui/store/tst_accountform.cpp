// The account dialog: the list of accounts, entering a name (made, opened or refused), deleting
// one, and an account that needs upgrading opened behind the progress dialog.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <sqlite3.h>

#include "core/frame/DataDirectory.h"
#include "core/store/AccountUpgrade.h"
#include "core/store/Accounts.h"
#include "gui/frame/ProgressForm.h"
#include "gui/store/AccountForm.h"
#include "support/DialogRecorder.h"
#include "support/TestAccount.h"

using namespace tbtest;

namespace {

QComboBox* comboOf(QWidget& form)
{
    return form.findChild<QComboBox*>(QStringLiteral("cbAccount"));
}

// Types the name and presses Enter as the user would.
void enter(QWidget& form, const QString& name)
{
    comboOf(form)->setEditText(name);
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("btnAccountEnter")),
                      Qt::LeftButton);
}

void clickDelete(AccountForm& form)
{
    emit form.findChild<QLabel*>(QStringLiteral("aDelAccount"))->linkActivated(QStringLiteral("#"));
}

} // namespace

class TestAccountForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void listIsNewestFirstWithNoneSelected();
    void enterName_data();
    void enterName();
    void deleteAccount();
    void largeAccountUpgradesBehindProgressDialog();

private:
    TestAccount m_account; // the catalogue, and a home folder for each case inside its own
};

void TestAccountForm::init()
{
    // Every case starts with no open account and an empty home folder of its own.
    QVERIFY(m_account.startInNewHome());
}

void TestAccountForm::listIsNewestFirstWithNoneSelected()
{
    const QDateTime now = QDateTime::currentDateTime();
    for (const auto& [name, days] :
         {std::pair{"middle.db", 5}, {"oldest.db", 30}, {"newest.db", 1}}) {
        createAccountFile(name);
        QFile file(accountFilePath(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(now.addDays(-days), QFileDevice::FileModificationTime));
    }
    put("notes.txt", "not an account");
    QVERIFY(dataDirectory().mkdir("folder.db"));

    AccountForm form;
    QComboBox* combo = comboOf(form);
    QStringList listed;
    for (int i = 0; i < combo->count(); ++i) {
        listed.append(combo->itemText(i));
        QVERIFY(!combo->itemIcon(i).isNull());
    }
    QCOMPARE(listed, (QStringList{"newest.db", "middle.db", "oldest.db"}));
    QCOMPARE(combo->currentIndex(), -1);
    QVERIFY(combo->currentText().isEmpty());
}

void TestAccountForm::enterName_data()
{
    QTest::addColumn<QStringList>("existing"); // "name", or "name=contents" for other files
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("yes");          // the answer to a question
    QTest::addColumn<QStringList>("boxes"); // "*" stands for any text
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("opened");
    const auto row = [](const char* name, const QStringList& existing, const char* typed, bool yes,
                        const QStringList& boxes, const QStringList& after, const char* opened) {
        QTest::newRow(name) << existing << QString(typed) << yes << boxes << after
                            << QString(opened);
    };
    const QString askDefault = "Q: No account existing. Want to create default Account?";
    const QString askWork = "Q: Confirm to create account work?";
    const QString error = "C: Error occurred. Please contact*Error info:\n";
    row("empty folder, declined", {}, "", false, {askDefault}, {}, "");
    row("empty folder, default made", {}, "  ", true, {askDefault}, {"default.db"}, "default.db");
    row("empty name with accounts", {"a.db"}, " ", true, {"W: Please select or create Account."},
        {"a.db"}, "");
    row("new name declined", {}, "work", false, {askWork}, {}, "");
    row("new name created", {}, " work ", true, {askWork}, {"work.db"}, "work.db");
    row("extension kept as typed", {}, "Private.DB", true,
        {"Q: Confirm to create account Private.DB?"}, {"Private.DB"}, "Private.DB");
    row("name whose .db file exists", {"work.db"}, "work", true, {}, {"work.db"}, "work.db");
    row("name of another case", {"work.db"}, "Work", true, {"Q: Confirm to create account Work?"},
        {"Work.db", "work.db"}, "Work.db");
    row("existing file, no question", {"home.db", "away.db"}, "away.db", true, {},
        {"away.db", "home.db"}, "away.db");
    row("not a database", {"junk.db=just text"}, "junk.db", true,
        {error + "file is not a database"}, {"junk.db"}, "");
    row("empty file", {"empty.db="}, "empty.db", true, {error + "no such table: sms"}, {"empty.db"},
        "");
    row("read-only file", {"locked.db=read-only"}, "locked.db", true,
        {error + "attempt to write a readonly database"}, {"locked.db"}, "");
    for (const char* name :
         {"a/b", "what?", "back\\slash", "c:d", "star*", "\"q\"", "<x", "y>", "pi|pe", "../up"}) {
        row(name, {}, name, true, {"W: Invalid account(can't contain \\ / : * ? \" < > | etc)."},
            {}, "");
    }
}

void TestAccountForm::enterName()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, typed);
    QFETCH(bool, yes);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, after);
    QFETCH(QString, opened);
    for (const QString& entry : existing) {
        const QString name = entry.section('=', 0, 0), contents = entry.section('=', 1);
        if (!entry.contains('=') || contents == QLatin1String("read-only"))
            createAccountFile(name);
        else
            put(name, contents.toLatin1());
        if (contents == QLatin1String("read-only")) {
            QVERIFY(QFile::setPermissions(accountFilePath(name), QFileDevice::ReadOwner));
            QFile probe(accountFilePath(name));
            if (probe.open(QIODevice::ReadWrite))
                QSKIP("file permissions do not bind this user");
        }
    }
    DialogRecorder recorder;
    if (yes)
        recorder.queueButton(QMessageBox::Yes);
    AccountForm form;
    // Run modally, as at start-up: type, press Enter, and close the dialog when it stayed.
    bool stayed = false;
    QTimer::singleShot(0, [&] {
        enter(form, typed);
        stayed = form.isVisible();
        if (stayed)
            form.reject();
    });
    QCOMPARE(form.exec(), int(opened.isEmpty() ? QDialog::Rejected : QDialog::Accepted));
    QCOMPARE(stayed, opened.isEmpty());
    QCOMPARE(currentAccountName(), opened);
    QCOMPARE(files(), after);
    const QStringList shown = recorder.shown();
    QCOMPARE(shown.size(), boxes.size());
    for (int i = 0; i < boxes.size(); ++i) {
        const QStringList parts = boxes.at(i).split('*');
        QVERIFY2(parts.size() == 1
                     ? shown.at(i) == parts.first()
                     : shown.at(i).startsWith(parts.first()) && shown.at(i).endsWith(parts.last()),
                 qPrintable(shown.at(i)));
    }
}

void TestAccountForm::deleteAccount()
{
    createAccountFile(QStringLiteral("keep.db"));
    createAccountFile(QStringLiteral("drop.db"));
    DialogRecorder boxes;
    AccountForm form;
    for (const char* name : {"nothing.db", "DROP.db"}) { // the match is case-sensitive
        comboOf(form)->setEditText(QString::fromLatin1(name));
        clickDelete(form);
        QCOMPARE(boxes.shown().last(),
                 QStringLiteral("W: Please select existing account to delete."));
    }
    boxes.clear();
    comboOf(form)->setEditText(QStringLiteral("drop.db"));
    clickDelete(form); // answered No
    QCOMPARE(boxes.shown(), QStringList{"Q: Confirm to delete this account?"});
    QCOMPARE(files(), (QStringList{"drop.db", "keep.db"}));

    boxes.clear();
    boxes.queueButton(QMessageBox::Yes);
    clickDelete(form);
    QCOMPARE(boxes.shown(), (QStringList{"Q: Confirm to delete this account?",
                                         "I: Successfully delete account."}));
    QCOMPARE(files(), QStringList{"keep.db"});
    QCOMPARE(comboOf(form)->currentIndex(), -1);

    // A file removed behind the dialog's back: the error shows and the list stays.
    QVERIFY(QFile::remove(accountFilePath(QStringLiteral("keep.db"))));
    comboOf(form)->setEditText(QStringLiteral("keep.db"));
    boxes.queueButton(QMessageBox::Yes);
    clickDelete(form);
    QCOMPARE(boxes.shown().size(), 4);
    QVERIFY(boxes.shown().last().startsWith("C: Error occurred."));
    QCOMPARE(comboOf(form)->count(), 1);
    QCOMPARE(form.result(), int(QDialog::Rejected));
}

void TestAccountForm::largeAccountUpgradesBehindProgressDialog()
{
    createAccountFile(QStringLiteral("big.db"));
    {
        Sqlite3DB older;
        older.openThrow(accountFilePath(QStringLiteral("big.db")), SQLITE_OPEN_READWRITE);
        older.executeThrow(Sqlite3Sql(
            "with recursive n(i) as (select 1 union all select i + 1 from n where i < 50) insert "
            "into sms(address, person, date, is_send, body, suffix) select 'a' || (i % 7), '', i, "
            "i % 2, 'message ' || i, 'a' || (i % 7) from n"));
    }
    const qint64 usual = backgroundUpgradeFrom();
    setBackgroundUpgradeFrom(10);
    DialogRecorder boxes;
    AccountForm form;
    bool progressShown = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            progressShown =
                progressShown || (qobject_cast<ProgressForm*>(widget) && widget->isVisible());
    });
    watch.start(0);
    QTimer::singleShot(0, [&] { enter(form, QStringLiteral("big.db")); });
    const int result = form.exec();
    setBackgroundUpgradeFrom(usual);
    QCOMPARE(result, int(QDialog::Accepted));
    QVERIFY(progressShown);
    QVERIFY(boxes.shown().isEmpty());
    QVERIFY(accountUpToDate(currentDatabase()));
}

QTEST_MAIN(TestAccountForm)
#include "tst_accountform.moc"
