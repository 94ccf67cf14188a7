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

const char* const duplicateQuery =
    "select count(*) from sms where date = ? and address = ? and body = ? and is_send = ?";

QStringList accountFileNames()
{
    return dataDirectory().entryList({QStringLiteral("*.db")}, QDir::Files, QDir::Name);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QStringList namesOf(Sqlite3DB& db, const char* type)
{
    QStringList names;
    Sqlite3Cursor cursor = db.queryThrow(
        Sqlite3Sql("select name from sqlite_master where type = ? and name not like 'sqlite_%' "
                   "order by name")
            .addTextParam(QString::fromLatin1(type)));
    while (cursor.moveNext())
        names.append(cursor.getText("name"));
    return names;
}

QString duplicatePlan(Sqlite3DB& db)
{
    Sqlite3Cursor cursor =
        db.queryThrow(Sqlite3Sql(QStringLiteral("explain query plan ") + duplicateQuery)
                          .addInt64Param(0)
                          .addTextParam("555")
                          .addTextParam("x")
                          .addIntParam(0));
    QString plan;
    while (cursor.moveNext())
        plan += cursor.getText("detail") + QLatin1Char('\n');
    return plan;
}

} // namespace

class TestAccounts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    // template and account files
    void templateProperties();
    void duplicateQueryUsesAddressDateIndex();
    void accountWithoutExtraIndexStillWorks();
    void createdFileIsOwnersReadWriteCopy();
    void createRefusesExistingAndOutsideNames();
    void openFailuresKeepTheCurrentAccount();
    void openingAnotherAccountReleasesThePrevious();
    void deletingTheOpenAccountClosesIt();

    // dialog
    void dialogInterface();
    void listIsNewestFirstWithNoneSelected();
    void emptyFolderOffersDefaultAccount();
    void emptyNameWithAccountsListedIsRefused();
    void typedNameIsCreatedAfterConfirmation();
    void invalidNamesAreRefused();
    void existingFileOpensWithoutQuestion();
    void existingFileTypedWithoutExtension();
    void notADatabaseShowsErrorAndStays();
    void emptySQLiteFileIsNotAnAccount();
    void writeProtectedFileShowsErrorAndStays();
    void fileDeletedMeanwhile();
    void deleteAccount();
    void modalRunAcceptsAfterEnter();

private:
    QTemporaryDir m_home;
    QTranslator m_translator;
    int m_round = 0;
};

void TestAccounts::initTestCase()
{
    QVERIFY(m_home.isValid());
    isolateHome(m_home);
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
    QCOMPARE(resource.read(16), QByteArray("SQLite format 3\0", 16));

    createAccountFile(QStringLiteral("t.db"));
    Sqlite3DB db;
    db.openThrow(accountFilePath(QStringLiteral("t.db")), SQLITE_OPEN_READWRITE);
    QCOMPARE(scalar(db, "pragma page_size"), 1024LL);
    QCOMPARE(scalar(db, "pragma user_version"), 0LL);
    Sqlite3Cursor encoding = db.queryThrow(Sqlite3Sql("pragma encoding"));
    QVERIFY(encoding.moveNext());
    QCOMPARE(encoding.getText(0), QStringLiteral("UTF-8"));
    QCOMPARE(dump(db), QStringLiteral("sms|NULL|\n")); // no messages, sequence row without value

    QCOMPARE(namesOf(db, "table"), QStringList{"sms"});
    QCOMPARE(namesOf(db, "index"),
             (QStringList{"index_address", "index_address_date", "index_person", "index_suffix"}));
    QCOMPARE(namesOf(db, "view"), (QStringList{"view_contacts", "view_sms"}));

    QStringList columns;
    Sqlite3Cursor info = db.queryThrow(Sqlite3Sql("pragma table_info(sms)"));
    while (info.moveNext()) {
        columns.append(QStringLiteral("%1 %2%3%4")
                           .arg(info.getText("name"), info.getText("type"))
                           .arg(info.getInt("pk") ? " pk" : "")
                           .arg(info.getInt("notnull") ? " notnull" : ""));
    }
    QCOMPARE(columns, (QStringList{"sms_id INTEGER pk notnull", "address TEXT", "person TEXT",
                                   "date NUMERIC", "is_send BOOLEAN", "body TEXT", "suffix TEXT"}));
    QStringList indexed;
    Sqlite3Cursor index = db.queryThrow(Sqlite3Sql("pragma index_info(index_address_date)"));
    while (index.moveNext())
        indexed.append(index.getText("name"));
    QCOMPARE(indexed, (QStringList{"address", "date"}));
    // The views resolve although view_sms was made before view_contacts.
    QCOMPARE(scalar(db, "select count(*) from view_sms"), 0LL);
    QCOMPARE(scalar(db, "select count(*) from view_contacts"), 0LL);
}

