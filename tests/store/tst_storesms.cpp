// Storing messages, the conversation key, display names, reading rows, and the two sources.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "app/JobThread.h"
#include "store/Accounts.h"
#include "store/SMSCursorSource.h"
#include "store/SMSListSource.h"
#include "store/StoreSMS.h"
#include "store/StoreTestSupport.h"

using namespace storetest;

namespace {

SMSInfo message(const QString& address, const QString& body, const QDateTime& date, bool isSend,
                const QString& person = QString())
{
    SMSInfo sms;
    sms.address = address;
    sms.body = body;
    sms.date = date;
    sms.isSend = isSend;
    sms.person = person;
    return sms;
}

QDateTime noon(int msec = 0)
{
    return QDateTime(QDate(2023, 5, 17), QTime(12, 0, 0, msec));
}

// Stores a list in one transaction, the way the storing jobs do; rolls back on failure or
// cancel, so nothing of a broken job stays.
class StoringJob : public JobThread
{
public:
    explicit StoringJob(const QList<SMSInfo>& list) : JobThread(nullptr), m_list(list) {}

protected:
    void run() override
    {
        Sqlite3DB* db = currentDatabase();
        try {
            db->beginTran();
            for (int i = 0; i < m_list.size(); ++i) {
                if (isCancelRequested()) {
                    db->rollbackTran();
                    return;
                }
                SMSInfo sms = m_list.at(i);
                storeSMS(db, sms);
                emit updateProgress(percentOf(i + 1, m_list.size()),
                                    QStringLiteral("SMS %1:%2").arg(i + 1).arg(m_list.size()));
            }
            db->commitTran();
            emit succeed(QString());
        } catch (const Sqlite3Exception& e) {
            db->rollbackTran();
            emit errorOccurred(QString::fromUtf8(e.what()));
        }
    }

private:
    QList<SMSInfo> m_list;
};

} // namespace

class TestStoreSMS : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void keyAndDisplayRules();
    void duplicateRule();
    void dateRoundTrip();
    void rowsReadByTheRules();
    void viewGivesTheConversationsName();
    void failedJobLeavesDatabaseUnchanged();
    void cancelledJobLeavesDatabaseUnchanged();
    void twoThreadsStoreEachMessageOnce();
    void sources();

private:
    QTemporaryDir m_home;
    Sqlite3DB* m_db = nullptr;
    int m_account = 0;
};

void TestStoreSMS::initTestCase()
{
    QVERIFY(m_home.isValid());
    isolateHome(m_home);
}

void TestStoreSMS::init()
{
    const QString name = QStringLiteral("store%1.db").arg(++m_account);
    createAccountFile(name);
    m_db = openAccountDatabase(name);
}

void TestStoreSMS::keyAndDisplayRules()
{
    const QList<std::array<const char*, 2>> suffixes = {
        {"12345", "12345"},
        {"+1 (234) 567-8901", "345678901"},
        {"+49 170 1234567", "701234567"},
        {"0170-1234567", "701234567"},
        {"123456789", "123456789"},
        {"1234567890", "234567890"},
        {"Bank24", "Bank24"},
        {"+49 x 12", "+49 x 12"},  // one ASCII letter keeps the address whole
        {"\u00c4\u00d6 12", "12"}, // other letters do not
        {"+-() ", ""},
        {"", ""}};
    for (const auto& [address, suffix] : suffixes)
        QCOMPARE(conversationSuffix(QString::fromUtf8(address)), QString::fromUtf8(suffix));

    const QList<std::array<const char*, 3>> names = {{"Anna", "555", "Anna(555)"},
                                                     {"", "555", "555"},
                                                     {"Anna", "", "Anna"},
                                                     {"", "", "Unknown"}};
    for (const auto& [person, address, display] : names) {
        SMSInfo sms;
        sms.person = QString::fromUtf8(person);
        sms.address = QString::fromUtf8(address);
        QCOMPARE(contactDisplayName(sms), QString::fromUtf8(display));
    }
}

