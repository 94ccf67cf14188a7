// The account template, the account files and the account dialog.
#include <QApplication>
#include <QComboBox>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include <sqlite3.h>

#include "app/DataDirectory.h"
#include "common/DialogRecorder.h"
#include "store/AccountForm.h"
#include "store/Accounts.h"
#include "store/StoreSMS.h"
#include "store/StoreTestSupport.h"

using namespace storetest;

namespace {

QStringList accountFileNames()
{
    return dataDirectory().entryList({QStringLiteral("*.db")}, QDir::Files, QDir::Name);
}

void writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(dataDirectory().absoluteFilePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList column(Sqlite3DB& db, const QString& sql, const char* name)
{
    QStringList values;
    Sqlite3Cursor cursor = db.queryThrow(Sqlite3Sql(sql));
    while (cursor.moveNext())
        values.append(cursor.getText(QString::fromLatin1(name)));
    return values;
}

QStringList schemaNames(Sqlite3DB& db, const char* type)
{
    return column(db,
                  QStringLiteral("select name from sqlite_master where type = '%1' and name not "
                                 "like 'sqlite_%' order by name")
                      .arg(QLatin1String(type)),
                  "name");
}

QString duplicatePlan(Sqlite3DB& db)
{
    return column(db,
                  "explain query plan select count(*) from sms where date = 1 and address = '5' "
                  "and body = 'x' and is_send = 0",
                  "detail")
        .join('\n');
}

QComboBox* comboOf(QWidget& form)
{
    return form.findChild<QComboBox*>(QStringLiteral("cbAccount"));
}

void pressEnter(QWidget& form)
{
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("btnAccountEnter")),
                      Qt::LeftButton);
}

// Types the name and presses Enter as the user would.
void enter(AccountForm& form, const QString& name)
{
    comboOf(form)->setEditText(name);
    pressEnter(form);
}

void clickDelete(AccountForm& form)
{
    emit form.findChild<QLabel*>(QStringLiteral("aDelAccount"))->linkActivated(QStringLiteral("#"));
}

} // namespace

class TestAccounts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void templateProperties();
    void duplicateQueryUsesAddressDateIndex();
    void createdFileIsOwnersReadWriteCopy();
    void createRefusesExistingAndOutsideNames();
    void openFailuresKeepTheCurrentAccount();
    void currentAccountLifecycle();
    void dialogInterface();
    void listIsNewestFirstWithNoneSelected();
    void emptyName();
    void typedNameIsCreatedAfterConfirmation();
    void invalidNamesAreRefused();
    void existingFileOpensWithoutQuestion();
    void unusableFilesShowErrorAndStay();
    void fileDeletedMeanwhile();
    void deleteAccount();

private:
    QTemporaryDir m_home;
    QTranslator m_translator;
    int m_round = 0;
};

void TestAccounts::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(m_translator.load(QStringLiteral(":/en.qm")));
    QCoreApplication::installTranslator(&m_translator);
}

void TestAccounts::init()
{
    // Every case starts with no open account and an empty data folder of its own.
    if (!currentAccountName().isEmpty())
        failureOf([] { deleteAccountFile(currentAccountName()); });
    QVERIFY(currentDatabase() == nullptr);
    const QString home = m_home.filePath(QStringLiteral("home%1").arg(++m_round));
    QVERIFY(QDir().mkpath(home));
    qputenv("HOME", QFile::encodeName(home));
    QVERIFY(accountFileNames().isEmpty());
}

