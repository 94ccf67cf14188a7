// The preview job (own format) and the import job: round trip through the CSV export,
// duplicates, header rules, dates, blank lines, read failures, cancel and transaction failures.

#include <QTranslator>
#include <QtTest>

#include "app/ProgressForm.h"
#include "common/DialogRecorder.h"
#include "files/CSVBackupSMS.h"
#include "files/FilesTestSupport.h"
#include "files/LocalPreviewCSVThread.h"
#include "files/LocalRestoreThread.h"
#include "store/Sqlite3DB.h"

using namespace filestest;

namespace {

const QString formatMessage =
    QStringLiteral("The format of your imported CSV file did not match that of Quillmarten.");
const QString dateMessage =
    QStringLiteral("Incorrect date format in CSV data.Correct format is (yyyy-MM-dd hh:mm:ss).");

struct JobOutcome
{
    int result = -1;
    QList<DialogRecorder::Message> boxes;
    QList<int> percents;
};

// Every row of the sms table except its id, in insertion order.
QString tableRows()
{
    return storetest::dump(*currentDatabase());
}

long long rowCount()
{
    return storetest::scalar(*currentDatabase(), QStringLiteral("select count(*) from sms"));
}

} // namespace

class TestPreviewImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void columnMapAndFields();
    void recordToSMSOwnFormat();
    void roundTripThroughExport();
    void importTwiceStoresNothingNew();
    void columnsInAnotherOrder();
    void headerNamesAreCaseSensitive();
    void invalidDateEndsPreview();
    void blankLinesAndTitleLines();
    void emptyAndHeaderOnlyFiles_data();
    void emptyAndHeaderOnlyFiles();
    void percentStaysInRange();
    void unreadableFileEndsJob();
    void missingFileEndsJob();
    void importEmptyListAndUnknownAddress();
    void importInvalidDateStoresNothing();
    void importCancelLeavesDatabaseUnchanged();
    void importBeginFailureEndsJob();
    void importCommitFailureRollsBack();

private:
    QString writeCsv(const QString& name, const QByteArray& bytes);
    JobOutcome preview(const QString& file, QList<SMSInfo>* list = nullptr, int* invalid = nullptr);
    JobOutcome import(const QList<SMSInfo>& list);

    QTemporaryDir m_home;
    QTemporaryDir m_dir;
    QTranslator m_translator;
    std::unique_ptr<DialogRecorder> m_recorder;
    int m_account = 0;
};

void TestPreviewImport::initTestCase()
{
    storetest::isolateHome(m_home);
    QVERIFY(m_translator.load(QStringLiteral(":/en.qm")));
    QCoreApplication::installTranslator(&m_translator);
}

void TestPreviewImport::init()
{
    m_recorder.reset();
    m_recorder = std::make_unique<DialogRecorder>();
    QVERIFY(openFreshAccount(QStringLiteral("account%1.db").arg(++m_account)));
}

QString TestPreviewImport::writeCsv(const QString& name, const QByteArray& bytes)
{
    const QString file = m_dir.filePath(name);
    writeFile(file, bytes);
    return file;
}

JobOutcome TestPreviewImport::preview(const QString& file, QList<SMSInfo>* list, int* invalid)
{
    m_recorder->clear();
    JobOutcome outcome;
    ProgressForm form(QStringLiteral("preview"));
    LocalPreviewCSVThread job(file, &form, nullptr);
    connect(&job, &JobThread::updateProgress, this,
            [&](int value, const QString&) { outcome.percents.append(value); });
    outcome.result = runJob(form, job);
    QCoreApplication::processEvents();
    outcome.boxes = m_recorder->messages;
    if (list)
        *list = job.smsList();
    if (invalid)
        *invalid = job.invalidCount();
    return outcome;
}

JobOutcome TestPreviewImport::import(const QList<SMSInfo>& list)
{
    m_recorder->clear();
    JobOutcome outcome;
    ProgressForm form(QStringLiteral("import"));
    LocalRestoreThread job(list, &form);
    outcome.result = runJob(form, job);
    outcome.boxes = m_recorder->messages;
    return outcome;
}