void TestAccounts::duplicateQueryUsesAddressDateIndex()
{
    createAccountFile(QStringLiteral("plan.db"));
    Sqlite3DB* db = openAccountDatabase(QStringLiteral("plan.db"));
    const QString plan = duplicatePlan(*db);
    QVERIFY2(plan.contains(QLatin1String("USING INDEX index_address_date")), qPrintable(plan));
    QVERIFY2(!plan.contains(QLatin1String("SCAN")), qPrintable(plan));
}

void TestAccounts::accountWithoutExtraIndexStillWorks()
{
    // Account files made before the index existed lack it.
    createAccountFile(QStringLiteral("old.db"));
    {
        Sqlite3DB db;
        db.openThrow(accountFilePath(QStringLiteral("old.db")), SQLITE_OPEN_READWRITE);
        db.executeThrow(Sqlite3Sql("drop index index_address_date"));
    }
    Sqlite3DB* db = openAccountDatabase(QStringLiteral("old.db"));
    QVERIFY(duplicatePlan(*db).contains(QLatin1String("index_address")));
    SMSInfo sms;
    sms.address = QStringLiteral("555");
    sms.body = QStringLiteral("hi");
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
    writeFile(dataDirectory().absoluteFilePath("busy.db"), "precious");
    QVERIFY(!failureOf([] { createAccountFile(QStringLiteral("busy.db")); }).isEmpty());
    QFile busy(dataDirectory().absoluteFilePath("busy.db"));
    QVERIFY(busy.open(QIODevice::ReadOnly));
    QCOMPARE(busy.readAll(), QByteArray("precious"));

    for (const QString& name : {QStringLiteral("../escape.db"), QStringLiteral("a\\b.db"),
                                QStringLiteral(".."), QString()}) {
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
    writeFile(dataDirectory().absoluteFilePath("junk.db"), QByteArray(3000, 'j'));

    QCOMPARE(failureOf([] { openAccountDatabase(QStringLiteral("junk.db")); }),
             QStringLiteral("file is not a database"));
    QCOMPARE(failureOf([] { openAccountDatabase(QStringLiteral("missing.db")); }),
             QStringLiteral("unable to open database file"));
    QVERIFY(!QFile::exists(dataDirectory().absoluteFilePath("missing.db")));
    QCOMPARE(currentAccountName(), QStringLiteral("good.db"));
    QCOMPARE(currentDatabase(), good);
    QVERIFY(good->isOpen());
    QCOMPARE(scalar(*good, "select count(*) from sms"), 0LL);
}

void TestAccounts::openingAnotherAccountReleasesThePrevious()
{
    createAccountFile(QStringLiteral("a.db"));
    createAccountFile(QStringLiteral("b.db"));
    openAccountDatabase(QStringLiteral("a.db"));
    std::weak_ptr<Sqlite3DB> first = currentDatabaseShared();
    std::shared_ptr<Sqlite3DB> held = currentDatabaseShared(); // a worker still using it

    Sqlite3DB* second = openAccountDatabase(QStringLiteral("b.db"));
    QCOMPARE(currentAccountName(), QStringLiteral("b.db"));
    QCOMPARE(currentDatabase(), second);
    QVERIFY(!first.expired());
    QVERIFY(held->isOpen());
    held.reset();
    QVERIFY(first.expired());
}

void TestAccounts::deletingTheOpenAccountClosesIt()
{
    createAccountFile(QStringLiteral("gone.db"));
    createAccountFile(QStringLiteral("other.db"));
    openAccountDatabase(QStringLiteral("gone.db"));
    deleteAccountFile(QStringLiteral("other.db"));
    QCOMPARE(currentAccountName(), QStringLiteral("gone.db"));
    QVERIFY(currentDatabase() != nullptr);

    std::weak_ptr<Sqlite3DB> open = currentDatabaseShared();
    deleteAccountFile(QStringLiteral("gone.db"));
    QVERIFY(currentAccountName().isEmpty());
    QVERIFY(currentDatabase() == nullptr);
    QVERIFY(open.expired());
    QVERIFY(accountFileNames().isEmpty());
}

namespace {

QComboBox* comboOf(AccountForm& form)
{
    return form.findChild<QComboBox*>(QStringLiteral("cbAccount"));
}

// Types the name and presses Enter as the user would.
void enter(AccountForm& form, const QString& name)
{
    comboOf(form)->setEditText(name);
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("btnAccountEnter")),
                      Qt::LeftButton);
}

} // namespace