void TestAccounts::templateProperties()
{
    QFile resource(QStringLiteral(":/res/empty_sms.db"));
    QVERIFY(resource.open(QIODevice::ReadOnly));
    // Eight pages of 1024 bytes, and one more for the index that serves the duplicate check.
    QCOMPARE(resource.size(), 8192 + 1024);

    createAccountFile(QStringLiteral("t.db"));
    Sqlite3DB db;
    db.openThrow(accountFilePath(QStringLiteral("t.db")), SQLITE_OPEN_READWRITE);
    QCOMPARE(scalar(db, "pragma page_size"), 1024LL);
    QCOMPARE(scalar(db, "pragma user_version"), 0LL);
    QCOMPARE(column(db, "pragma encoding", "encoding"), QStringList{"UTF-8"});
    QCOMPARE(dump(db), QStringLiteral("sms|NULL|\n")); // no messages, sequence row without value
    QCOMPARE(schemaNames(db, "table"), QStringList{"sms"});
    QCOMPARE(schemaNames(db, "index"),
             (QStringList{"index_address", "index_address_date", "index_person", "index_suffix"}));
    QCOMPARE(schemaNames(db, "view"), (QStringList{"view_contacts", "view_sms"}));
    QCOMPARE(column(db, "pragma table_info(sms)", "name"),
             (QStringList{"sms_id", "address", "person", "date", "is_send", "body", "suffix"}));
    QCOMPARE(column(db, "pragma table_info(sms)", "type"),
             (QStringList{"INTEGER", "TEXT", "TEXT", "NUMERIC", "BOOLEAN", "TEXT", "TEXT"}));
    QCOMPARE(column(db, "pragma index_info(index_address_date)", "name"),
             (QStringList{"address", "date"}));
    // The views resolve although view_sms was made before view_contacts.
    QCOMPARE(scalar(db, "select count(*) from view_sms"), 0LL);
}

void TestAccounts::duplicateQueryUsesAddressDateIndex()
{
    createAccountFile(QStringLiteral("plan.db"));
    Sqlite3DB* db = openAccountDatabase(QStringLiteral("plan.db"));
    QString plan = duplicatePlan(*db);
    QVERIFY2(plan.contains(QLatin1String("USING INDEX index_address_date (address=? AND date=?)")),
             qPrintable(plan));

    // Account files made before the index existed lack it; they keep working.
    db->executeThrow(Sqlite3Sql("drop index index_address_date"));
    plan = duplicatePlan(*db);
    QVERIFY2(plan.contains(QLatin1String("USING INDEX index_address (address=?)")),
             qPrintable(plan));
    SMSInfo sms;
    sms.address = QStringLiteral("555");
    sms.date = QDateTime::currentDateTime();
    sms.isSend = false;
    SMSInfo copy = sms;
    QVERIFY(storeSMS(db, sms));
    QVERIFY(!storeSMS(db, copy));
    QCOMPARE(scalar(*db, "select count(*) from sms"), 1LL);
}

void TestAccounts::createdFileIsOwnersReadWriteCopy()
{
    createAccountFile(QStringLiteral("copy.db"));
    const QString path = accountFilePath(QStringLiteral("copy.db"));
    QCOMPARE(path, dataDirectory().absoluteFilePath("copy.db"));
    // Owner, group and others; the "user" flags mirror whichever applies to this process.
    QCOMPARE(QFile::permissions(path) & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile copy(path);
    QFile resource(QStringLiteral(":/res/empty_sms.db"));
    QVERIFY(copy.open(QIODevice::ReadOnly) && resource.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), resource.readAll());
}

void TestAccounts::createRefusesExistingAndOutsideNames()
{
    writeFile("busy.db", "precious");
    QVERIFY(!failureOf([] { createAccountFile(QStringLiteral("busy.db")); }).isEmpty());
    QFile busy(accountFilePath(QStringLiteral("busy.db")));
    QVERIFY(busy.open(QIODevice::ReadOnly));
    QCOMPARE(busy.readAll(), QByteArray("precious"));

    for (const QString name : {"../escape.db", "a\\b.db", "..", ""}) {
        QVERIFY2(!failureOf([&] { createAccountFile(name); }).isEmpty(), qPrintable(name));
        QVERIFY2(!failureOf([&] { deleteAccountFile(name); }).isEmpty(), qPrintable(name));
    }
    QVERIFY(!QFile::exists(appDataBaseDirectory().absoluteFilePath("Quillmarten/escape.db")));
    QVERIFY(!failureOf([] { deleteAccountFile(QStringLiteral("never.db")); }).isEmpty());
}