void TestStoreSMS::duplicateRule()
{
    SMSInfo first = message("+49 170 1234567", "hello", noon(750), false, "Anna");
    QVERIFY(storeSMS(m_db, first));
    QVERIFY(first.smsId > 0);
    QCOMPARE(first.smsId, int(scalar(*m_db, "select max(sms_id) from sms")));

    SMSInfo again = first;
    again.smsId = 0;
    QVERIFY(!storeSMS(m_db, again));
    QCOMPARE(again.smsId, 0); // a skipped record is left as it was

    SMSInfo otherPerson = message("+49 170 1234567", "hello", noon(750), false, "Anne");
    QVERIFY(!storeSMS(m_db, otherPerson));
    SMSInfo otherMillis = message("+49 170 1234567", "hello", noon(10), false);
    QVERIFY(!storeSMS(m_db, otherMillis));
    QCOMPARE(scalar(*m_db, "select count(*) from sms"), 1LL);

    SMSInfo otherDirection = message("+49 170 1234567", "hello", noon(750), true);
    QVERIFY(storeSMS(m_db, otherDirection));
    SMSInfo otherSecond = message("+49 170 1234567", "hello", noon().addSecs(1), false);
    QVERIFY(storeSMS(m_db, otherSecond));
    SMSInfo otherBody = message("+49 170 1234567", "hello!", noon(), false);
    QVERIFY(storeSMS(m_db, otherBody));
    // Another spelling of the number: a new row, but the same conversation.
    SMSInfo otherSpelling = message("0170-1234567", "hello", noon(), false);
    QVERIFY(storeSMS(m_db, otherSpelling));
    QCOMPARE(scalar(*m_db, "select count(*) from sms"), 5LL);
    QCOMPARE(scalar(*m_db, "select count(distinct suffix) from sms"), 1LL);
    Sqlite3Cursor suffix = m_db->queryThrow(Sqlite3Sql("select distinct suffix from sms"));
    QVERIFY(suffix.moveNext());
    QCOMPARE(suffix.getText("suffix"), QStringLiteral("701234567"));

    // A record with no address (a null string) matches its stored copy too.
    SMSInfo noAddress = message(QString(), QString(), noon(), false);
    SMSInfo noAddressCopy = noAddress;
    QVERIFY(storeSMS(m_db, noAddress));
    QVERIFY(!storeSMS(m_db, noAddressCopy));
    QCOMPARE(scalar(*m_db, "select count(*) from sms where suffix = ''"), 1LL);
}

void TestStoreSMS::dateRoundTrip()
{
    const QList<QDateTime> dates = {noon(750), QDateTime::fromMSecsSinceEpoch(-1500),
                                    QDateTime::fromMSecsSinceEpoch(4'102'444'800'999LL)};
    for (const QDateTime& date : dates) {
        SMSInfo sms = message("555", date.toString(Qt::ISODateWithMs), date, true);
        QVERIFY(storeSMS(m_db, sms));
        Sqlite3Cursor cursor = m_db->queryThrow(
            Sqlite3Sql("select * from sms where sms_id = ?").addIntParam(sms.smsId));
        QVERIFY(cursor.moveNext());
        // Whole seconds, the fraction cut off toward zero.
        QCOMPARE(cursor.getInt64("date"), date.toMSecsSinceEpoch() / 1000);
        const SMSInfo read = readSMSRow(cursor);
        QCOMPARE(read.date, QDateTime::fromMSecsSinceEpoch(date.toMSecsSinceEpoch() / 1000 * 1000));
        QCOMPARE(read.date.time().msec(), 0);
        QCOMPARE(read.date.timeSpec(), Qt::LocalTime);
        QCOMPARE(read.smsId, sms.smsId);
        QCOMPARE(read.address, sms.address);
        QCOMPARE(read.body, sms.body);
        QCOMPARE(read.isSend, true);
    }
    Sqlite3Cursor first = m_db->queryThrow(Sqlite3Sql("select * from sms order by sms_id"));
    QVERIFY(first.moveNext());
    QCOMPARE(readSMSRow(first).date, noon(0));
}

void TestStoreSMS::rowsReadByTheRules()
{
    m_db->executeThrow(Sqlite3Sql("insert into sms(sms_id, address, date, is_send, body) values "
                                  "(1, 'a', 0, 1, 'one'), (2, 'a', 0, 2, 'two'), "
                                  "(3, 'a', 0, 0, 'zero'), (4, 'a', 0, null, 'null'), "
                                  "(4294967303, 'a', 0, '1', 'text one')"));
    Sqlite3Cursor cursor = m_db->queryThrow(Sqlite3Sql("select * from sms order by sms_id"));
    QList<bool> sent;
    QList<int> ids;
    while (cursor.moveNext()) {
        sent.append(readSMSRow(cursor).isSend);
        ids.append(readSMSRow(cursor).smsId);
    }
    // is_send is true for exactly 1 (the BOOLEAN column turns the text '1' into 1).
    QCOMPARE(sent, (QList<bool>{true, false, false, false, true}));
    // The row id keeps its low 32 bits, also when storeSMS reports it.
    QCOMPARE(ids, (QList<int>{1, 2, 3, 4, 7}));
    SMSInfo next = message("a", "next", noon(), false);
    QVERIFY(storeSMS(m_db, next));
    QCOMPARE(next.smsId, 8);
}

void TestStoreSMS::viewGivesTheConversationsName()
{
    SMSInfo named = message("+49 170 1234567", "from Anna", noon(), false, "Anna");
    SMSInfo unnamed = message("0170 1234567", "to her", noon().addSecs(60), true);
    SMSInfo stranger = message("999", "who?", noon().addSecs(120), false);
    QVERIFY(storeSMS(m_db, named) && storeSMS(m_db, unnamed) && storeSMS(m_db, stranger));

    Sqlite3Cursor cursor =
        m_db->queryThrow(Sqlite3Sql("select * from view_sms where suffix=? order by date asc")
                             .addTextParam("701234567"));
    QList<SMSInfo> conversation;
    while (cursor.moveNext())
        conversation.append(readSMSRow(cursor));
    QCOMPARE(conversation.size(), 2);
    QCOMPARE(conversation.at(0).person, QStringLiteral("Anna"));
    QCOMPARE(conversation.at(1).person, QStringLiteral("Anna")); // its own person is empty
    QCOMPARE(conversation.at(1).address, QStringLiteral("0170 1234567"));
    QCOMPARE(conversation.at(1).smsId, unnamed.smsId);
    QCOMPARE(contactDisplayName(conversation.at(1)), QStringLiteral("Anna(0170 1234567)"));
}

