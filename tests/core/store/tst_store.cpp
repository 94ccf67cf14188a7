// The local store: the database layer, storing and reading messages, the sources, the account
// template, the account files and the account dialog.
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <sqlite3.h>

#include "core/frame/DataDirectory.h"
#include "core/frame/TaskJob.h"
#include "core/store/AccountUpgrade.h"
#include "core/store/AccountUpgradeJob.h"
#include "core/store/Accounts.h"
#include "core/store/ConversationQuery.h"
#include "core/store/IncomingSMSGate.h"
#include "core/store/MMSStore.h"
#include "core/store/MessageInserter.h"
#include "core/store/MessageSpool.h"
#include "core/store/SMSBatchStore.h"
#include "core/store/SMSCursorSource.h"
#include "core/store/SMSQueryPageSource.h"
#include "core/store/SearchQuery.h"
#include "core/store/StoreSMS.h"
#include "core/store/StoringJobScope.h"
#include "core/store/Transaction.h"
#include "core/store/AccountJobs.h"
#include "core/store/WriteTransaction.h"
#include "support/JobTestSupport.h"
#include "support/TestAccount.h"

using namespace tbtest;

namespace {

// Empty when the search index, once the queued messages are added, holds exactly the texts of
// the messages; else SQLite's complaint.
QString searchIndexProblem(Sqlite3DB& db)
{
    const QString failure = failureOf([&db] {
        indexPendingMessages(&db);
        db.executeThrow(
            Sqlite3Sql("insert into sms_fts(sms_fts, rank) values('integrity-check', 1)"));
    });
    return failure == QLatin1String("<no exception>") ? QString() : failure;
}

// The distinct numbers with their message counts, as the account keeps them for the search and
// as the messages give them.
const char* const keptNumbers =
    "select address || '|' || message_count from sms_numbers order by address";
const char* const countedNumbers =
    "select address || '|' || count(*) from sms where address is not null group by address";

QDateTime noon(int msec = 0)
{
    return QDateTime(QDate(2023, 5, 17), QTime(12, 0, 0, msec));
}

QStringList column(Sqlite3DB& db, const char* sql, int index = 0)
{
    QStringList values;
    for (Sqlite3Cursor cursor = db.queryThrow(Sqlite3Sql(sql)); cursor.moveNext();)
        values.append(cursor.getText(index));
    return values;
}

// How SQLite runs the store's own duplicate query on db.
QString duplicatePlan(Sqlite3DB& db)
{
    Sqlite3Sql sql(QLatin1String("explain query plan ") +
                   QString::fromUtf8(MessageInserter::duplicateQuery()));
    sql.addInt64Param(1).addTextParam(QStringLiteral("5")).addTextParam(QStringLiteral("x"));
    QStringList plan;
    for (Sqlite3Cursor cursor = db.queryThrow(sql.addIntParam(0)); cursor.moveNext();)
        plan.append(cursor.getText(3));
    return plan.join('\n');
}

// Messages that tell the ways of a search apart: letter case beyond ASCII, characters the search
// index folds where LIKE does not (Kelvin sign, dotted I, long s), wildcards, numbers written
// two ways, names that differ within a conversation, equal dates, and rows written by plain SQL
// without key, name or text.
void storeVariedMessages(Sqlite3DB* db)
{
    struct Row
    {
        const char* address;
        const char* person;
        const char* body;
        int minute;
        bool sent;
    };
    const Row rows[] = {
        {"+49 170 1234567", "Bob", "Hello World", 1, false},
        {"0170-1234567", "Anna", "hello world, again", 1, true},
        {"0170 1234567", "", "HELLO", 2, false},
        {"Bank24", "", "Your balance: 50% off_sale", 3, false},
        {"AnnaBank", "", "a_b and under_score", 3, false},
        {"555", "\u00c4rger", "Gr\u00fc\u00dfe aus K\u00f6ln", 4, true},
        {"555", "\u00e4rger", "GR\u00dcSSE, stra\u00dfe, Stra\u00dfe", 5, false},
        {"777", "Zo\u00eb",
         "\u03a3\u038a\u03a3\u03a5\u03a6\u039f\u03a3 \u03c3\u03af\u03c3\u03c5\u03c6\u03bf\u03c2", 6,
         false},
        {"777", "", "emoji \U0001F600 party", 6, true},
        {"888", "\u03a3\u03bf\u03c6\u03af\u03b1", "\u212aelvin scale", 7, false},
        {"888", "", "\u0130stanbul \u017ftra\u00dfe", 8, true},
        {"999", "", "quote \"double\" and 'single'", 9, false},
        {"999", "", "line1\nline2", 9, false},
        {"", "", "no number at all", 10, false},
        {"12345", "Eve", "", 11, true},
    };
    WriteTransaction transaction(db); // one write to the disk instead of one for each message
    for (const Row& row : rows) {
        SMSInfo sms =
            makeSMS(QString::fromUtf8(row.address), QString::fromUtf8(row.person),
                    QString::fromUtf8(row.body), row.sent, noon().addSecs(60 * row.minute));
        QVERIFY(storeSMS(db, sms));
    }
    for (int i = 0; i < 40; ++i) {
        SMSInfo sms = makeSMS(QStringLiteral("10%1").arg(i % 4), "",
                              QStringLiteral("report %1%2").arg(i).arg(i % 5 ? "" : " hello"),
                              i % 2, noon().addSecs(600 + 60 * (i / 3)));
        QVERIFY(storeSMS(db, sms));
    }
    db->executeThrow(Sqlite3Sql(
        "insert into sms(address, person, date, is_send, body, suffix) values ('321', 'Nemo', "
        "1684324800, 0, 'no key, hello', null), (null, null, 1684324800, 1, null, null)"));
    transaction.commit();
}

// A message as the program reads it: id, conversation name, date, direction, number, text.
QString rowText(const SMSInfo& sms)
{
    return QStringList{
        QString::number(sms.smsId),  sms.person,  QString::number(sms.date.toSecsSinceEpoch()),
        QString::number(sms.isSend), sms.address, sms.body}
        .join(u'|');
}

QStringList messageRows(Sqlite3DB& db, const Sqlite3Sql& sql)
{
    QStringList rows;
    for (Sqlite3Cursor cursor = db.queryThrow(sql); cursor.moveNext();)
        rows.append(rowText(readSMSRow(cursor)));
    return rows;
}

// The same through a page source, seven at a time.
QStringList pagedRows(SMSPageSource& source)
{
    QStringList rows;
    for (qint64 first = 0; first < source.count(); first += 7) {
        for (const SMSInfo& sms : source.page(first, 7))
            rows.append(rowText(sms));
    }
    return rows;
}

// The search dialog's statement as it was written before the search index, its messages of the
// same second put in the order they were stored.
Sqlite3Sql viewSearch(const QString& keyword, SearchFolder folder)
{
    Sqlite3Sql sql("select * from view_sms");
    const QString pattern = QLatin1Char('%') + keyword + QLatin1Char('%');
    if (!keyword.isEmpty()) {
        sql.appendSql(" where (body like ? or address like ? or person like ?)");
        sql.addTextParam(pattern).addTextParam(pattern).addTextParam(pattern);
    }
    if (folder != SearchFolder::All) {
        sql.appendSql(keyword.isEmpty() ? " where is_send=?" : " and is_send=?");
        sql.addIntParam(folder == SearchFolder::Sent ? 1 : 0);
    }
    return sql.appendSql(" order by date asc, sms_id asc");
}

} // namespace

class TestStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void databaseLayer();
    void keyAndDisplayName_data();
    void keyAndDisplayName();
    void duplicateRule();
    void mmsStoredOnceAndDeletedWithConversation();
    void rowsReadByTheRules();
    void batchesStoreAsOneByOne_data();
    void batchesStoreAsOneByOne();
    void twoThreadsStoreEachMessageOnce();
    void incomingWaitsForAnotherProgram();
    void templateProperties();
    void duplicateQueryUsesAddressDateIndex();
    void accountFiles();
    void currentAccountLifecycle();
    void searchFindsWhatTheViewFinds_data();
    void searchFindsWhatTheViewFinds();
    void queriesFollowTheMessages_data();
    void queriesFollowTheMessages();
    void upgradeOnOpen_data();
    void upgradeOnOpen();
    void versionOnOpen_data();
    void versionOnOpen();
    void cancelledUpgradeLeavesAccountAsItWas();
    void storingScopeEndsALongStatementOnCancel();

private:
    // A fresh account with a scratch table t, open as the current database.
    void openStore();
    // The same holding storeVariedMessages, built once and copied for each case.
    void openVariedStore();

    TestAccount m_account; // the catalogue, and a home folder for each case inside its own
    QString m_path;
    Sqlite3DB* m_db = nullptr;
    QByteArray m_variedAccount;
};

void TestStore::init()
{
    // Every case starts with no open account and an empty home folder of its own.
    QVERIFY(m_account.startInNewHome());
}

void TestStore::openStore()
{
    createAccountFile(QStringLiteral("store.db"));
    m_db = openAccountDatabase(QStringLiteral("store.db"));
    m_path = accountFilePath(QStringLiteral("store.db"));
    m_db->executeThrow(Sqlite3Sql("create table t(n int, big int, s text)"));
}

void TestStore::openVariedStore()
{
    if (m_variedAccount.isEmpty()) {
        openStore();
        storeVariedMessages(m_db);
        m_db->executeThrow(Sqlite3Sql("pragma wal_checkpoint")); // the whole account in its file
        m_variedAccount = readFile(m_path);
    } else {
        put("store.db", m_variedAccount);
        m_db = openAccountDatabase(QStringLiteral("store.db"));
    }
    // Stored outside a job: queued for the search index, which the search must see too.
    QVERIFY(store(makeSMS("+49 170 1234567", "", "Hello, queued", true, noon().addSecs(60))));
}