void TestPreviewImport::columnMapAndFields()
{
    const QHash<QString, int> columns = columnIndexMap({"send", "date", "send", "x"});
    QCOMPARE(columns.value("send"), 2);
    QCOMPARE(columns.value("date"), 1);
    const QStringList fields{"a", "b"};
    QCOMPARE(fieldByName(columns, fields, "date", "d"), QStringLiteral("b"));
    QCOMPARE(fieldByName(columns, fields, "send", "d"), QStringLiteral("d")); // beyond the record
    QCOMPARE(fieldByName(columns, fields, "nothing", "d"), QStringLiteral("d"));
    QCOMPARE(fieldByName({{"neg", -1}}, fields, "neg", "d"), QStringLiteral("d"));
}

void TestPreviewImport::recordToSMSOwnFormat()
{
    LocalPreviewCSVThread job(QString(), nullptr, nullptr);
    const QHash<QString, int> columns =
        columnIndexMap({"send", "date", "number", "person", "content"});
    const SMSInfo sent = job.recordToSMS(columns, {"1", "2012-03-04 05:06:07", "555", "Ann", "hi"});
    QVERIFY(sent.isSend);
    QCOMPARE(sent.date, at(2012, 3, 4, 5, 6, 7));
    QCOMPARE(sent.address, QStringLiteral("555"));
    QCOMPARE(sent.person, QStringLiteral("Ann"));
    QCOMPARE(sent.body, QStringLiteral("hi"));
    QCOMPARE(sent.smsId, 0);
    QVERIFY(!job.recordToSMS(columns, {"2", "2012-03-04 05:06:07"}).isSend);
    const SMSInfo shortRecord = job.recordToSMS(
        columnIndexMap({"date", "number", "content", "send"}), {"2012-03-04 05:06:07", "1"});
    QVERIFY(!shortRecord.isSend);
    QVERIFY(shortRecord.body.isEmpty());
    for (const char* bad : {"04/03/2012 10:00", "2012-02-30 10:00:00", "2012-03-04 24:00:00",
                            "2012-03-04 05:06:0x", "2012-03-04T05:06:07", ""}) {
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 job.recordToSMS(columns, {"1", bad, "1", "", "x"}));
    }
    QCOMPARE(job.recordToSMS(columns, {"0", "2012-02-29 23:59:59"}).date,
             at(2012, 2, 29, 23, 59, 59));
}