void TestStoreSMS::failedJobLeavesDatabaseUnchanged()
{
    SMSInfo earlier = message("555", "kept", noon(), false);
    QVERIFY(storeSMS(m_db, earlier));
    // A failure in the middle of the job, as a full disk would give.
    m_db->executeThrow(Sqlite3Sql("create trigger refuse before insert on sms when new.body = "
                                  "'boom' begin select raise(abort, 'refused by trigger'); end"));
    const QString before = dump(*m_db);

    QList<SMSInfo> list;
    for (int i = 0; i < 20; ++i)
        list.append(message("777", i == 12 ? "boom" : QString::number(i), noon().addSecs(i), true));
    StoringJob job(list);
    QSignalSpy errors(&job, &JobThread::errorOccurred);
    QSignalSpy successes(&job, &JobThread::succeed);
    job.start();
    QVERIFY(job.wait());
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.first().first().toString(), QStringLiteral("refused by trigger"));
    QCOMPARE(successes.size(), 0);
    QVERIFY(!m_db->inTransaction());
    QCOMPARE(dump(*m_db), before);
}

void TestStoreSMS::cancelledJobLeavesDatabaseUnchanged()
{
    const QString before = dump(*m_db);
    QList<SMSInfo> list;
    for (int i = 0; i < 50; ++i)
        list.append(message("777", QString::number(i), noon().addSecs(i), false));
    StoringJob job(list);
    // The user closes the dialog after the third message.
    connect(
        &job, &JobThread::updateProgress, &job,
        [&job](int, const QString& text) {
            if (text.startsWith(QLatin1String("SMS 3:")))
                job.onProgressClose(0);
        },
        Qt::DirectConnection);
    QSignalSpy successes(&job, &JobThread::succeed);
    QSignalSpy progress(&job, &JobThread::updateProgress);
    job.start();
    QVERIFY(job.wait());
    QCOMPARE(progress.size(), 3);
    QCOMPARE(successes.size(), 0);
    QCOMPARE(dump(*m_db), before);

    // The same list without a cancel goes in completely.
    StoringJob complete(list);
    complete.start();
    QVERIFY(complete.wait());
    QCOMPARE(scalar(*m_db, "select count(*) from sms"), 50LL);
}

void TestStoreSMS::twoThreadsStoreEachMessageOnce()
{
    // An incoming message stored by the GUI thread while a job stores the same ones.
    m_db->executeThrow(Sqlite3Sql("pragma synchronous = off")); // speed, not durability
    QList<SMSInfo> list;
    for (int i = 0; i < 300; ++i)
        list.append(message(QString::number(1000 + i % 7), "same", noon().addSecs(i), i % 2));
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
    QCOMPARE(scalar(*m_db, "select count(*) from sms"), 300LL);
}

void TestStoreSMS::sources()
{
    const QList<SMSInfo> list = {message("1", "a", noon(), false), message("2", "b", noon(), true)};
    SMSListSource emptyList{QList<SMSInfo>()};
    SMSListSource listSource(list);
    SMSCursorSource emptyCursor(m_db->queryThrow(Sqlite3Sql("select * from view_sms")));
    SMSInfo first;
    QCOMPARE(emptyCursor.count(), 0); // read before the rows below exist
    QVERIFY(!emptyCursor.next(first));
    // Stored out of date order; the whole-account query hands them out oldest first.
    for (int minutes : {30, 10, 20}) {
        SMSInfo sms = message("555", QString::number(minutes), noon().addSecs(60 * minutes),
                              minutes == 20, minutes == 10 ? "Bo" : "");
        QVERIFY(storeSMS(m_db, sms));
    }
    SMSCursorSource cursorSource(
        m_db->queryThrow(Sqlite3Sql("select * from view_sms order by date asc")));

    const QList<std::pair<AbsSMSDataSource*, QStringList>> cases = {
        {&emptyList, {}},
        {&listSource, {"a", "b"}},
        {&emptyCursor, {}},
        {&cursorSource, {"10", "20", "30"}}};
    for (const auto& [source, bodies] : cases) {
        QCOMPARE(source->count(), bodies.size());
        QStringList seen;
        SMSInfo sms;
        while (source->next(sms))
            seen.append(sms.body);
        QCOMPARE(seen, bodies);
        // After the end: still false, the target untouched, the count unchanged.
        SMSInfo after = message("sentinel", "untouched", noon(), true);
        QVERIFY(!source->next(after) && !source->next(after));
        QCOMPARE(after.body, QStringLiteral("untouched"));
        QCOMPARE(source->count(), bodies.size());
    }
}

QTEST_GUILESS_MAIN(TestStoreSMS)
#include "tst_storesms.moc"