void TestStore::databaseLayer()
{
    openStore();
    m_db->beginTran();
    for (int n = 0; n < 30; ++n) {
        m_db->executeThrow(Sqlite3Sql("insert into t(n, big, s) values(?, ?, ?)")
                               .addIntParam(n)
                               .addInt64Param(5'000'000'000LL + n)
                               .addTextParam("Grüße ✓"));
    }
    m_db->commitTran();
    Sqlite3Sql sql("select n as Alias, big, s from t");
    sql.appendSql(" where n >= ? order by n desc;  ").addIntParam(10);
    Sqlite3Cursor cursor = m_db->queryThrow(sql);
    QCOMPARE(cursor.count(), 20);
    QVERIFY(cursor.moveNext()); // count() did not move the cursor
    QCOMPARE(cursor.getInt("ALIAS"), 29);
    QCOMPARE(cursor.getInt64("big"), 5'000'000'029LL);
    QCOMPARE(cursor.getText(2), QStringLiteral("Grüße ✓"));
    QCOMPARE(failureOf([&] { cursor.getText("n"); }), QStringLiteral("no such column: n"));
    Sqlite3Cursor copy = cursor; // copies share the position
    QVERIFY(copy.moveNext());
    QCOMPARE(cursor.getInt(0), 28);
    // Lazy: a row inserted before the first step is seen; a count, once known, stays.
    Sqlite3Cursor late = m_db->queryThrow(Sqlite3Sql("select n from t where n >= 100"));
    m_db->executeThrow(Sqlite3Sql("insert into t(n) values(100)"));
    QVERIFY(late.moveNext() && late.getInt(0) == 100 && !late.moveNext() && !late.moveNext());
    QCOMPARE(copy.count(), 20);

    // The same text while a cursor on it is alive gets a statement of its own.
    const Sqlite3Sql three("select n from t where n < 3");
    int pairs = 0;
    for (Sqlite3Cursor outer = m_db->queryThrow(three); outer.moveNext();) {
        for (Sqlite3Cursor inner = m_db->queryThrow(three); inner.moveNext();)
            ++pairs;
    }
    QCOMPARE(pairs, 9);
    // Refused before anything runs: wrong parameter counts, more than one statement.
    for (const Sqlite3Sql& wrong :
         {Sqlite3Sql("insert into t(n, s) values(?, ?)").addIntParam(1),
          Sqlite3Sql("delete from t").addIntParam(1), Sqlite3Sql("delete from t; select 1")}) {
        QVERIFY_THROWS_EXCEPTION(std::exception, m_db->executeThrow(wrong));
    }
    QCOMPARE(scalar("select count(*) from t"), 31LL);

    // A file that is not a database fails at the open itself; a read-only open is told apart.
    Sqlite3DB db;
    put("garbage.db", QByteArray(4096, 'x'));
    QCOMPARE(failureOf([&] { db.openThrow(accountFilePath("garbage.db"), SQLITE_OPEN_READWRITE); }),
             QStringLiteral("file is not a database"));
    db.openThrow(m_path, SQLITE_OPEN_READONLY);
    QVERIFY(db.isReadOnly() && !m_db->isReadOnly());
    // A cursor that outlives its database throws instead of touching a closed connection.
    Sqlite3Cursor orphan = db.queryThrow(Sqlite3Sql("select n from t"));
    db.close();
    QCOMPARE(failureOf([&] { orphan.moveNext(); }), QStringLiteral("the database is closed"));
}

void TestStore::keyAndDisplayName_data()
{
    QTest::addColumn<QString>("person");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("display");
    const auto row = [](const char* person, const char* address, const char* suffix,
                        const char* display) {
        QTest::addRow("%s/%s", person, address) << person << address << suffix << display;
    };
    row("", "12345", "12345", "12345");
    row("Anna", "+1 (234) 567-8901", "345678901", "Anna(+1 (234) 567-8901)");
    row("", "+49 170 1234567", "701234567", "+49 170 1234567");
    row("", "0170-1234567", "701234567", "0170-1234567");
    row("", "123456789", "123456789", "123456789");
    row("", "Bank24", "Bank24", "Bank24");
    row("", "+49 x 12", "+49 x 12", "+49 x 12");         // one ASCII letter keeps the address whole
    row("", "\u00c4\u00d6 12", "12", "\u00c4\u00d6 12"); // other letters do not
    row("Anna", "+-() ", "", "Anna(+-() )");
    row("Anna", "", "", "Anna");
    row("", "", "", "Unknown");
}

void TestStore::keyAndDisplayName()
{
    QFETCH(QString, person);
    QFETCH(QString, address);
    QFETCH(QString, suffix);
    QFETCH(QString, display);
    QCOMPARE(conversationSuffix(address), suffix);
    QCOMPARE(contactDisplayName(makeSMS(address, person, "", false, QDateTime())), display);
}

void TestStore::duplicateRule()
{
    openStore();
    SMSInfo first = makeSMS("+49 170 1234567", "Anna", "hello", false, noon(750));
    QVERIFY(storeSMS(m_db, first));
    QCOMPARE(first.smsId, int(scalar("select max(sms_id) from sms")));
    // The same message, with another person or other milliseconds: skipped, record untouched.
    for (SMSInfo same : {first, makeSMS("+49 170 1234567", "Anne", "hello", false, noon(750)),
                         makeSMS("+49 170 1234567", "", "hello", false, noon(10))}) {
        same.smsId = 0;
        QVERIFY(!storeSMS(m_db, same));
        QCOMPARE(same.smsId, 0);
    }
    // Direction, second and body count; another spelling of the number is a new row of the
    // same conversation.
    for (SMSInfo other : {makeSMS("+49 170 1234567", "", "hello", true, noon(750)),
                          makeSMS("+49 170 1234567", "", "hello", false, noon().addSecs(1)),
                          makeSMS("+49 170 1234567", "", "hello!", false, noon()),
                          makeSMS("0170-1234567", "", "hello", false, noon())}) {
        QVERIFY(storeSMS(m_db, other));
    }
    QCOMPARE(scalar("select count(*) from sms where suffix = '701234567'"), 5LL);

    // A record with no address (a null string) matches its stored copy too.
    SMSInfo noAddress = makeSMS(QString(), "", QString(), false, noon());
    SMSInfo copy = noAddress;
    QVERIFY(storeSMS(m_db, noAddress) && !storeSMS(m_db, copy));
    QCOMPARE(scalar("select count(*) from sms"), 6LL);
}

void TestStore::mmsStoredOnceAndDeletedWithConversation()
{
    openStore();
    MMSData::Writer writer;
    writer.append("picture", 7);
    MMSInfo mms{{{"date", "1331010369000"}, {"msg_box", "2"}, {"address", "555~+49 170 1234567"}},
                {{{{"ct", "text/plain"}, {"text", "hi"}}, nullptr},
                 {{{"ct", "image/png"}, {"name", "a.png"}}, writer.finish()}},
                {{{"address", "555"}, {"type", "151"}}}};
    QVERIFY(storeMMS(m_db, mms));
    QVERIFY(!storeMMS(m_db, mms));
    QCOMPARE(storedBodies(), QStringList{"hi"});
    QCOMPARE(summaryContacts(*m_db), groupedContacts(*m_db));
    QCOMPARE(mmsPartBytes(m_db, scalar("select max(part_id) from mms_part")), "picture");
    QCOMPARE(countMMSIn(m_db, searchStatement("hi", SearchFolder::Sent)), 1);
    m_db->executeThrow(Sqlite3Sql("delete from sms where suffix = '555,701234567'"));
    QCOMPARE(scalar("select (select count(*) from mms) + (select count(*) from mms_part) + "
                    "(select count(*) from mms_addr)"),
             0LL);
}

void TestStore::rowsReadByTheRules()
{
    openStore();
    // Whole seconds, the fraction cut off toward zero; read back as local time.
    const QList<std::pair<QDateTime, QDateTime>> dates = {
        {noon(750), noon(0)},
        {QDateTime::fromMSecsSinceEpoch(-1500), QDateTime::fromMSecsSinceEpoch(-1000)},
        {QDateTime::fromMSecsSinceEpoch(4'102'444'800'999LL),
         QDateTime::fromMSecsSinceEpoch(4'102'444'800'000LL)}};
    for (const auto& [date, readBack] : dates) {
        SMSInfo sms = makeSMS("555", "", date.toString(Qt::ISODateWithMs), true, date);
        QVERIFY(storeSMS(m_db, sms));
        Sqlite3Cursor cursor = m_db->queryThrow(
            Sqlite3Sql("select * from sms where sms_id = ?").addIntParam(sms.smsId));
        QVERIFY(cursor.moveNext());
        QCOMPARE(readSMSRow(cursor).date, readBack);
        QCOMPARE(readSMSRow(cursor).date.timeSpec(), Qt::LocalTime);
    }

    // is_send is true for exactly 1 (the BOOLEAN column turns the text '1' into 1); the row id
    // keeps its low 32 bits, also when storeSMS reports it; a date beyond what a date can hold
    // (a damaged file) reads as no date instead of overflowing.
    m_db->executeThrow(
        Sqlite3Sql("insert into sms(sms_id, address, date, is_send, body) values "
                   "(11, 'a', 0, 1, ''), (12, 'a', 0, 2, ''), (13, 'a', 0, 0, ''), "
                   "(14, 'a', 0, null, ''), (15, 'a', 9223372036854775807, 4294967297, ''), "
                   "(4294967303, 'a', -9223372036854776, '1', '')"));
    QStringList read; // direction, id, whether dated
    for (Sqlite3Cursor cursor =
             m_db->queryThrow(Sqlite3Sql("select * from sms where sms_id > 10 order by sms_id"));
         cursor.moveNext();) {
        const SMSInfo sms = readSMSRow(cursor);
        read << QStringLiteral("%1 %2 %3").arg(sms.isSend).arg(sms.smsId).arg(sms.date.isValid());
    }
    QCOMPARE(read, (QStringList{"1 11 1", "0 12 1", "0 13 1", "0 14 1", "0 15 0", "1 7 0"}));
    SMSInfo next = makeSMS("a", "", "next", false, noon());
    QVERIFY(storeSMS(m_db, next));
    QCOMPARE(next.smsId, 8);
}

void TestStore::batchesStoreAsOneByOne_data()
{
    QTest::addColumn<int>("before"); // messages of the list the account holds already
    QTest::addColumn<int>("batchSize");
    // A message of the next batch stored in between: none, as an SMS (storeSMS), or as the
    // text of an MMS of the job (SMSBatchStore::storeMMS).
    QTest::addColumn<QString>("between");
    QTest::newRow("empty account, small batches") << 0 << 7 << "";
    QTest::newRow("empty account, batches over one statement") << 0 << 150 << "";
    QTest::newRow("messages stored before") << 40 << 64 << "";
    QTest::newRow("a write between batches") << 0 << 50 << "sms";
    QTest::newRow("an MMS of the job between batches") << 0 << 50 << "mms";
}

void TestStore::batchesStoreAsOneByOne()
{
    QFETCH(int, before);
    QFETCH(int, batchSize);
    QFETCH(QString, between);
    // Three messages to a second; every 10th repeats one of its batch, every 25th one of an
    // earlier batch; some without a number, some with a name.
    QList<SMSInfo> list;
    for (int i = 0; i < 400; ++i) {
        const int from = i % 25 == 0 && i >= 100 ? i - 100 : i % 10 == 0 && i > 0 ? i - 5 : i;
        const QString number = from % 13 == 12 ? QString() : QString::number(500 + from % 4);
        const QString name = from % 3 == 0 ? QStringLiteral("P%1").arg(from % 5) : QString();
        list.append(
            makeSMS(number, name, QString::number(from % 11), from % 2, noon().addSecs(from / 3)));
    }
    openStore();
    createAccountFile(QStringLiteral("expected.db"));
    Sqlite3DB expected;
    expected.openThrow(accountFilePath(QStringLiteral("expected.db")), SQLITE_OPEN_READWRITE);
    upgradeAccount(&expected); // its triggers keep the derived tables, message by message
    for (Sqlite3DB* db : {m_db, &expected}) {
        for (SMSInfo sms : list.mid(0, before))
            storeSMS(db, sms);
    }
    // The job's way: derived tables filled at the commit.
    Transaction job(m_db);
    SMSBatchStore batches(m_db);
    for (int first = before; first < list.size(); first += batchSize) {
        const QList<SMSInfo> batch = list.mid(first, batchSize);
        int stored = 0;
        for (SMSInfo sms : batch)
            stored += storeSMS(&expected, sms) ? 1 : 0;
        QCOMPARE(batches.store(batch), stored);
        if (between.isEmpty() || first + batchSize + 2 >= list.size())
            continue;
        SMSInfo next = list[first + batchSize + 2];
        if (between == u"sms") {
            for (Sqlite3DB* db : {m_db, &expected})
                QVERIFY(storeSMS(db, next));
            continue;
        }
        const QString box = next.isSend ? "2" : "1";
        MMSInfo mms{{{"date", QString::number(next.date.toMSecsSinceEpoch())}, {"msg_box", box}},
                    {{{{"ct", "text/plain"}, {"text", next.body}}, nullptr}},
                    {{{"address", next.address}, {"type", next.isSend ? "151" : "137"}}}};
        MMSInfo copy = mms;
        QVERIFY(storeMMS(&expected, copy));
        QVERIFY(batches.storeMMS(mms));
    }
    job.commit();
    QCOMPARE(dump(*m_db), dump(expected));
    const auto derived = [](Sqlite3DB& db) {
        QStringList rows;
        for (const char* sql :
             {"select suffix || '|' || last_date || '|' || message_count || '|' || "
              "ifnull(person, '-') || '|' || ifnull(address, '-') || '|' || "
              "ifnull(first_person_id, '-') || '|' || ifnull(first_person, '-') || '|' || stale "
              "from sms_summary order by suffix",
              "select address || '|' || message_count from sms_numbers order by address",
              "select id from sms_fts_docsize union all select sms_id from sms_fts_pending"}) {
            for (Sqlite3Cursor cursor = db.queryThrow(Sqlite3Sql(sql)); cursor.moveNext();)
                rows << cursor.getText(0);
        }
        return rows;
    };
    QCOMPARE(derived(*m_db), derived(expected));
    m_db->executeThrow(
        Sqlite3Sql("insert into sms_fts(sms_fts, rank) values ('integrity-check', 1)"));
}

void TestStore::twoThreadsStoreEachMessageOnce()
{
    openStore();
    // An incoming message stored by the GUI thread while a job stores the same ones: both
    // compete for the same cached statements and for the count-then-insert step.
    m_db->executeThrow(Sqlite3Sql("pragma synchronous = off")); // speed, not durability
    QList<SMSInfo> list;
    for (int i = 0; i < 300; ++i)
        list.append(makeSMS(QString::number(1000 + i % 7), "", "same", i % 2, noon().addSecs(i)));
    std::atomic<int> storedByWorker{0};
    std::unique_ptr<QThread> worker(QThread::create([&] {
        for (SMSInfo sms : list)
            storedByWorker += storeSMS(m_db, sms) ? 1 : 0;
    }));
    worker->start();
    int storedByGui = 0;
    for (SMSInfo sms : list)
        storedByGui += storeSMS(m_db, sms) ? 1 : 0;
    worker->wait();
    QCOMPARE(storedByGui + storedByWorker, 300);
    QCOMPARE(scalar("select count(*) from sms"), 300LL);
}

void TestStore::incomingWaitsForAnotherProgram()
{
    openStore();
    // Another program (the command line) writes to the same account file.
    Sqlite3DB other;
    other.openThrow(m_path, SQLITE_OPEN_READWRITE);
    other.beginTran();
    other.executeThrow(Sqlite3Sql("insert into t(n) values(1)"));
    const QString spool = MessageSpool::folderOf(m_path);
    {
        IncomingSMSGate ending; // a program that ends meanwhile leaves its message spooled
        ending.offer(makeSMS("555", "", "spooled", false, noon()));
    }
    QCOMPARE(MessageSpool::read(spool).size(), 1);
    IncomingSMSGate gate;
    QSignalSpy stored(&gate, &IncomingSMSGate::stored);
    QElapsedTimer timer;
    timer.start();
    gate.offer(makeSMS("555", "", "while the other writes", false, noon()));
    QVERIFY(timer.elapsed() < 1000); // the window's thread does not sit on the lock
    QCOMPARE(gate.heldCount(), 1);
    // A job waiting for the other program leaves the handle to the window's reads meanwhile.
    std::unique_ptr<QThread> job(
        QThread::create([this] { failureOf([this] { Transaction t(m_db); }); }));
    job->start();
    QTest::qWait(300);
    timer.restart();
    scalar("select count(*) from sms");
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(job->isRunning());
    other.rollbackTran();
    job->wait();
    QTRY_COMPARE(stored.count(), 1); // stored once the other program let go
    QCOMPARE(scalar("select count(*) from sms where body in ('while the other writes', "
                    "'spooled')"),
             2LL);
    QVERIFY(MessageSpool::read(spool).isEmpty());
    // A store that fails for another reason keeps the message for the next write.
    m_db->executeThrow(Sqlite3Sql("create trigger refuse before insert on sms when new.body = "
                                  "'refused' begin select raise(abort, 'refused'); end"));
    QSignalSpy failed(&gate, &IncomingSMSGate::storeFailed);
    gate.offer(makeSMS("555", "", "refused", false, noon()));
    QCOMPARE(failed.count(), 1);
    m_db->executeThrow(Sqlite3Sql("drop trigger refuse"));
    QVERIFY(store(makeSMS("555", "", "next", false, noon())));
    QCOMPARE(scalar("select count(*) from sms where body = 'refused'"), 1LL);
    // What a program left in the spool is in the account once the next one has opened it.
    MessageSpool::add(spool, makeSMS("555", "", "left", false, noon()));
    m_db = openAccountDatabase(QStringLiteral("store.db"));
    QCOMPARE(scalar("select count(*) from sms where body = 'left'"), 1LL);
}

void TestStore::templateProperties()
{
    // A new account is the template itself, readable by its owner alone, with no messages; the
    // views resolve although view_sms was made before view_contacts.
    createAccountFile(QStringLiteral("t.db"));
    const QString path = accountFilePath(QStringLiteral("t.db"));
    QCOMPARE(readFile(path), readFile(QStringLiteral(":/res/empty_sms.db")));
    // Owner, group and others; the "user" flags mirror whichever applies to this process.
    QCOMPARE(QFile::permissions(path) & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    Sqlite3DB db;
    db.openThrow(path, SQLITE_OPEN_READWRITE);
    QCOMPARE(dump(db), QStringLiteral("sms|NULL|\n")); // no messages, sequence row without value
    QCOMPARE(scalar("select count(*) from view_sms", {}, &db), 0LL);
}

void TestStore::duplicateQueryUsesAddressDateIndex()
{
    createAccountFile(QStringLiteral("plan.db"));
    Sqlite3DB* db = openAccountDatabase(QStringLiteral("plan.db"));
    QString plan = duplicatePlan(*db);
    QVERIFY2(plan.contains(QLatin1String("USING INDEX index_address_date (address=? AND date=?)")),
             qPrintable(plan));

    // Account files made before the index existed lack it; they keep working. (A cached plan
    // would still name the dropped index.)
    db->executeThrow(Sqlite3Sql("drop index index_address_date"));
    plan = duplicatePlan(*db);
    QVERIFY2(plan.contains(QLatin1String("USING INDEX index_address (address=?)")),
             qPrintable(plan));
    SMSInfo sms = makeSMS("555", "", "", false, QDateTime::currentDateTime());
    SMSInfo copy = sms;
    QVERIFY(storeSMS(db, sms) && !storeSMS(db, copy));
    QCOMPARE(scalar("select count(*) from sms"), 1LL);
}

void TestStore::accountFiles()
{
    // An existing file is never overwritten; names must stay inside the data folder.
    put("busy.db", "precious");
    QVERIFY_THROWS_EXCEPTION(std::exception, createAccountFile(QStringLiteral("busy.db")));
    QCOMPARE(readFile(accountFilePath("busy.db")), QByteArray("precious"));
    for (const QString name : {"../escape.db", "a\\b.db", "..", ""})
        QVERIFY_THROWS_EXCEPTION(std::exception, createAccountFile(name));
    put("../outside.db", "not ours");
    for (const QString name : {"../outside.db", "never.db"})
        QVERIFY_THROWS_EXCEPTION(std::exception, deleteAccountFile(name));
    QCOMPARE(files(), (QStringList{"../outside.db", "busy.db"}));

    // Still open elsewhere (as in another program): not deleted.
    createAccountFile(QStringLiteral("held.db"));
    const std::shared_ptr<Sqlite3DB> held =
        (openAccountDatabase(QStringLiteral("held.db")), currentDatabaseShared());
    createAccountFile(QStringLiteral("other.db"));
    openAccountDatabase(QStringLiteral("other.db"));
    QVERIFY(failureOf([] {
                deleteAccountFile(QStringLiteral("held.db"));
            }).startsWith(QStringLiteral("The account is open in another program")));
    QVERIFY(QFileInfo::exists(accountFilePath(QStringLiteral("held.db"))));
}

void TestStore::currentAccountLifecycle()
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
    // An account that fails to open leaves the current one as it was.
    QVERIFY_THROWS_EXCEPTION(std::exception, openAccountDatabase(QStringLiteral("missing.db")));
    QCOMPARE(currentDatabase(), second);

    // Deleting another account leaves the open one; deleting the open one closes it.
    deleteAccountFile(QStringLiteral("c.db"));
    QCOMPARE(currentDatabase(), second);
    std::weak_ptr<Sqlite3DB> open = currentDatabaseShared();
    deleteAccountFile(QStringLiteral("b.db"));
    QVERIFY(currentAccountName().isEmpty());
    QVERIFY(currentDatabase() == nullptr && open.expired());
    QCOMPARE(files(), QStringList{"a.db"});
}

void TestStore::searchFindsWhatTheViewFinds_data()
{
    QTest::addColumn<QString>("keyword");
    const char* keywords = // separated by '|', the first one empty
        "|a|A|\u00e4|\u00c4|ss|\u00df|lo|llo|LLO|hello|Hello World|o w|gr\u00fc\u00dfe|GR\u00dcSSE|"
        "stra\u00dfe|STRASSE|\u03c3\u03af\u03c3\u03c5\u03c6\u03bf\u03c2|\u03a3\u038a\u03a3|"
        "\U0001F600|\U0001F600 p|kelvin|KELVIN|istanbul|\u0130st|50%|%|_|a_b|o_d|off_s|%world|"
        "he%lo|17|170 12|+49|bank|BANK24|anna|ANN|zo\u00eb|ZO\u00cb|\u00e4rg|\"double\"|'|"
        "line1\nline2|nemo|no key|report 3|x|nothing like it";
    for (const QString& keyword : QString::fromUtf8(keywords).split(u'|'))
        QTest::addRow("%s", qPrintable(keyword)) << keyword;
}

void TestStore::searchFindsWhatTheViewFinds()
{
    QFETCH(QString, keyword);
    openVariedStore();
    for (SearchFolder folder : {SearchFolder::All, SearchFolder::Inbox, SearchFolder::Sent}) {
        const QStringList expected = messageRows(*m_db, viewSearch(keyword, folder));
        QCOMPARE(messageRows(*m_db, searchStatement(keyword, folder)), expected);
        SMSQueryPageSource pages(currentDatabaseShared(), searchQuery(keyword, folder));
        QCOMPARE(pagedRows(pages), expected);
    }
}

void TestStore::queriesFollowTheMessages_data()
{
    QTest::addColumn<QStringList>("steps");
    const auto row = [](const char* name, const QStringList& steps) {
        QTest::newRow(name) << steps;
    };
    const QString add = "insert into sms(address, person, date, is_send, body, suffix) values ";
    row("stored", {});
    row("conversation deleted", {"delete from sms where suffix = '701234567'"});
    // In the conversation of 0170 1234567 each deleted message held one value of its row only:
    // the newest date, the greatest number, the greatest name, the first name.
    const QString zed = add + "('0170 1234567', 'Zed', 5, 0, 'zed', '701234567')";
    row("newest deleted", {"delete from sms where body = 'HELLO'"});
    row("greatest number deleted", {"delete from sms where address = '0170-1234567'"});
    row("greatest name deleted", {zed, "delete from sms where person = 'Zed'"});
    row("first name deleted", {zed, "delete from sms where person = 'Bob'"});
    row("names deleted", {"delete from sms where person in ('\u00e4rger', 'Nemo', 'Zo\u00eb') or "
                          "body = '\u212aelvin scale'"});
    row("names, dates, keys, ids changed",
        {"update sms set person = 'Zed' where sms_id = 2",
         "update sms set address = '0170 1234567' where address = '0170-1234567'",
         "update sms set address = null where address = '1001'",
         "update sms set date = date - 100000 where suffix = '777'",
         "update sms set suffix = '555' where suffix = '888'",
         "update sms set suffix = null where address = 'Bank24'",
         "update sms set sms_id = 1000 where sms_id = 1"});
    row("deleted and stored again", {"delete from sms where suffix in ('555', '999')",
                                     add + "('555', 'Neu', 1, 0, 'again', '555')",
                                     add + "(null, null, null, null, null, null)"});
    row("everything deleted", {"delete from sms"});
}

void TestStore::queriesFollowTheMessages()
{
    QFETCH(QStringList, steps);
    openVariedStore();
    for (const QString& step : steps)
        m_db->executeThrow(Sqlite3Sql(step));
    for (ContactOrder order : {ContactOrder::NewestFirst, ContactOrder::ByKey})
        QCOMPARE(summaryContacts(*m_db, order), groupedContacts(*m_db, order));
    QCOMPARE(searchIndexProblem(*m_db), QString());
    QCOMPARE(column(*m_db, keptNumbers), column(*m_db, countedNumbers));
    // The whole account and each conversation (names worked out from the messages left) read
    // as the views give them, by statement and by page.
    const QString view = QStringLiteral("select * from view_sms %1 order by date asc, sms_id asc");
    const QStringList all = messageRows(*m_db, Sqlite3Sql(view.arg("")));
    QCOMPARE(messageRows(*m_db, wholeAccountQuery().ordered()), all);
    QCOMPARE(SMSCursorSource(m_db, wholeAccountQuery()).count(), all.size());
    for (const QString& suffix :
         column(*m_db, "select distinct suffix from sms where suffix is not null")) {
        const QStringList expected =
            messageRows(*m_db, Sqlite3Sql(view.arg("where suffix = ?")).addTextParam(suffix));
        QCOMPARE(messageRows(*m_db, conversationStatement(suffix)), expected);
        SMSQueryPageSource pages(currentDatabaseShared(), conversationQuery(suffix));
        QCOMPARE(pagedRows(pages), expected);
    }
}

void TestStore::upgradeOnOpen_data()
{
    QTest::addColumn<QStringList>("change"); // on another connection, after a first open
    QTest::addColumn<bool>("intact");        // searching needs no upgrade before
    const auto row = [](const char* name, const QStringList& change, bool intact) {
        QTest::newRow(name) << change << intact;
    };
    const QString add = "insert into sms(address, person, date, is_send, body, suffix) values "
                        "('4711', 'New', 5, 0, 'hello new', '4711')";
    row("made by an older build", {"older build"}, false);
    row("older build wrote since", {add, "delete from sms where suffix = '555'"}, true);
    row("index dropped",
        {"drop trigger sms_fts_insert", "drop trigger sms_fts_delete",
         "drop trigger sms_fts_update", "drop table sms_fts", add},
        false);
    row("index bypassed", {"drop trigger sms_fts_insert", add}, false);
    row("index data lost", {"delete from sms_fts_data"}, false);
    row("index table missing", {"drop table sms_fts_config"}, false);
    row("summary dropped",
        {"drop trigger sms_summary_insert", "drop trigger sms_summary_insert_unkeyed",
         "drop trigger sms_summary_delete", "drop trigger sms_summary_update",
         "drop view view_summary", "drop table sms_summary", add},
        false);
    row("summary emptied", {"delete from sms_summary"}, false);
    row("numbers bypassed", {"drop trigger sms_numbers_insert", add}, false);
    row("summary rows stale", {"delete from sms where person = 'Bob'"}, false);
    row("MMS tables missing", {"drop trigger mms_delete", "drop table mms_part"}, false);
}

void TestStore::upgradeOnOpen()
{
    QFETCH(QStringList, change);
    QFETCH(bool, intact);
    createAccountFile(QStringLiteral("old.db"));
    m_path = accountFilePath(QStringLiteral("old.db"));
    Sqlite3DB other;
    other.openThrow(m_path, SQLITE_OPEN_READWRITE);
    if (change == QStringList{"older build"}) {
        storeVariedMessages(&other);
    } else {
        storeVariedMessages(openAccountDatabase(QStringLiteral("old.db")));
        for (const QString& sql : change)
            other.executeThrow(Sqlite3Sql(sql));
    }
    if (intact) {
        QCOMPARE(messageRows(other, searchStatement("hello", SearchFolder::All)),
                 messageRows(other, viewSearch("hello", SearchFolder::All)));
    } else {
        QVERIFY(!accountUpToDate(&other));
    }

    createAccountFile(QStringLiteral("elsewhere.db"));
    openAccountDatabase(QStringLiteral("elsewhere.db"));
    m_db = openAccountDatabase(QStringLiteral("old.db"));
    QVERIFY(accountUpToDate(m_db));
    QCOMPARE(searchIndexProblem(*m_db), QString());
    QCOMPARE(summaryContacts(*m_db), groupedContacts(*m_db));
    QCOMPARE(column(*m_db, keptNumbers), column(*m_db, countedNumbers));
    QCOMPARE(messageRows(*m_db, searchStatement("hello", SearchFolder::All)),
             messageRows(*m_db, viewSearch("hello", SearchFolder::All)));
    QCOMPARE(scalar("select count(*) from sms_summary where stale <> 0"), 0LL);
    QCOMPARE(scalar("select count(*) from sms_fts_pending"), 0LL);
    QVERIFY(mmsTablesPresent(m_db));
}

void TestStore::versionOnOpen_data()
{
    QTest::addColumn<int>("version");        // given to the account before it is opened again
    QTest::addColumn<QStringList>("change"); // on another connection before that
    QTest::addColumn<bool>("numbersKept");   // the numbers were not made anew
    QTest::addColumn<bool>("written");       // the open wrote to the account
    const int current = CurrentAccountVersion;
    const QStringList noNumbers{"drop trigger sms_numbers_insert",
                                "drop trigger sms_numbers_delete",
                                "drop trigger sms_numbers_update", "drop table sms_numbers"};
    QTest::newRow("current") << current << QStringList() << true << false;
    QTest::newRow("earlier build") << 0 << QStringList() << true << true;
    QTest::newRow("earlier build, its own index")
        << 0
        << QStringList{"drop index sms_numbers_address",
                       "create unique index sms_numbers_address on sms_numbers (address)"}
        << false << true;
    QTest::newRow("older version") << int(AccountVersionNumbers) - 1 << noNumbers << false << true;
    QTest::newRow("newer version")
        << current + 1
        << QStringList{"create table later (sms_id)", "create trigger later_insert after insert "
                                                      "on sms begin insert into later values "
                                                      "(new.sms_id); end"}
        << true << false;
}

void TestStore::versionOnOpen()
{
    QFETCH(int, version);
    QFETCH(QStringList, change);
    QFETCH(bool, numbersKept);
    QFETCH(bool, written);
    openStore();
    storeVariedMessages(m_db);
    // Rows no rebuild would make: they show which parts were left as they were.
    m_db->executeThrow(Sqlite3Sql("insert into sms_summary(suffix, message_count) values "
                                  "('marker', 1)"));
    m_db->executeThrow(Sqlite3Sql("insert into sms_numbers values ('marker', 1)"));
    const char* const schema = "select type || ' ' || name || ' ' || sql from sqlite_master "
                               "order by name";
    QStringList objects = column(*m_db, schema);
    createAccountFile(QStringLiteral("elsewhere.db"));
    openAccountDatabase(QStringLiteral("elsewhere.db"));

    Sqlite3DB other;
    other.openThrow(m_path, SQLITE_OPEN_READWRITE);
    for (const QString& sql : change)
        other.executeThrow(Sqlite3Sql(sql));
    other.executeThrow(Sqlite3Sql(QStringLiteral("pragma user_version = %1").arg(version)));
    if (version > CurrentAccountVersion)
        objects = column(other, schema);
    const qint64 before = scalar("pragma data_version", {}, &other);
    m_db = openAccountDatabase(QStringLiteral("store.db"));
    QCOMPARE(scalar("pragma data_version", {}, &other) != before, written);
    QCOMPARE(accountVersion(m_db), std::max(version, int(CurrentAccountVersion)));
    QCOMPARE(column(*m_db, schema), objects);
    QCOMPARE(scalar("select count(*) from sms_summary where suffix = 'marker'"), 1LL);
    QCOMPARE(scalar("select count(*) from sms_numbers where address = 'marker'"),
             numbersKept ? 1LL : 0LL);

    // Still usable, also by a job that stores many (a later build's triggers stay on).
    m_db->executeThrow(Sqlite3Sql("delete from sms_numbers where address = 'marker'"));
    Transaction job(m_db);
    QCOMPARE(SMSBatchStore(m_db).store({makeSMS("4711", "", "hello later", false, noon())}), 1);
    job.commit();
    QCOMPARE(column(*m_db, keptNumbers), column(*m_db, countedNumbers));
    QCOMPARE(messageRows(*m_db, searchStatement("later", SearchFolder::All)).size(), 1);
    if (version > CurrentAccountVersion)
        QCOMPARE(scalar("select count(*) from later"), 1LL);
}

void TestStore::cancelledUpgradeLeavesAccountAsItWas()
{
    createAccountFile(QStringLiteral("huge.db"));
    auto db = std::make_shared<Sqlite3DB>();
    db->openThrow(accountFilePath(QStringLiteral("huge.db")), SQLITE_OPEN_READWRITE);
    // Enough messages for several steps of the index: the cancel comes after the first.
    db->executeThrow(Sqlite3Sql(
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 160000) insert "
        "into sms(address, person, date, is_send, body, suffix) select 'a' || (i % 97), '', i, "
        "i % 2, 'message number ' || i, 'a' || (i % 97) from n"));
    const QString before = dump(*db);
    AccountUpgradeJob job(db);
    QElapsedTimer sinceCancel;
    const jobtest::RunResult run = jobtest::runRecorded(job, [&](JobRunner& runner) {
        connect(
            &job, &JobThread::updateProgress, &runner,
            [&] {
                if (!sinceCancel.isValid()) {
                    sinceCancel.start();
                    runner.cancel();
                }
            },
            Qt::QueuedConnection);
    });
    QCOMPARE(run.kind, JobOutcome::Cancelled);
    QVERIFY2(sinceCancel.elapsed() < 1000, qPrintable(QString::number(sinceCancel.elapsed())));
    QCOMPARE(dump(*db), before);
    QVERIFY(column(*db, "select name from sqlite_master where name like 'sms_fts%' or name like "
                        "'%summary%'")
                .isEmpty());
}

void TestStore::storingScopeEndsALongStatementOnCancel()
{
    openStore();
    const auto cacheSize = [] { return scalar("pragma cache_size"); };
    const qint64 cacheBefore = cacheSize();
    qint64 cacheDuring = 0;
    // Counting to 10^9 takes minutes unless the cancel interrupts it.
    TaskJob job([&] {
        StoringJobScope scope(m_db);
        m_db->executeThrow(Sqlite3Sql("insert into t(n) values (1)"));
        cacheDuring = cacheSize();
        m_db->queryThrow(Sqlite3Sql("with recursive n(i) as (select 1 union all select i + 1 "
                                    "from n where i < 1000000000) select count(*) from n"))
            .moveNext();
        scope.commit();
    });
    jobtest::RunResult run;
    const qint64 afterCancel = jobtest::cancelAfter(job, 200, &run);
    QVERIFY2(afterCancel >= 0 && afterCancel < 1000, qPrintable(QString::number(afterCancel)));
    QCOMPARE(run.kind, JobOutcome::Cancelled);
    QVERIFY(!job.done());
    QCOMPARE(scalar("select count(*) from t"), 0LL); // rolled back
    QVERIFY(cacheDuring != cacheBefore);
    QCOMPARE(cacheSize(), cacheBefore);
    QVERIFY(!AccountJobs::instance()->busy());
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
