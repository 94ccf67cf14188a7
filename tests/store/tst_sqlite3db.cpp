// The database layer: opening, parameters, cursors, the statement cache and threads.
#include <QThread>

#include <sqlite3.h>

#include "store/StoreTestSupport.h"

using namespace storetest;

class TestSqlite3DB : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void openFailuresLeaveItClosed();
    void readOnlyWriteFailsWithSQLiteMessage();
    void parameters();
    void cursor();
    void countIsIndependentOfPosition();
    void sameSqlWhileCursorAliveGetsOwnStatement();
    void errorsAndTransactions();
    void cursorAfterCloseThrows();
    void workerAndGuiThreadShareHandle();

private:
    QTemporaryDir m_dir;
    QString m_path;
    Sqlite3DB m_db;
    int m_fileNo = 0;
};

void TestSqlite3DB::init()
{
    m_path = m_dir.filePath(QStringLiteral("t%1.db").arg(++m_fileNo));
    m_db.openThrow(m_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    m_db.executeThrow(Sqlite3Sql("create table t(id integer primary key, n int, big int, s text)"));
}

void TestSqlite3DB::openFailuresLeaveItClosed()
{
    Sqlite3DB db;
    QCOMPARE(failureOf([&] { db.openThrow(m_dir.filePath("missing.db"), SQLITE_OPEN_READWRITE); }),
             QStringLiteral("unable to open database file"));
    QVERIFY(!db.isOpen());
    QVERIFY(!QFile::exists(m_dir.filePath("missing.db")));

    const QString garbage = m_dir.filePath("garbage.db");
    QFile file(garbage);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    // A failed open of another file closes the one open before, never leaves it half-current.
    db.openThrow(m_path, SQLITE_OPEN_READWRITE);
    QCOMPARE(failureOf([&] { db.openThrow(garbage, SQLITE_OPEN_READWRITE); }),
             QStringLiteral("file is not a database"));
    QVERIFY(!db.isOpen());
    QCOMPARE(failureOf([&] { db.queryThrow(Sqlite3Sql("select 1")); }),
             QStringLiteral("the database is not open"));
}

void TestSqlite3DB::readOnlyWriteFailsWithSQLiteMessage()
{
    Sqlite3DB db;
    db.openThrow(m_path, SQLITE_OPEN_READONLY);
    QVERIFY(db.isReadOnly() && !m_db.isReadOnly());
    QCOMPARE(scalar(db, "select count(*) from t"), 0LL);
    QCOMPARE(failureOf([&] { db.executeThrow(Sqlite3Sql("insert into t(n) values(1)")); }),
             QStringLiteral("attempt to write a readonly database"));
}

void TestSqlite3DB::parameters()
{
    const long long big = 5'000'000'000LL;
    m_db.executeThrow(Sqlite3Sql("insert into t(n, big, s) values(?, ?, ?)")
                          .addIntParam(-7)
                          .addInt64Param(big)
                          .addTextParam(QStringLiteral("Grüße ✓")));
    QCOMPARE(m_db.lastInsertId(), 1);
    m_db.executeThrow(
        Sqlite3Sql("insert into t(n, big, s) values(?, 0, ?)").addIntParam(2).addTextParam({}));

    Sqlite3Cursor cursor =
        m_db.queryThrow(Sqlite3Sql("select n, big, s from t where big = ?").addInt64Param(big));
    QVERIFY(cursor.moveNext());
    QCOMPARE(cursor.getInt("n"), -7);
    QCOMPARE(cursor.getInt64("big"), big);
    QCOMPARE(cursor.getText("s"), QStringLiteral("Grüße ✓"));
    QVERIFY(!cursor.moveNext());
    // A null string is stored as empty text, so that equality finds it again.
    QCOMPARE(scalar(m_db, "select count(*) from t where s = ''"), 1LL);

    Sqlite3Sql built("select count(*) from t");
    built.appendSql(" where n > ?").addIntParam(0).appendSql(" and big = ?").addInt64Param(0);
    Sqlite3Cursor counted = m_db.queryThrow(built);
    QVERIFY(counted.moveNext());
    QCOMPARE(counted.getInt(0), 1);

    // Too few or too many parameters are refused before anything runs.
    QVERIFY(failureOf([&] {
                m_db.executeThrow(Sqlite3Sql("insert into t(n, s) values(?, ?)").addIntParam(1));
            }).startsWith("wrong number of parameters"));
    QVERIFY(failureOf([&] {
                m_db.queryThrow(Sqlite3Sql("select * from t").addIntParam(1));
            }).startsWith("wrong number of parameters"));
    QCOMPARE(scalar(m_db, "select count(*) from t"), 2LL);
}

void TestSqlite3DB::cursor()
{
    for (int n = 1; n <= 3; ++n)
        m_db.executeThrow(Sqlite3Sql("insert into t(n, big, s) values(?, 8, 'x')").addIntParam(n));
    Sqlite3Cursor empty;
    QVERIFY(!empty.moveNext());
    QCOMPARE(empty.count(), 0);

    Sqlite3Cursor cursor = m_db.queryThrow(
        Sqlite3Sql("select n as Alias, big, s, null as missing_value from t order by n"));
    QVERIFY(!failureOf([&] { cursor.getInt(0); }).isEmpty()); // before the first row
    QVERIFY(cursor.moveNext());
    QCOMPARE(cursor.getInt("ALIAS"), 1);
    QCOMPARE(cursor.getInt64(1), 8LL);
    QCOMPARE(cursor.getText(2), QStringLiteral("x"));
    QVERIFY(cursor.isNull("missing_value") && cursor.getText("missing_value").isEmpty());
    QCOMPARE(failureOf([&] { cursor.getText("n"); }), QStringLiteral("no such column: n"));
    QVERIFY(!failureOf([&] { cursor.getInt(4); }).isEmpty());

    // Copies share the position.
    Sqlite3Cursor copy = cursor;
    QVERIFY(copy.moveNext());
    QCOMPARE(cursor.getInt(0), 2);
    QVERIFY(cursor.moveNext() && !copy.moveNext());
    QVERIFY(!cursor.moveNext()); // stays at the end, does not start over
    QVERIFY(!failureOf([&] { cursor.getInt(0); }).isEmpty());

    // Lazy: a row inserted before the first step is seen.
    Sqlite3Cursor late = m_db.queryThrow(Sqlite3Sql("select n from t where n > 3"));
    m_db.executeThrow(Sqlite3Sql("insert into t(n) values(4)"));
    QVERIFY(late.moveNext());
    QCOMPARE(late.getInt(0), 4);
}

void TestSqlite3DB::countIsIndependentOfPosition()
{
    m_db.beginTran();
    for (int n = 0; n < 250; ++n)
        m_db.executeThrow(Sqlite3Sql("insert into t(n) values(?)").addIntParam(n));
    m_db.commitTran();

    Sqlite3Cursor cursor = m_db.queryThrow(
        Sqlite3Sql("select n from t where n >= ? order by n desc;  ").addIntParam(50));
    QCOMPARE(cursor.count(), 200);
    QVERIFY(cursor.moveNext());
    QCOMPARE(cursor.getInt(0), 249); // count() did not move the cursor
    // Computed once: a later row does not change the figure of this cursor or its copies.
    m_db.executeThrow(Sqlite3Sql("insert into t(n) values(1000)"));
    Sqlite3Cursor copy = cursor;
    QCOMPARE(copy.count(), 200);
    QCOMPARE(m_db.queryThrow(Sqlite3Sql("select * from t where n < 0")).count(), 0);
}

void TestSqlite3DB::sameSqlWhileCursorAliveGetsOwnStatement()
{
    for (int n = 1; n <= 3; ++n)
        m_db.executeThrow(Sqlite3Sql("insert into t(n) values(?)").addIntParam(n));
    // Nested loops over the same text: each cursor keeps its own position.
    const Sqlite3Sql sql("select n from t order by n");
    int pairs = 0;
    Sqlite3Cursor outer = m_db.queryThrow(sql);
    while (outer.moveNext()) {
        Sqlite3Cursor inner = m_db.queryThrow(sql);
        while (inner.moveNext())
            ++pairs;
    }
    QCOMPARE(pairs, 9);
    // A statement handed out again starts before the first row, with its new parameters; many
    // distinct texts push old ones out of the cache.
    for (int i = 0; i < 40; ++i) {
        Sqlite3Cursor cursor =
            m_db.queryThrow(Sqlite3Sql("select n from t where n = ?").addIntParam(i % 3 + 1));
        QVERIFY(cursor.moveNext());
        QCOMPARE(cursor.getInt(0), i % 3 + 1);
        QCOMPARE(scalar(m_db, QStringLiteral("select %1").arg(i)), i);
    }
}

void TestSqlite3DB::errorsAndTransactions()
{
    QCOMPARE(failureOf([&] { m_db.queryThrow(Sqlite3Sql("select * from nowhere")); }),
             QStringLiteral("no such table: nowhere"));
    QVERIFY(failureOf([&] { m_db.executeThrow(Sqlite3Sql("selec 1")); }).contains("syntax error"));
    QVERIFY(!failureOf([&] { m_db.executeThrow(Sqlite3Sql("select 1; select 2")); }).isEmpty());
    m_db.executeThrow(Sqlite3Sql("create unique index u on t(n)"));
    m_db.executeThrow(Sqlite3Sql("insert into t(n) values(1)"));
    int code = 0;
    try {
        m_db.executeThrow(Sqlite3Sql("insert into t(n) values(1)"));
    } catch (const Sqlite3Exception& e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("UNIQUE constraint failed: t.n"));
        code = e.code();
    }
    QCOMPARE(code, SQLITE_CONSTRAINT);

    m_db.rollbackTran(); // nothing open: harmless in any failure path
    m_db.beginTran();
    QVERIFY(m_db.inTransaction());
    m_db.executeThrow(Sqlite3Sql("insert into t(n) values(2)"));
    m_db.rollbackTran();
    QVERIFY(!m_db.inTransaction());
    QCOMPARE(scalar(m_db, "select count(*) from t"), 1LL);
    m_db.beginTran();
    m_db.executeThrow(Sqlite3Sql("insert into t(n) values(3)"));
    m_db.commitTran();
    Sqlite3DB other;
    other.openThrow(m_path, SQLITE_OPEN_READWRITE);
    QCOMPARE(scalar(other, "select count(*) from t"), 2LL);
}

