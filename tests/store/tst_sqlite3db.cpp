// The database layer: opening, parameters, cursors, the statement cache and threads.
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sqlite3.h>

#include "store/Sqlite3Cursor.h"
#include "store/Sqlite3DB.h"
#include "store/Sqlite3Exception.h"
#include "store/Sqlite3Sql.h"

namespace {

QString failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Sqlite3Exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

// A new database file with one table t(id, n, big, s).
QString makeDatabase(const QTemporaryDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    Sqlite3DB db;
    db.openThrow(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db.executeThrow(Sqlite3Sql("create table t(id integer primary key, n int, big int, s text)"));
    return path;
}

int rowsOf(Sqlite3DB& db, const char* sql)
{
    Sqlite3Cursor cursor = db.queryThrow(Sqlite3Sql(sql));
    return cursor.moveNext() ? cursor.getInt(0) : -1;
}

} // namespace

class TestSqlite3DB : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void openFailuresLeaveItClosed();
    void readOnlyWriteFailsWithSQLiteMessage();
    void writeProtectedFile();
    void parametersBindInOrder();
    void wrongParameterCountIsRefused();
    void cursorStepsLazilyAndCopiesShare();
    void countIsIndependentOfPosition();
    void columnAccessByNameAndIndex();
    void sameSqlWhileCursorAliveGetsOwnStatement();
    void statementErrorsCarrySQLiteMessage();
    void transactions();
    void cursorAfterCloseThrows();
    void workerAndGuiThreadShareHandle();

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_fileNo = 0;
};

void TestSqlite3DB::init()
{
    QVERIFY(m_dir.isValid());
    m_path = makeDatabase(m_dir, QStringLiteral("t%1.db").arg(++m_fileNo));
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
    QCOMPARE(failureOf([&] { db.openThrow(garbage, SQLITE_OPEN_READWRITE); }),
             QStringLiteral("file is not a database"));
    QVERIFY(!db.isOpen());
    QVERIFY(!failureOf([&] { db.queryThrow(Sqlite3Sql("select 1")); }).isEmpty());

    // A failed open of a second file closes the first one rather than keep it half-current.
    db.openThrow(m_path, SQLITE_OPEN_READWRITE);
    QVERIFY(db.isOpen());
    QVERIFY(!failureOf([&] { db.openThrow(garbage, SQLITE_OPEN_READWRITE); }).isEmpty());
    QVERIFY(!db.isOpen());
}

void TestSqlite3DB::readOnlyWriteFailsWithSQLiteMessage()
{
    Sqlite3DB db;
    db.openThrow(m_path, SQLITE_OPEN_READONLY);
    QVERIFY(db.isReadOnly());
    QCOMPARE(rowsOf(db, "select count(*) from t"), 0);
    QCOMPARE(failureOf([&] { db.executeThrow(Sqlite3Sql("insert into t(n) values(1)")); }),
             QStringLiteral("attempt to write a readonly database"));
}

void TestSqlite3DB::writeProtectedFile()
{
    QFile::setPermissions(m_path, QFileDevice::ReadOwner);
    QFile probe(m_path);
    if (probe.open(QIODevice::ReadWrite))
        QSKIP("file permissions do not bind this user (running as root)");
    Sqlite3DB db;
    db.openThrow(m_path, SQLITE_OPEN_READWRITE);
    QVERIFY(db.isReadOnly());
    QCOMPARE(failureOf([&] { db.executeThrow(Sqlite3Sql("insert into t(n) values(1)")); }),
             QStringLiteral("attempt to write a readonly database"));
}