void TestAccounts::openFailuresKeepTheCurrentAccount()
{
    createAccountFile(QStringLiteral("good.db"));
    Sqlite3DB* good = openAccountDatabase(QStringLiteral("good.db"));
    writeFile("junk.db", QByteArray(3000, 'j'));
    writeFile("empty.db", QByteArray()); // SQLite takes it for an empty database

    QCOMPARE(failureOf([] { openAccountDatabase(QStringLiteral("junk.db")); }),
             QStringLiteral("file is not a database"));
    QCOMPARE(failureOf([] { openAccountDatabase(QStringLiteral("empty.db")); }),
             QStringLiteral("no such table: sms"));
    QCOMPARE(failureOf([] { openAccountDatabase(QStringLiteral("missing.db")); }),
             QStringLiteral("unable to open database file"));
    QVERIFY(!QFile::exists(accountFilePath(QStringLiteral("missing.db"))));
    QCOMPARE(currentAccountName(), QStringLiteral("good.db"));
    QCOMPARE(currentDatabase(), good);
    QCOMPARE(scalar(*good, "select count(*) from sms"), 0LL);
}

void TestAccounts::currentAccountLifecycle()
{
    for (const char* name : {"a.db", "b.db", "c.db"})
        createAccountFile(QString::fromLatin1(name));
    openAccountDatabase(QStringLiteral("a.db"));
    std::weak_ptr<Sqlite3DB> first = currentDatabaseShared();
    std::shared_ptr<Sqlite3DB> held = currentDatabaseShared(); // a worker still using it

    // Opening another account: the previous database lives on while it is held.
    Sqlite3DB* second = openAccountDatabase(QStringLiteral("b.db"));
    QCOMPARE(currentAccountName(), QStringLiteral("b.db"));
    QCOMPARE(currentDatabase(), second);
    QVERIFY(!first.expired() && held->isOpen());
    held.reset();
    QVERIFY(first.expired());

    // Deleting another account leaves the open one; deleting the open one closes it.
    deleteAccountFile(QStringLiteral("c.db"));
    QCOMPARE(currentDatabase(), second);
    std::weak_ptr<Sqlite3DB> open = currentDatabaseShared();
    deleteAccountFile(QStringLiteral("b.db"));
    QVERIFY(currentAccountName().isEmpty());
    QVERIFY(currentDatabase() == nullptr && open.expired());
    QCOMPARE(accountFileNames(), QStringList{"a.db"});
}

void TestAccounts::dialogInterface()
{
    AccountForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Tallowbrook - Account"));
    QCOMPARE(form.minimumSize(), QSize(400, 217));
    QCOMPARE(form.maximumSize(), QSize(400, 217));
    QCOMPARE(form.contextMenuPolicy(), Qt::NoContextMenu);
    QVERIFY(form.windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));
    QCOMPARE(form.styleSheet(), QStringLiteral("#lbAccTips {\n\tfont-size:11px;\n}"));

    auto* view = form.findChild<QGraphicsView*>(QStringLiteral("graphicsView"));
    QVERIFY(view && view->scene() && view->scene()->items().size() == 1);
    QCOMPARE(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(view->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    auto* banner = qgraphicsitem_cast<QGraphicsPixmapItem*>(view->scene()->items().first());
    QVERIFY(banner && !banner->pixmap().isNull());

    auto* tips = form.findChild<QLabel*>(QStringLiteral("lbAccTips"));
    QVERIFY(tips && tips->wordWrap());
    QCOMPARE(tips->text(),
             QStringLiteral("Select account or enter a new account name for SMS local database."));
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("label"))->text(), QStringLiteral("Account:"));
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("aDelAccount"))->text(),
             QStringLiteral("<a href=\"#\">Delete this account.</a>"));
    QCOMPARE(form.findChild<QPushButton*>(QStringLiteral("btnAccountEnter"))->text(),
             QStringLiteral("Enter"));
    QVERIFY(comboOf(form)->isEditable());
}

void TestAccounts::listIsNewestFirstWithNoneSelected()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QList<std::pair<QString, int>> ages = {
        {"middle.db", 5}, {"oldest.db", 30}, {"newest.db", 1}};
    for (const auto& [name, days] : ages) {
        createAccountFile(name);
        QFile file(accountFilePath(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(now.addDays(-days), QFileDevice::FileModificationTime));
    }
    writeFile("notes.txt", "not an account");
    QVERIFY(dataDirectory().mkdir("folder.db"));

    AccountForm form;
    QComboBox* combo = comboOf(form);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i) {
        shown.append(combo->itemText(i));
        QVERIFY(!combo->itemIcon(i).isNull());
    }
    QCOMPARE(shown, (QStringList{"newest.db", "middle.db", "oldest.db"}));
    QCOMPARE(combo->currentIndex(), -1);
    QVERIFY(combo->currentText().isEmpty());
}

