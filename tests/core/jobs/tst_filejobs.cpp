// The preview and import jobs of CSV files: header rules, dates, blank lines, read failures,
// cancel and transaction failures, without any window.

#include <QtTest>

#include "core/format/CSVReader.h"
#include "core/store/Accounts.h"
#include "core/store/Sqlite3DB.h"
#include "support/FilesTestSupport.h"

using namespace filestest;

namespace {
const QString formatMessage =
    QStringLiteral("The format of your imported CSV file did not match that of Quillmarten.");
const QString dateMessage =
    QStringLiteral("Incorrect date format in CSV data.Correct format is (yyyy-MM-dd hh:mm:ss).");

} // namespace

class TestFileJobs : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void previewFiles_data();
    void previewFiles();
    void unreadableFilesEndJob();
    void importEdgeCases();
    void importCancelLeavesDatabaseUnchanged();
    void importCommitFailureRollsBack();

private:
    TestAccount m_account;
    QTemporaryDir m_dir;
    int m_accounts = 0;
};

void TestFileJobs::init()
{
    QVERIFY(m_account.open(QStringLiteral("a%1.db").arg(++m_accounts)));
}

void TestFileJobs::previewFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text"); // accepted if it begins with "Successfully"
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QList<int>>("percents");
    const auto row = [](const char* name, const QByteArray& bytes, const QString& text,
                        const QStringList& records = {}, const QList<int>& percents = {}) {
        QTest::newRow(name) << bytes << text << records << percents;
    };
    const QByteArray header = "send,date,number,person,content\n";
    const QByteArray big(MAX_CSV_FIELD_BYTES, 'z');
    const QString one = keys({makeSMS("555", "", "one", false, at(2012, 3, 4, 5, 6, 7))}).first();
    const QString two = keys({makeSMS("777", "", "a,b", true, at(2012, 3, 4, 5, 6, 8))}).first();
    row("columns in another order",
        "content,number,date,send\none,555,2012-03-04 05:06:07,0\n"
        "\"a,b\",777,2012-03-04 05:06:08,1\n",
        "Successfully load 2 SMS.", {one, two}, {50, 100});
    // Blank lines are skipped, not invalid, yet count toward the total (4 after the header).
    row("mark, title and blank lines",
        "\xEF\xBB\xBFMy messages\n\nsend,date,number,person,content\r\n"
        "0,2012-03-04 05:06:07,555,,one\r\n\r\n\n1,2012-03-04 05:06:08,777,,\"a,b\"\r\n",
        "Successfully load 2 SMS.", {one, two}, {25, 50});
    row("Send refused", "Send,date,number,person,content\n1,2012-03-04 05:06:07,555,,x\n",
        formatMessage);
    row("invalid date ends preview",
        header + "0,2012-03-04 05:06:07,555,,one\n0,04/03/2012 10:00,555,,bad\n"
                 "0,2012-03-04 05:06:09,555,,never read\n",
        dateMessage, {one}, {33});
    // A record with a field over 1 MiB is left out and counted.
    row("field over 1 MiB",
        header + "0,2012-03-04 05:06:07,555,,one\n0,2012-03-04 05:06:08,777,,\"" + big + "z\"\n",
        "Successfully load 1 SMS. Skipped 1 SMS whose text is larger than 1 MiB.", {one}, {50});
    row("header field over 1 MiB", "title\n" + header.chopped(1) + big + "\n", formatMessage);
    row("empty file", "", formatMessage);
    row("header only", header, "Successfully load 0 SMS.");
    row("header without lf", header.chopped(1), "Successfully load 0 SMS.");
    // No line feed after the only record: a counted total of 0, the per-cent stays in range.
    row("total of 0", header + "0,2012-03-04 05:06:07,555,,one", "Successfully load 1 SMS.", {one},
        {0});
}

void TestFileJobs::previewFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(QStringList, records);
    QFETCH(QList<int>, percents);
    const PreviewResult outcome = previewFile(writeFile(m_dir.filePath("preview.csv"), bytes));
    QCOMPARE(outcome.succeeded(), text.startsWith(QLatin1String("Successfully")));
    QVERIFY2(outcome.text.contains(text), qPrintable(outcome.text));
    QCOMPARE(keys(outcome.list), records);
    QCOMPARE(outcome.invalid, 0);
    QCOMPARE(outcome.percents(), percents);
}

void TestFileJobs::unreadableFilesEndJob()
{
    QCOMPARE(previewFile(m_dir.filePath("does-not-exist.csv")).kind, JobOutcome::Failed);
    // Opens, but every read fails: the counting pass must end the job, not the program.
    QFile probe(QStringLiteral("/proc/self/mem"));
    char c;
    if (!probe.open(QIODevice::ReadOnly) || probe.read(&c, 1) != -1)
        QSKIP("/proc/self/mem cannot stand for an unreadable file here");
    probe.close();
    QCOMPARE(previewFile(probe.fileName()).kind, JobOutcome::Failed);
}

void TestFileJobs::importEdgeCases()
{
    const jobtest::RunResult empty = importList({});
    QVERIFY(empty.succeeded());
    QCOMPARE(empty.text, QStringLiteral("Successfully import 0 SMS."));
    importList({makeSMS("", "", "no number", false, at(2012, 3, 4, 5, 6, 7))});
    QCOMPARE(scalar("select count(*) from sms where address = "
                    "'Unknown' and body = 'no number'"),
             1);

    // One record without a date anywhere: nothing stored.
    QList<SMSInfo> list = generated(5);
    list.insert(3, makeSMS("1", "", "undated", false, QDateTime()));
    QVERIFY(importList(list).failedWith(dateMessage));
    QCOMPARE(storedBodies(), QStringList{"no number"});
}

void TestFileJobs::importCancelLeavesDatabaseUnchanged()
{
    importList(generated(20, "earlier"));
    const QString before = dump();
    ImportJob job(generated(500));
    // Cancelled from inside the job once 50 records are stored.
    jobtest::cancelAtProgress(job, QStringLiteral("SMS 50:500"));
    const jobtest::RunResult run = jobtest::runRecorded(job);
    QCOMPARE(run.kind, JobOutcome::Cancelled);
    QVERIFY(run.text.isEmpty());
    QCOMPARE(dump(), before);
}

void TestFileJobs::importCommitFailureRollsBack()
{
    // A deferred foreign key that every insert violates fails the COMMIT itself.
    importList(generated(2, "kept"));
    const QString before = dump();
    Sqlite3DB* db = currentDatabase();
    db->executeThrow(Sqlite3Sql("PRAGMA foreign_keys = ON"));
    db->executeThrow(Sqlite3Sql("create table parent(id integer primary key)"));
    db->executeThrow(Sqlite3Sql(
        "create table child(p integer references parent(id) deferrable initially deferred)"));
    db->executeThrow(Sqlite3Sql(
        "create trigger orphan after insert on sms begin insert into child values(999); end"));
    const jobtest::RunResult commit = importList(generated(4, "rolled back"));
    QVERIFY2(commit.failedWith(QStringLiteral("FOREIGN KEY")), qPrintable(commit.text));
    QCOMPARE(dump(), before);
    // The database is usable afterwards: a new transaction can begin.
    db->executeThrow(Sqlite3Sql("drop trigger orphan"));
    QVERIFY(importList(generated(1, "after")).succeeded());
}

QTEST_GUILESS_MAIN(TestFileJobs)
#include "tst_filejobs.moc"