void TestSqlite3DB::parametersBindInOrder()
{
    Sqlite3DB db;
    db.openThrow(m_path, SQLITE_OPEN_READWRITE);
    const long long big = 5'000'000'000LL;
    Sqlite3Sql insert("insert into t(n, big, s) values(?, ?, ?)");
    insert.addIntParam(-7).addInt64Param(big).addTextParam(QStringLiteral("Grüße ✓"));
    db.executeThrow(insert);
    QCOMPARE(db.lastInsertId(), 1);
    db.executeThrow(Sqlite3Sql("insert into t(n, big, s) values(?, ?, ?)")
                        .addIntParam(2)
                        .addInt64Param(0)
                        .addTextParam(QString()));

    Sqlite3Sql query("select n, big, s from t where big = ?");
    query.addInt64Param(big);
    Sqlite3Cursor cursor = db.queryThrow(query);
    QVERIFY(cursor.moveNext());
    QCOMPARE(cursor.getInt("n"), -7);
    QCOMPARE(cursor.getInt64("big"), big);
    QCOMPARE(cursor.getText("s"), QStringLiteral("Grüße ✓"));
    QVERIFY(!cursor.moveNext());

    // A null string is stored as empty text, so equality finds it again.
    QCOMPARE(rowsOf(db, "select count(*) from t where s = ''"), 1);
    QCOMPARE(rowsOf(db, "select count(*) from t where s is null"), 0);

    // appendSql builds on the text; parameters keep their order.
    Sqlite3Sql built("select count(*) from t");
    built.appendSql(" where n > ?").addIntParam(0).appendSql(" and big = ?").addInt64Param(0);
    Sqlite3Cursor counted = db.queryThrow(built);
    QVERIFY(counted.moveNext());
    QCOMPARE(counted.getInt(0), 1);
}

void TestSqlite3DB::wrongParameterCountIsRefused()
{
    Sqlite3DB db;
    db.openThrow(m_path, SQLITE_OPEN_READWRITE);
    const QString tooFew = failureOf(
        [&] { db.executeThrow(Sqlite3Sql("insert into t(n, s) values(?, ?)").addIntParam(1)); });
    QVERIFY(tooFew.startsWith("wrong number of parameters"));
    const QString tooMany =
        failureOf([&] { db.queryThrow(Sqlite3Sql("select * from t").addIntParam(1)); });
    QVERIFY(tooMany.startsWith("wrong number of parameters"));
    QCOMPARE(rowsOf(db, "select count(*) from t"), 0);
}

void TestSqlite3DB::cursorStepsLazilyAndCopiesShare()
{
    Sqlite3DB db;
    db.openThrow(m_path, SQLITE_OPEN_READWRITE);
    for (int n = 1; n <= 3; ++n)
        db.executeThrow(Sqlite3Sql("insert into t(n) values(?)").addIntParam(n));

    Sqlite3Cursor empty;
    QVERIFY(!empty.moveNext());
    QCOMPARE(empty.count(), 0);

    Sqlite3Cursor cursor = db.queryThrow(Sqlite3Sql("select n from t order by n"));
    QVERIFY(cursor.moveNext());
    QCOMPARE(cursor.getInt(0), 1);
    Sqlite3Cursor copy = cursor;
    QVERIFY(copy.moveNext());
    QCOMPARE(cursor.getInt(0), 2); // the original sees the copy's step
    QVERIFY(cursor.moveNext());
    QCOMPARE(copy.getInt(0), 3);
    QVERIFY(!copy.moveNext());
    QVERIFY(!cursor.moveNext());
    QVERIFY(!cursor.moveNext()); // stays at the end, does not start over

    // Lazy: rows inserted before the first step are seen.
    Sqlite3Cursor late = db.queryThrow(Sqlite3Sql("select n from t where n > 3"));
    db.executeThrow(Sqlite3Sql("insert into t(n) values(4)"));
    QVERIFY(late.moveNext());
    QCOMPARE(late.getInt(0), 4);
}