void TestAccounts::dialogInterface()
{
    AccountForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Tallowbrook - Account"));
    QCOMPARE(form.minimumSize(), QSize(400, 217));
    QCOMPARE(form.maximumSize(), QSize(400, 217));
    QCOMPARE(form.contextMenuPolicy(), Qt::NoContextMenu);
    QVERIFY(form.windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));
    QVERIFY(!form.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
    QCOMPARE(form.styleSheet(), QStringLiteral("#lbAccTips {\n\tfont-size:11px;\n}"));

    auto* view = form.findChild<QGraphicsView*>(QStringLiteral("graphicsView"));
    QVERIFY(view && view->scene());
    QCOMPARE(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(view->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(view->frameShadow(), QFrame::Sunken);
    const QList<QGraphicsItem*> items = view->scene()->items();
    QCOMPARE(items.size(), 1);
    auto* banner = qgraphicsitem_cast<QGraphicsPixmapItem*>(items.first());
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
    // The two slots are the class's only ones.
    const QMetaObject* meta = form.metaObject();
    QStringList slotNames;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        if (meta->method(i).methodType() == QMetaMethod::Slot)
            slotNames.append(QString::fromLatin1(meta->method(i).methodSignature()));
    }
    QCOMPARE(slotNames, (QStringList{"onBtnEnterClicked()", "onDeleteAccountClicked(QString)"}));
}

void TestAccounts::listIsNewestFirstWithNoneSelected()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QStringList names = {"middle.db", "oldest.db", "newest.db"};
    const QList<int> ageDays = {5, 30, 1};
    for (int i = 0; i < names.size(); ++i) {
        createAccountFile(names.at(i));
        QFile file(accountFilePath(names.at(i)));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(now.addDays(-ageDays.at(i)), QFileDevice::FileModificationTime));
    }
    writeFile(dataDirectory().absoluteFilePath("notes.txt"), "not an account");
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
    QCOMPARE(form.accountFiles().size(), 3);
}

void TestAccounts::emptyFolderOffersDefaultAccount()
{
    DialogRecorder boxes;
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
    QCOMPARE(boxes.messages.size(), 2);
    QCOMPARE(accountFileNames(), QStringList{"default.db"});
    QCOMPARE(currentAccountName(), QStringLiteral("default.db"));
    QVERIFY(currentDatabase() && currentDatabase()->isOpen());
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestAccounts::emptyNameWithAccountsListedIsRefused()
{
    createAccountFile(QStringLiteral("one.db"));
    DialogRecorder boxes;
    AccountForm form;
    enter(form, QStringLiteral(" "));
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages.first().icon, QMessageBox::Warning);
    QCOMPARE(boxes.lastText(), QStringLiteral("Please select or create Account."));
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QVERIFY(currentDatabase() == nullptr);
}

