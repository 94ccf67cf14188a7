// The preview job (own format) and the import job: header rules, dates, blank lines, read
// failures, cancel and transaction failures. The round trip is tested end to end.

#include <QtTest>

#include "files/FilesTestSupport.h"
#include "store/Sqlite3DB.h"

using namespace filestest;

namespace {

const QString formatMessage =
    QStringLiteral("The format of your imported CSV file did not match that of Quillmarten.");
const QString dateMessage =
    QStringLiteral("Incorrect date format in CSV data.Correct format is (yyyy-MM-dd hh:mm:ss).");

QString tableRows()
{
    return storetest::dump(*currentDatabase());
}

} // namespace

class TestPreviewImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(isolateInEnglish(m_home, m_translator)); }
    void init() { QVERIFY(openFreshAccount(QStringLiteral("a%1.db").arg(++m_account))); }
    void columnMapAndRecords();
    void previewFiles_data();
    void previewFiles();
    void unreadableFilesEndJob();
    void importEdgeCases();
    void importCancelLeavesDatabaseUnchanged();
    void importTransactionFailures();

private:
    QTemporaryDir m_home;
    QTemporaryDir m_dir;
    QTranslator m_translator;
    int m_account = 0;
};

void TestPreviewImport::columnMapAndRecords()
{
    const QHash<QString, int> columns = columnIndexMap({"send", "date", "send", "x"});
    QCOMPARE(columns.value("send"), 2); // the later of two equal names
    QCOMPARE(fieldByName(columns, {"a", "b"}, "date", "d"), QStringLiteral("b"));
    QCOMPARE(fieldByName(columns, {"a", "b"}, "send", "d"), QStringLiteral("d")); // past the end
    QCOMPARE(fieldByName(columns, {"a", "b"}, "nothing", "d"), QStringLiteral("d"));
    QCOMPARE(fieldByName({{"neg", -1}}, {"a"}, "neg", "d"), QStringLiteral("d"));

    LocalPreviewCSVThread job(QString(), nullptr, nullptr);
    const QHash<QString, int> own = columnIndexMap({"send", "date", "number", "person", "content"});
    const SMSInfo sent = job.recordToSMS(own, {"1", "2012-02-29 23:59:59", "555", "Ann", "hi"});
    QCOMPARE(keys({sent}), keys({makeSMS("555", "Ann", "hi", true, at(2012, 2, 29, 23, 59, 59))}));
    QCOMPARE(sent.smsId, 0);
    QVERIFY(!job.recordToSMS(own, {"2", "2012-03-04 05:06:07"}).isSend);
    const SMSInfo shortRecord = job.recordToSMS(
        columnIndexMap({"date", "number", "content", "send"}), {"2012-03-04 05:06:07", "1"});
    QVERIFY(!shortRecord.isSend);
    QVERIFY(shortRecord.body.isEmpty());
    for (const char* bad : {"04/03/2012 10:00", "2012-02-30 10:00:00", "2012-03-04 24:00:00",
                            "2012-03-04 05:06:0x", "2012-03-04T05:06:07", ""})
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 job.recordToSMS(own, {"1", bad, "1", "", "x"}));
}

void TestPreviewImport::previewFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QList<int>>("percents");
    const QByteArray header = "send,date,number,person,content\n";
    const QString one = keys({makeSMS("555", "", "one", false, at(2012, 3, 4, 5, 6, 7))}).first();
    const QString two = keys({makeSMS("777", "", "a,b", true, at(2012, 3, 4, 5, 6, 8))}).first();

    QTest::newRow("columns in another order")
        << QByteArray("content,number,date,send\none,555,2012-03-04 05:06:07,0\n"
                      "\"a,b\",777,2012-03-04 05:06:08,1\n")
        << true << "Successfully load 2 SMS." << QStringList{one, two} << QList<int>{50, 100};
    // Blank lines are skipped, not invalid, yet count toward the total (4 after the header).
    QTest::newRow("mark, title and blank lines")
        << QByteArray("\xEF\xBB\xBFMy messages\n\nsend,date,number,person,content\r\n"
                      "0,2012-03-04 05:06:07,555,,one\r\n\r\n\n"
                      "1,2012-03-04 05:06:08,777,,\"a,b\"\r\n")
        << true << "Successfully load 2 SMS." << QStringList{one, two} << QList<int>{25, 50};
    QTest::newRow("Send refused") << QByteArray("Send,date,number,person,content\n"
                                                "1,2012-03-04 05:06:07,555,,x\n")
                                  << false << formatMessage << QStringList() << QList<int>();
    QTest::newRow("invalid date ends preview")
        << header + "0,2012-03-04 05:06:07,555,,one\n0,04/03/2012 10:00,555,,bad\n"
                    "0,2012-03-04 05:06:09,555,,never read\n"
        << false << dateMessage << QStringList{one} << QList<int>{33};
    QTest::newRow("empty file") << QByteArray() << false << formatMessage << QStringList()
                                << QList<int>();
    QTest::newRow("header only") << header << true << "Successfully load 0 SMS." << QStringList()
                                 << QList<int>();
    QTest::newRow("header without lf")
        << header.chopped(1) << true << "Successfully load 0 SMS." << QStringList() << QList<int>();
    // No line feed after the only record: a counted total of 0, the per-cent stays in range.
    QTest::newRow("total of 0") << header + "0,2012-03-04 05:06:07,555,,one" << true
                                << "Successfully load 1 SMS." << QStringList{one} << QList<int>{0};
}