void TestPreviewImport::roundTripThroughExport()
{
    const QList<SMSInfo> original = awkwardMessages();
    QFile file(m_dir.filePath("roundtrip.csv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    CSVBackupSMS writer;
    writer.writeHeader(&file);
    for (const SMSInfo& sms : original)
        writer.writeSMS(&file, sms);
    file.close();

    QList<SMSInfo> list;
    const JobOutcome outcome = preview(file.fileName(), &list);
    QCOMPARE(outcome.result, int(QDialog::Accepted));
    QCOMPARE(outcome.boxes.size(), 1);
    QCOMPARE(outcome.boxes.first().text, QStringLiteral("Successfully load 6 SMS."));
    QCOMPARE(list.size(), original.size());
    for (int i = 0; i < list.size(); ++i) {
        QCOMPARE(list[i].isSend, original[i].isSend);
        QCOMPARE(list[i].date, original[i].date);
        QCOMPARE(list[i].address, original[i].address);
        QCOMPARE(list[i].person, original[i].person);
        QCOMPARE(list[i].body, original[i].body);
    }

    const JobOutcome stored = import(list);
    QCOMPARE(stored.result, int(QDialog::Accepted));
    QCOMPARE(stored.boxes.first().text, QStringLiteral("Successfully import 6 SMS."));
    Sqlite3Cursor rows = currentDatabase()->queryThrow(
        Sqlite3Sql("select address, person, date, is_send, body from sms order by sms_id"));
    for (const SMSInfo& sms : original) {
        QVERIFY(rows.moveNext());
        QCOMPARE(rows.getText("address"), sms.address.isEmpty() ? "Unknown" : sms.address);
        QCOMPARE(rows.getText("person"), sms.person);
        QCOMPARE(rows.getInt64("date"), sms.date.toSecsSinceEpoch());
        QCOMPARE(rows.getInt("is_send"), sms.isSend ? 1 : 0);
        QCOMPARE(rows.getText("body"), sms.body);
    }
    QVERIFY(!rows.moveNext());
}

void TestPreviewImport::importTwiceStoresNothingNew()
{
    const QString file =
        writeCsv("twice.csv", "send,date,number,person,content\n"
                              "0,2012-03-04 05:06:07,555,,one\n"
                              "1,2012-03-04 05:06:08,555,Ann,two\n"
                              "0,2012-03-04 05:06:09,777,,\"three, with comma\"\n");
    QList<SMSInfo> list;
    preview(file, &list);
    QCOMPARE(list.size(), 3);
    const JobOutcome first = import(list);
    QCOMPARE(first.boxes.first().text, QStringLiteral("Successfully import 3 SMS."));
    const QString afterFirst = tableRows();

    QList<SMSInfo> again;
    preview(file, &again);
    m_recorder->clear();
    ProgressForm form(QStringLiteral("import"));
    LocalRestoreThread job(again, &form);
    QCOMPARE(runJob(form, job), int(QDialog::Accepted));
    QCOMPARE(m_recorder->lastText(), QStringLiteral("Successfully import 3 SMS."));
    QCOMPARE(job.storedCount(), 0);
    QCOMPARE(job.skippedCount(), 3);
    QCOMPARE(tableRows(), afterFirst);
}

void TestPreviewImport::columnsInAnotherOrder()
{
    const QString file = writeCsv("order.csv", "content,number,date,send\n"
                                               "hello,555,2012-03-04 05:06:07,1\n"
                                               "\"a,b\",777,2012-03-04 05:06:08,0\n");
    QList<SMSInfo> list;
    QCOMPARE(preview(file, &list).result, int(QDialog::Accepted));
    QCOMPARE(list.size(), 2);
    QCOMPARE(list[0].body, QStringLiteral("hello"));
    QCOMPARE(list[0].address, QStringLiteral("555"));
    QVERIFY(list[0].isSend);
    QVERIFY(list[0].person.isEmpty());
    QCOMPARE(list[1].body, QStringLiteral("a,b"));
    QVERIFY(!list[1].isSend);
}

void TestPreviewImport::headerNamesAreCaseSensitive()
{
    const QString file = writeCsv("Send.csv", "Send,date,number,person,content\n"
                                              "1,2012-03-04 05:06:07,555,,x\n");
    QList<SMSInfo> list;
    const JobOutcome outcome = preview(file, &list);
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QCOMPARE(outcome.boxes.size(), 1);
    QCOMPARE(outcome.boxes.first().icon, QMessageBox::Critical);
    QVERIFY2(outcome.boxes.first().text.contains(formatMessage),
             qPrintable(outcome.boxes.first().text));
    QVERIFY(list.isEmpty());
}

void TestPreviewImport::invalidDateEndsPreview()
{
    const QString file = writeCsv("date.csv", "send,date,number,person,content\n"
                                              "0,2012-03-04 05:06:07,555,,good\n"
                                              "0,04/03/2012 10:00,555,,bad\n"
                                              "0,2012-03-04 05:06:09,555,,never read\n");
    QList<SMSInfo> list;
    const JobOutcome outcome = preview(file, &list);
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QVERIFY2(outcome.boxes.first().text.contains(dateMessage),
             qPrintable(outcome.boxes.first().text));
    QCOMPARE(list.size(), 1);
}

void TestPreviewImport::blankLinesAndTitleLines()
{
    const QString file = writeCsv("blank.csv", "\xEF\xBB\xBFMy messages\n\n"
                                               "send,date,number,person,content\r\n"
                                               "0,2012-03-04 05:06:07,555,,one\r\n"
                                               "\r\n"
                                               "\n"
                                               "1,2012-03-04 05:06:08,555,,two\r\n");
    QList<SMSInfo> list;
    int invalid = -1;
    const JobOutcome outcome = preview(file, &list, &invalid);
    QCOMPARE(outcome.boxes.first().text, QStringLiteral("Successfully load 2 SMS."));
    QCOMPARE(list.size(), 2);
    QCOMPARE(invalid, 0);
    // Blank lines count toward the total: 4 records after the header.
    QCOMPARE(outcome.percents, (QList<int>{25, 50}));
}

void TestPreviewImport::emptyAndHeaderOnlyFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty file") << QByteArray() << false << formatMessage;
    QTest::newRow("header only") << QByteArray("send,date,number,content\n") << true
                                 << "Successfully load 0 SMS.";
    QTest::newRow("header without lf")
        << QByteArray("send,date,number,content") << true << "Successfully load 0 SMS.";
}

void TestPreviewImport::emptyAndHeaderOnlyFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, accepted);
    QFETCH(QString, text);
    const JobOutcome outcome = preview(writeCsv("edge.csv", bytes));
    QCOMPARE(outcome.result, int(accepted ? QDialog::Accepted : QDialog::Rejected));
    QVERIFY2(outcome.boxes.first().text.contains(text), qPrintable(outcome.boxes.first().text));
}