void TestAccounts::typedNameIsCreatedAfterConfirmation()
{
    DialogRecorder boxes;
    {
        AccountForm form;
        enter(form, QStringLiteral("work")); // answered No
        QCOMPARE(boxes.lastText(), QStringLiteral("Confirm to create account work?"));
        QVERIFY(accountFileNames().isEmpty());
        QCOMPARE(form.result(), int(QDialog::Rejected));

        boxes.queueButton(QMessageBox::Yes);
        enter(form, QStringLiteral(" work "));
        QCOMPARE(accountFileNames(), QStringList{"work.db"});
        QCOMPARE(currentAccountName(), QStringLiteral("work.db"));
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }
    {
        // The extension check ignores case and keeps the name as typed.
        AccountForm form;
        boxes.queueButton(QMessageBox::Yes);
        enter(form, QStringLiteral("Private.DB"));
        QCOMPARE(boxes.lastText(), QStringLiteral("Confirm to create account Private.DB?"));
        QCOMPARE(accountFileNames(), (QStringList{"Private.DB", "work.db"}));
        QCOMPARE(currentAccountName(), QStringLiteral("Private.DB"));
    }
}

void TestAccounts::invalidNamesAreRefused()
{
    DialogRecorder boxes;
    AccountForm form;
    const QStringList names = {"a/b",   "what?", "back\\slash", "c:d",   "star*",
                               "\"q\"", "<x",    "y>",          "pi|pe", "../up"};
    for (const QString& name : names) {
        boxes.clear();
        enter(form, name);
        QCOMPARE(boxes.messages.size(), 1);
        QCOMPARE(boxes.messages.first().icon, QMessageBox::Warning);
        QCOMPARE(boxes.lastText(),
                 QStringLiteral("Invalid account(can't contain \\ / : * ? \" < > | etc)."));
    }
    QVERIFY(accountFileNames().isEmpty());
    QCOMPARE(QDir(appDataBaseDirectory()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"Quillmarten"});
    QCOMPARE(form.result(), int(QDialog::Rejected));
}

void TestAccounts::existingFileOpensWithoutQuestion()
{
    createAccountFile(QStringLiteral("home.db"));
    createAccountFile(QStringLiteral("away.db"));
    DialogRecorder boxes;
    AccountForm form;
    comboOf(form)->setCurrentIndex(comboOf(form)->findText("away.db"));
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("btnAccountEnter")),
                      Qt::LeftButton);
    QVERIFY(boxes.messages.isEmpty());
    QCOMPARE(currentAccountName(), QStringLiteral("away.db"));
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestAccounts::existingFileTypedWithoutExtension()
{
    // "work" does not exist, "work.db" does: creating it fails and nothing else changes.
    createAccountFile(QStringLiteral("work.db"));
    DialogRecorder boxes;
    boxes.queueButton(QMessageBox::Yes);
    AccountForm form;
    enter(form, QStringLiteral("work"));
    QCOMPARE(boxes.messages.size(), 2);
    QCOMPARE(boxes.messages.last().icon, QMessageBox::Critical);
    QVERIFY(boxes.lastText().startsWith(QStringLiteral("Error occurred.")));
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QVERIFY(currentDatabase() == nullptr);
}

void TestAccounts::notADatabaseShowsErrorAndStays()
{
    createAccountFile(QStringLiteral("fine.db"));
    openAccountDatabase(QStringLiteral("fine.db"));
    Sqlite3DB* before = currentDatabase();
    writeFile(dataDirectory().absoluteFilePath("photo.db"), QByteArray(5000, '\x89'));

    DialogRecorder boxes;
    AccountForm form;
    form.show();
    enter(form, QStringLiteral("photo.db"));
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages.first().icon, QMessageBox::Critical);
    QVERIFY(boxes.lastText().endsWith(QStringLiteral("Error info:\nfile is not a database")));
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QVERIFY(form.isVisible());
    QCOMPARE(currentAccountName(), QStringLiteral("fine.db"));
    QCOMPARE(currentDatabase(), before);

    // The user can go on and choose a good account.
    enter(form, QStringLiteral("fine.db"));
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestAccounts::emptySQLiteFileIsNotAnAccount()
{
    writeFile(dataDirectory().absoluteFilePath("empty.db"), QByteArray());
    DialogRecorder boxes;
    AccountForm form;
    enter(form, QStringLiteral("empty.db"));
    QVERIFY(boxes.lastText().endsWith(QStringLiteral("\nno such table: sms")));
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QVERIFY(currentDatabase() == nullptr);
}