void TestSqlite3DB::countIsIndependentOfPosition()
{
    Sqlite3DB db;
    db.openThrow(m_path, SQLITE_OPEN_READWRITE);
    db.beginTran();
    for (int n = 0; n < 250; ++n)
        db.executeThrow(Sqlite3Sql("insert into t(n) values(?)").addIntParam(n));
    db.commitTran();

    Sqlite3Sql sql("select n from t where n >= ? order by n desc;  ");
    sql.addIntParam(50);
    Sqlite3Cursor cursor = db.queryThrow(sql);
    QCOMPARE(cursor.count(), 200);
    QVERIFY(cursor.moveNext());
    QCOMPARE(cursor.getInt(0), 249); // count() did not move the cursor
    for (int i = 0; i < 10; ++i)
        QVERIFY(cursor.moveNext());
    // Computed once: later rows do not change the figure of this cursor.
    db.executeThrow(Sqlite3Sql("insert into t(n) values(1000)"));
    QCOMPARE(cursor.count(), 200);
    Sqlite3Cursor copy = cursor;
    QCOMPARE(copy.count(), 200);
    QCOMPARE(db.queryThrow(Sqlite3Sql("select * from t where n < 0")).count(), 0);
}

void TestSqlite3DB::columnAccessByNameAndIndex()
{
    Sqlite3DB db;
    db.openThrow(m_path, SQLITE_OPEN_READWRITE);
    db.executeThrow(Sqlite3Sql("insert into t(n, big, s) values(7, 8, 'x')"));
    Sqlite3Cursor cursor =
        db.queryThrow(Sqlite3Sql("select n as Alias, big, s, null as missing_value from t"));
    QVERIFY(!failureOf([&] { cursor.getInt(0); }).isEmpty()); // before the first row
    QVERIFY(cursor.moveNext());
    QCOMPARE(cursor.getInt("alias"), 7);
    QCOMPARE(cursor.getInt("ALIAS"), 7);
    QCOMPARE(cursor.getInt(1), 8);
    QCOMPARE(cursor.getInt64(1), 8LL);
    QCOMPARE(cursor.getText(2), QStringLiteral("x"));
    QVERIFY(cursor.isNull("missing_value"));
    QVERIFY(cursor.getText("missing_value").isEmpty());
    QCOMPARE(failureOf([&] { cursor.getText("n"); }), QStringLiteral("no such column: n"));
    QVERIFY(!failureOf([&] { cursor.getInt(4); }).isEmpty());
    QVERIFY(!cursor.moveNext());
    QVERIFY(!failureOf([&] { cursor.getInt(0); }).isEmpty()); // after the last row
}

void TestSqlite3DB::sameSqlWhileCursorAliveGetsOwnStatement()
{
    Sqlite3DB db;
    db.openThrow(m_path, SQLITE_OPEN_READWRITE);
    for (int n = 1; n <= 3; ++n)
        db.executeThrow(Sqlite3Sql("insert into t(n) values(?)").addIntParam(n));

    const Sqlite3Sql sql("select n from t order by n");
    // Nested loops over the same text: each cursor keeps its own position.
    int pairs = 0;
    Sqlite3Cursor outer = db.queryThrow(sql);
    while (outer.moveNext()) {
        Sqlite3Cursor inner = db.queryThrow(sql);
        int innerRows = 0;
        while (inner.moveNext())
            ++innerRows;
        QCOMPARE(innerRows, 3);
        pairs += innerRows;
        QVERIFY(outer.getInt(0) >= 1);
    }
    QCOMPARE(pairs, 9);

    // A cached statement handed out again starts before the first row, with new parameters.
    for (int n = 1; n <= 3; ++n) {
        Sqlite3Cursor cursor =
            db.queryThrow(Sqlite3Sql("select n from t where n = ?").addIntParam(n));
        QVERIFY(cursor.moveNext());
        QCOMPARE(cursor.getInt(0), n);
    }
    // Many distinct texts push old ones out of the cache; all of them keep working.
    for (int i = 0; i < 40; ++i) {
        Sqlite3Cursor cursor = db.queryThrow(Sqlite3Sql(QStringLiteral("select %1").arg(i)));
        QVERIFY(cursor.moveNext());
        QCOMPARE(cursor.getInt(0), i);
    }
}