void TestPreviewImport::percentStaysInRange()
{
    // No line feed after the only record: the counted total is 0.
    const QString file = writeCsv("zero.csv", "send,date,number,content\n"
                                              "0,2012-03-04 05:06:07,555,x");
    QList<SMSInfo> list;
    const JobOutcome outcome = preview(file, &list);
    QCOMPARE(list.size(), 1);
    QCOMPARE(outcome.percents.size(), 1);
    QVERIFY(outcome.percents.first() >= 0 && outcome.percents.first() <= 100);
}

void TestPreviewImport::unreadableFileEndsJob()
{
    // Opens, but every read fails: the counting pass must end the job, not the program.
    QFile probe(QStringLiteral("/proc/self/mem"));
    if (!probe.open(QIODevice::ReadOnly))
        QSKIP("no /proc/self/mem");
    char c;
    if (probe.read(&c, 1) != -1)
        QSKIP("/proc/self/mem is readable at offset 0 here");
    probe.close();
    const JobOutcome outcome = preview(QStringLiteral("/proc/self/mem"));
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QCOMPARE(outcome.boxes.size(), 1);
    QCOMPARE(outcome.boxes.first().icon, QMessageBox::Critical);
}

void TestPreviewImport::missingFileEndsJob()
{
    const JobOutcome outcome = preview(m_dir.filePath("does-not-exist.csv"));
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QCOMPARE(outcome.boxes.size(), 1);
}

void TestPreviewImport::importEmptyListAndUnknownAddress()
{
    const JobOutcome empty = import({});
    QCOMPARE(empty.result, int(QDialog::Accepted));
    QCOMPARE(empty.boxes.first().text, QStringLiteral("Successfully import 0 SMS."));
    QCOMPARE(rowCount(), 0);

    import({makeSMS("", "", "no number", false, at(2012, 3, 4, 5, 6, 7))});
    QCOMPARE(
        storetest::scalar(*currentDatabase(), "select count(*) from sms where address = 'Unknown'"),
        1);
}

void TestPreviewImport::importInvalidDateStoresNothing()
{
    QList<SMSInfo> list = generated(5);
    list.insert(3, makeSMS("1", "", "undated", false, QDateTime()));
    const JobOutcome outcome = import(list);
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QVERIFY(outcome.boxes.first().text.contains(dateMessage));
    QCOMPARE(rowCount(), 0);
}

void TestPreviewImport::importCancelLeavesDatabaseUnchanged()
{
    import(generated(20, "earlier"));
    const QString before = tableRows();
    m_recorder->clear();
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
    QVERIFY(m_recorder->messages.isEmpty());
    QCOMPARE(tableRows(), before);
}

void TestPreviewImport::importBeginFailureEndsJob()
{
    Sqlite3DB* db = currentDatabase();
    db->beginTran(); // a transaction already open: BEGIN fails
    const JobOutcome outcome = import(generated(3));
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QCOMPARE(outcome.boxes.size(), 1);
    QCOMPARE(outcome.boxes.first().icon, QMessageBox::Critical);
    db->rollbackTran();
    QCOMPARE(rowCount(), 0);
}

void TestPreviewImport::importCommitFailureRollsBack()
{
    // A deferred foreign key that every insert violates fails the COMMIT itself.
    Sqlite3DB* db = currentDatabase();
    import(generated(2, "kept"));
    const QString before = tableRows();
    db->executeThrow(Sqlite3Sql("PRAGMA foreign_keys = ON"));
    db->executeThrow(Sqlite3Sql("create table parent(id integer primary key)"));
    db->executeThrow(Sqlite3Sql(
        "create table child(p integer references parent(id) deferrable initially deferred)"));
    db->executeThrow(Sqlite3Sql(
        "create trigger orphan after insert on sms begin insert into child values(999); end"));
    const JobOutcome outcome = import(generated(4, "rolled back"));
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QCOMPARE(outcome.boxes.size(), 1);
    QVERIFY2(outcome.boxes.first().text.contains(QStringLiteral("FOREIGN KEY")),
             qPrintable(outcome.boxes.first().text));
    QCOMPARE(tableRows(), before);
    // The database is usable afterwards: a new transaction can begin.
    db->executeThrow(Sqlite3Sql("drop trigger orphan"));
    QCOMPARE(import(generated(1, "after")).result, int(QDialog::Accepted));
}

QTEST_MAIN(TestPreviewImport)
#include "tst_previewimport.moc"