void TestPreviewImport::previewFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, accepted);
    QFETCH(QString, text);
    QFETCH(QStringList, records);
    QFETCH(QList<int>, percents);
    const JobOutcome outcome = previewFile(writeFile(m_dir.filePath("preview.csv"), bytes));
    QCOMPARE(outcome.result, int(accepted ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(outcome.boxes.size(), 1);
    QVERIFY2(outcome.text().contains(text), qPrintable(outcome.text()));
    QCOMPARE(keys(outcome.list), records);
    QCOMPARE(outcome.invalid, 0);
    QCOMPARE(outcome.percents, percents);
}

void TestPreviewImport::unreadableFilesEndJob()
{
    QCOMPARE(previewFile(m_dir.filePath("does-not-exist.csv")).result, int(QDialog::Rejected));
    // Opens, but every read fails: the counting pass must end the job, not the program.
    QFile probe(QStringLiteral("/proc/self/mem"));
    char c;
    if (!probe.open(QIODevice::ReadOnly) || probe.read(&c, 1) != -1)
        QSKIP("/proc/self/mem cannot stand for an unreadable file here");
    probe.close();
    const JobOutcome outcome = previewFile(probe.fileName());
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QCOMPARE(outcome.boxes.size(), 1);
    QCOMPARE(outcome.boxes.first().icon, QMessageBox::Critical);
}

void TestPreviewImport::importEdgeCases()
{
    const JobOutcome empty = importList({});
    QCOMPARE(empty.result, int(QDialog::Accepted));
    QCOMPARE(empty.text(), QStringLiteral("Successfully import 0 SMS."));
    importList({makeSMS("", "", "no number", false, at(2012, 3, 4, 5, 6, 7))});
    QCOMPARE(storetest::scalar(*currentDatabase(), "select count(*) from sms where address = "
                                                   "'Unknown' and body = 'no number'"),
             1);

    // One record without a date anywhere: nothing stored.
    QList<SMSInfo> list = generated(5);
    list.insert(3, makeSMS("1", "", "undated", false, QDateTime()));
    const JobOutcome undated = importList(list);
    QCOMPARE(undated.result, int(QDialog::Rejected));
    QVERIFY(undated.text().contains(dateMessage));
    QCOMPARE(storedBodies(), QStringList{"no number"});
}

void TestPreviewImport::importCancelLeavesDatabaseUnchanged()
{
    importList(generated(20, "earlier"));
    const QString before = tableRows();
    DialogRecorder recorder;
    ProgressForm form(QStringLiteral("import"));
    LocalRestoreThread job(generated(500), &form);
    // Cancelled from inside the job once 50 records are stored, as the close button would.
    connect(
        &job, &JobThread::updateProgress, &job,
        [&](int, const QString& text) {
            if (text == QStringLiteral("SMS 50:500")) {
                job.onProgressClose(0);
                QMetaObject::invokeMethod(&form, "reject", Qt::QueuedConnection);
            }
        },
        Qt::DirectConnection);
    QCOMPARE(runJob(form, job), int(QDialog::Rejected));
    QVERIFY(recorder.messages.isEmpty());
    QCOMPARE(tableRows(), before);
}

void TestPreviewImport::importTransactionFailures()
{
    // BEGIN fails while a transaction is already open: the job ends, the program goes on.
    Sqlite3DB* db = currentDatabase();
    db->beginTran();
    const JobOutcome begin = importList(generated(3));
    QCOMPARE(begin.result, int(QDialog::Rejected));
    QCOMPARE(begin.boxes.first().icon, QMessageBox::Critical);
    db->rollbackTran();
    QCOMPARE(storedBodies(), QStringList());

    // A deferred foreign key that every insert violates fails the COMMIT itself.
    importList(generated(2, "kept"));
    const QString before = tableRows();
    db->executeThrow(Sqlite3Sql("PRAGMA foreign_keys = ON"));
    db->executeThrow(Sqlite3Sql("create table parent(id integer primary key)"));
    db->executeThrow(Sqlite3Sql(
        "create table child(p integer references parent(id) deferrable initially deferred)"));
    db->executeThrow(Sqlite3Sql(
        "create trigger orphan after insert on sms begin insert into child values(999); end"));
    const JobOutcome commit = importList(generated(4, "rolled back"));
    QCOMPARE(commit.result, int(QDialog::Rejected));
    QVERIFY2(commit.text().contains(QStringLiteral("FOREIGN KEY")), qPrintable(commit.text()));
    QCOMPARE(tableRows(), before);
    // The database is usable afterwards: a new transaction can begin.
    db->executeThrow(Sqlite3Sql("drop trigger orphan"));
    QCOMPARE(importList(generated(1, "after")).result, int(QDialog::Accepted));
}

QTEST_MAIN(TestPreviewImport)
#include "tst_previewimport.moc"