void TestSqlite3DB::cursorAfterCloseThrows()
{
    m_db.executeThrow(Sqlite3Sql("insert into t(n) values(1)"));
    Sqlite3Cursor cursor = m_db.queryThrow(Sqlite3Sql("select n from t"));
    m_db.close();
    m_db.close();
    QVERIFY(!m_db.isOpen());
    QCOMPARE(failureOf([&] { cursor.moveNext(); }), QStringLiteral("the database is closed"));
    QCOMPARE(failureOf([&] { cursor.count(); }), QStringLiteral("the database is closed"));
}

void TestSqlite3DB::workerAndGuiThreadShareHandle()
{
    // Interleaving is what matters here, not durability: skip the flush of each insert.
    m_db.executeThrow(Sqlite3Sql("pragma synchronous = off"));
    constexpr int perThread = 500;
    // Both threads run the same texts, so they compete for the same cached statements.
    auto work = [this](int base) {
        for (int i = 0; i < perThread; ++i) {
            m_db.executeThrow(Sqlite3Sql("insert into t(n, big) values(?, ?)")
                                  .addIntParam(base + i)
                                  .addInt64Param(base));
            Sqlite3Cursor cursor = m_db.queryThrow(
                Sqlite3Sql("select count(*) from t where big = ?").addInt64Param(base));
            if (!cursor.moveNext() || cursor.getInt(0) != i + 1)
                throw Sqlite3Exception("lost a row");
        }
    };
    QString workerFailure;
    std::unique_ptr<QThread> worker(
        QThread::create([&] { workerFailure = failureOf([&] { work(1'000'000); }); }));
    worker->start();
    const QString guiFailure = failureOf([&] { work(0); });
    worker->wait();
    QCOMPARE(guiFailure, QString());
    QCOMPARE(workerFailure, QString());
    QCOMPARE(scalar(m_db, "select count(*) from t"), 2LL * perThread);
}

QTEST_GUILESS_MAIN(TestSqlite3DB)
#include "tst_sqlite3db.moc"