void TestAccounts::emptyName()
{
    DialogRecorder boxes;
    {
        AccountForm form;
        form.show();
        enter(form, QString()); // unanswered: No
        QCOMPARE(boxes.messages.size(), 1);
        QCOMPARE(boxes.messages.first().icon, QMessageBox::Question);
        QCOMPARE(boxes.lastText(),
                 QStringLiteral("No account existing. Want to create default Account?"));
        QVERIFY(accountFileNames().isEmpty());
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(form.isVisible());

        boxes.queueButton(QMessageBox::Yes);
        enter(form, QStringLiteral("   "));
        QCOMPARE(accountFileNames(), QStringList{"default.db"});
        QCOMPARE(currentAccountName(), QStringLiteral("default.db"));
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }
    // With accounts listed, an empty name is refused.
    boxes.clear();
    AccountForm form;
    enter(form, QStringLiteral(" "));
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages.first().icon, QMessageBox::Warning);
    QCOMPARE(boxes.lastText(), QStringLiteral("Please select or create Account."));
    QCOMPARE(form.result(), int(QDialog::Rejected));
}

void TestAccounts::typedNameIsCreatedAfterConfirmation()
{
    DialogRecorder boxes;
    AccountForm form;
    enter(form, QStringLiteral("work")); // answered No
    QCOMPARE(boxes.lastText(), QStringLiteral("Confirm to create account work?"));
    QVERIFY(accountFileNames().isEmpty());

    boxes.queueButton(QMessageBox::Yes);
    enter(form, QStringLiteral(" work "));
    QCOMPARE(accountFileNames(), QStringList{"work.db"});
    QCOMPARE(currentAccountName(), QStringLiteral("work.db"));
    QCOMPARE(form.result(), int(QDialog::Accepted));

    // The extension check ignores case and keeps the name as typed.
    AccountForm second;
    boxes.queueButton(QMessageBox::Yes);
    enter(second, QStringLiteral("Private.DB"));
    QCOMPARE(boxes.lastText(), QStringLiteral("Confirm to create account Private.DB?"));
    QCOMPARE(accountFileNames(), (QStringList{"Private.DB", "work.db"}));
    QCOMPARE(currentAccountName(), QStringLiteral("Private.DB"));

    // "work" again: work.db exists, so copying the template fails and nothing else changes.
    AccountForm third;
    boxes.clear();
    boxes.queueButton(QMessageBox::Yes);
    enter(third, QStringLiteral("work"));
    QCOMPARE(boxes.messages.size(), 2);
    QCOMPARE(boxes.messages.last().icon, QMessageBox::Critical);
    QCOMPARE(third.result(), int(QDialog::Rejected));
    QCOMPARE(currentAccountName(), QStringLiteral("Private.DB"));
}

void TestAccounts::invalidNamesAreRefused()
{
    DialogRecorder boxes;
    AccountForm form;
    for (const char* name :
         {"a/b", "what?", "back\\slash", "c:d", "star*", "\"q\"", "<x", "y>", "pi|pe", "../up"}) {
        boxes.clear();
        enter(form, QString::fromLatin1(name));
        QCOMPARE(boxes.messages.size(), 1);
        QCOMPARE(boxes.messages.first().icon, QMessageBox::Warning);
        QCOMPARE(boxes.lastText(),
                 QStringLiteral("Invalid account(can't contain \\ / : * ? \" < > | etc)."));
    }
    QVERIFY(accountFileNames().isEmpty());
    QCOMPARE(appDataBaseDirectory().entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"Quillmarten"});
    QCOMPARE(form.result(), int(QDialog::Rejected));
}

void TestAccounts::existingFileOpensWithoutQuestion()
{
    createAccountFile(QStringLiteral("home.db"));
    createAccountFile(QStringLiteral("away.db"));
    DialogRecorder boxes;
    AccountForm form;
    // Run modally, as at start-up; choose from the list and press Enter.
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        comboOf(*modal)->setCurrentIndex(comboOf(*modal)->findText("away.db"));
        pressEnter(*modal);
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QVERIFY(boxes.messages.isEmpty());
    QCOMPARE(currentAccountName(), QStringLiteral("away.db"));
}