void TestSqlite3DB::statementErrorsCarrySQLiteMessage()
{
    Sqlite3DB db;
    db.openThrow(m_path, SQLITE_OPEN_READWRITE);
    QCOMPARE(failureOf([&] { db.queryThrow(Sqlite3Sql("select * from nowhere")); }),
             QStringLiteral("no such table: nowhere"));
    QVERIFY(failureOf([&] { db.executeThrow(Sqlite3Sql("selec 1")); }).contains("syntax error"));
    QVERIFY(!failureOf([&] { db.executeThrow(Sqlite3Sql("select 1; select 2")); }).isEmpty());
    db.executeThrow(Sqlite3Sql("create unique index u on t(n)"));
    db.executeThrow(Sqlite3Sql("insert into t(n) values(1)"));
    Sqlite3Exception caught("");
    try {
        db.executeThrow(Sqlite3Sql("insert into t(n) values(1)"));
    } catch (const Sqlite3Exception& e) {
        caught = e;
    }
    QCOMPARE(QString::fromUtf8(caught.what()), QStringLiteral("UNIQUE constraint failed: t.n"));
    QCOMPARE(caught.code(), SQLITE_CONSTRAINT);
    // The handle stays usable after a failure.
    QCOMPARE(rowsOf(db, "select count(*) from t"), 1);
}

void TestSqlite3DB::transactions()
{
    Sqlite3DB db;
    db.openThrow(m_path, SQLITE_OPEN_READWRITE);
    db.rollbackTran(); // nothing open: harmless
    db.beginTran();
    QVERIFY(db.inTransaction());
    db.executeThrow(Sqlite3Sql("insert into t(n) values(1)"));
    db.rollbackTran();
    QVERIFY(!db.inTransaction());
    QCOMPARE(rowsOf(db, "select count(*) from t"), 0);

    db.beginTran();
    db.executeThrow(Sqlite3Sql("insert into t(n) values(2)"));
    db.commitTran();
    Sqlite3DB other;
    other.openThrow(m_path, SQLITE_OPEN_READWRITE);
    QCOMPARE(rowsOf(other, "select count(*) from t"), 1);
}

void TestSqlite3DB::cursorAfterCloseThrows()
{
    Sqlite3DB db;
    db.openThrow(m_path, SQLITE_OPEN_READWRITE);
    db.executeThrow(Sqlite3Sql("insert into t(n) values(1)"));
    Sqlite3Cursor cursor = db.queryThrow(Sqlite3Sql("select n from t"));
    db.close();
    db.close();
    QVERIFY(!db.isOpen());
    QCOMPARE(failureOf([&] { cursor.moveNext(); }), QStringLiteral("the database is closed"));
    QCOMPARE(failureOf([&] { cursor.count(); }), QStringLiteral("the database is closed"));
    QVERIFY(!failureOf([&] { db.executeThrow(Sqlite3Sql("select 1")); }).isEmpty());
}

void TestSqlite3DB::workerAndGuiThreadShareHandle()
{
    Sqlite3DB db;
    db.openThrow(m_path, SQLITE_OPEN_READWRITE);
    // Interleaving is what matters here, not durability: skip the flush of each insert.
    db.executeThrow(Sqlite3Sql("pragma synchronous = off"));
    constexpr int perThread = 500;
    // Both threads run the same texts, so they compete for the same cached statements.
    auto work = [&db](int base) {
        for (int i = 0; i < perThread; ++i) {
            db.executeThrow(Sqlite3Sql("insert into t(n, big) values(?, ?)")
                                .addIntParam(base + i)
                                .addInt64Param(base));
            Sqlite3Cursor cursor = db.queryThrow(
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
    QCOMPARE(rowsOf(db, "select count(*) from t"), 2 * perThread);
}

QTEST_GUILESS_MAIN(TestSqlite3DB)
#include "tst_sqlite3db.moc"