void TestAccounts::writeProtectedFileShowsErrorAndStays()
{
    createAccountFile(QStringLiteral("locked.db"));
    const QString path = accountFilePath(QStringLiteral("locked.db"));
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
    QFile probe(path);
    if (probe.open(QIODevice::ReadWrite))
        QSKIP("file permissions do not bind this user (running as root)");
    DialogRecorder boxes;
    AccountForm form;
    enter(form, QStringLiteral("locked.db"));
    QVERIFY(boxes.lastText().endsWith(QStringLiteral("\nattempt to write a readonly database")));
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QVERIFY(currentDatabase() == nullptr);
}

void TestAccounts::fileDeletedMeanwhile()
{
    createAccountFile(QStringLiteral("vanishing.db"));
    DialogRecorder boxes;
    AccountForm form;
    comboOf(form)->setCurrentIndex(0);
    QFile::remove(accountFilePath(QStringLiteral("vanishing.db")));

    // Enter: the file is gone, so it would be a new account; declined, nothing is made.
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("btnAccountEnter")),
                      Qt::LeftButton);
    QCOMPARE(boxes.lastText(), QStringLiteral("Confirm to create account vanishing.db?"));
    QVERIFY(accountFileNames().isEmpty());
    QCOMPARE(form.result(), int(QDialog::Rejected));

    // Delete: removing fails, the error shows and the list stays as it was.
    boxes.clear();
    boxes.queueButton(QMessageBox::Yes);
    emit form.findChild<QLabel*>(QStringLiteral("aDelAccount"))->linkActivated(QStringLiteral("#"));
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
    QLabel* link = form.findChild<QLabel*>(QStringLiteral("aDelAccount"));

    comboOf(form)->setEditText(QStringLiteral("nothing.db"));
    emit link->linkActivated(QStringLiteral("#"));
    QCOMPARE(boxes.lastText(), QStringLiteral("Please select existing account to delete."));
    comboOf(form)->setEditText(QStringLiteral("DROP.db")); // the match is case-sensitive
    emit link->linkActivated(QStringLiteral("#"));
    QCOMPARE(boxes.lastText(), QStringLiteral("Please select existing account to delete."));

    comboOf(form)->setEditText(QStringLiteral("drop.db"));
    emit link->linkActivated(QStringLiteral("#")); // answered No
    QCOMPARE(boxes.lastText(), QStringLiteral("Confirm to delete this account?"));
    QCOMPARE(accountFileNames(), (QStringList{"drop.db", "keep.db"}));

    boxes.clear();
    boxes.queueButton(QMessageBox::Yes);
    emit link->linkActivated(QStringLiteral("#"));
    QCOMPARE(boxes.messages.size(), 2);
    QCOMPARE(boxes.messages.last().icon, QMessageBox::Information);
    QCOMPARE(boxes.lastText(), QStringLiteral("Successfully delete account."));
    QCOMPARE(accountFileNames(), QStringList{"keep.db"});
    QCOMPARE(comboOf(form)->count(), 1);
    QCOMPARE(comboOf(form)->currentIndex(), -1);
    QCOMPARE(form.result(), int(QDialog::Rejected));
}

void TestAccounts::modalRunAcceptsAfterEnter()
{
    createAccountFile(QStringLiteral("modal.db"));
    DialogRecorder boxes;
    AccountForm form;
    QTimer::singleShot(0, [] {
        auto* modal = qobject_cast<AccountForm*>(QApplication::activeModalWidget());
        QVERIFY(modal);
        modal->findChild<QComboBox*>(QStringLiteral("cbAccount"))->setCurrentIndex(0);
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("btnAccountEnter")),
                          Qt::LeftButton);
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QVERIFY(boxes.messages.isEmpty());
    QCOMPARE(currentAccountName(), QStringLiteral("modal.db"));
}

QTEST_MAIN(TestAccounts)
#include "tst_accounts.moc"