void TestAccounts::unusableFilesShowErrorAndStay()
{
    createAccountFile(QStringLiteral("fine.db"));
    openAccountDatabase(QStringLiteral("fine.db"));
    Sqlite3DB* before = currentDatabase();
    writeFile("photo.db", QByteArray(5000, '\x89'));
    writeFile("empty.db", QByteArray());
    QStringList expected = {"file is not a database", "no such table: sms"};
    QStringList names = {"photo.db", "empty.db"};
    createAccountFile(QStringLiteral("locked.db"));
    QVERIFY(QFile::setPermissions(accountFilePath("locked.db"), QFileDevice::ReadOwner));
    QFile probe(accountFilePath("locked.db"));
    if (!probe.open(QIODevice::ReadWrite)) { // permissions do not bind root
        names.append("locked.db");
        expected.append("attempt to write a readonly database");
    }

    DialogRecorder boxes;
    AccountForm form;
    form.show();
    for (int i = 0; i < names.size(); ++i) {
        boxes.clear();
        enter(form, names.at(i));
        QCOMPARE(boxes.messages.size(), 1);
        QCOMPARE(boxes.messages.first().icon, QMessageBox::Critical);
        QVERIFY2(boxes.lastText().endsWith("Error info:\n" + expected.at(i)),
                 qPrintable(boxes.lastText()));
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(form.isVisible());
        QCOMPARE(currentAccountName(), QStringLiteral("fine.db"));
        QCOMPARE(currentDatabase(), before);
    }
    // The user can go on and choose a good account.
    enter(form, QStringLiteral("fine.db"));
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestAccounts::fileDeletedMeanwhile()
{
    createAccountFile(QStringLiteral("vanishing.db"));
    DialogRecorder boxes;
    AccountForm form;
    comboOf(form)->setCurrentIndex(0);
    QFile::remove(accountFilePath(QStringLiteral("vanishing.db")));

    // Enter: the file is gone, so it would be a new account; declined, nothing is made.
    pressEnter(form);
    QCOMPARE(boxes.lastText(), QStringLiteral("Confirm to create account vanishing.db?"));
    QVERIFY(accountFileNames().isEmpty());
    QCOMPARE(form.result(), int(QDialog::Rejected));

    // Delete: removing fails, the error shows and the list stays as it was.
    boxes.clear();
    boxes.queueButton(QMessageBox::Yes);
    clickDelete(form);
    QCOMPARE(boxes.messages.size(), 2);
    QCOMPARE(boxes.messages.last().icon, QMessageBox::Critical);
    QCOMPARE(comboOf(form)->count(), 1);
}

void TestAccounts::deleteAccount()
{
    createAccountFile(QStringLiteral("keep.db"));
    createAccountFile(QStringLiteral("drop.db"));
    DialogRecorder boxes;
    AccountForm form;
    for (const char* name : {"nothing.db", "DROP.db"}) { // the match is case-sensitive
        comboOf(form)->setEditText(QString::fromLatin1(name));
        clickDelete(form);
        QCOMPARE(boxes.lastText(), QStringLiteral("Please select existing account to delete."));
    }
    comboOf(form)->setEditText(QStringLiteral("drop.db"));
    clickDelete(form); // answered No
    QCOMPARE(boxes.lastText(), QStringLiteral("Confirm to delete this account?"));
    QCOMPARE(accountFileNames(), (QStringList{"drop.db", "keep.db"}));

    boxes.clear();
    boxes.queueButton(QMessageBox::Yes);
    clickDelete(form);
    QCOMPARE(boxes.messages.size(), 2);
    QCOMPARE(boxes.messages.last().icon, QMessageBox::Information);
    QCOMPARE(boxes.lastText(), QStringLiteral("Successfully delete account."));
    QCOMPARE(accountFileNames(), QStringList{"keep.db"});
    QCOMPARE(comboOf(form)->count(), 1);
    QCOMPARE(comboOf(form)->currentIndex(), -1);
    QCOMPARE(form.result(), int(QDialog::Rejected));
}

QTEST_MAIN(TestAccounts)
#include "tst_accounts.moc"
