#include <QRegularExpression>
#include <QtTest>

#include "PhoneSimProcess.h"
#include "device/DeviceConnection.h"
#include "store/SMSCursorSource.h"
#include "store/SMSListSource.h"
#include "sync/SyncBackupThread.h"
#include "sync/SyncTestSupport.h"
#include "sync/SyncTimings.h"

using namespace synctest;

namespace {

const QString PHONE = QStringLiteral("127.0.0.46");
const QString PORTLESS_PHONE = QStringLiteral("127.0.0.47");
const QString SILENT_PHONE = QStringLiteral("127.0.0.48");

QList<SMSInfo> messages(int count, qint64 firstMs = Q_INT64_C(1600000000123))
{
    const QStringList bodies = {
        QStringLiteral("Treffen um 10:30, Raum 4.12"), QStringLiteral("Zeile 1\nZeile 2\n\nEnde"),
        QStringLiteral("Привет, как дела? 你好 مرحبا"),
        QStringLiteral("\"Quoted\", 'single' 😀👍🏽"), QStringLiteral("ok")};
    const QStringList addresses = {QStringLiteral("+49 170 1234567"),
                                   QStringLiteral("0170-1234567"), QStringLiteral("Bank24"),
                                   QStringLiteral("(030) 123 45 67")};
    QList<SMSInfo> list;
    for (int i = 0; i < count; ++i) {
        SMSInfo sms;
        sms.date = QDateTime::fromMSecsSinceEpoch(firstMs + i * Q_INT64_C(61001));
        sms.isSend = i % 3 == 0;
        sms.address = addresses[i % addresses.size()];
        sms.person = QStringLiteral("never sent");
        sms.body = bodies[i % bodies.size()] + QString::number(i);
        list.append(sms);
    }
    return list;
}

// A source that announces more records than it has.
class ShortSource : public AbsSMSDataSource
{
public:
    ShortSource(int announced, const QList<SMSInfo>& list) : m_announced(announced), m_list(list) {}
    int count() override { return m_announced; }
    bool next(SMSInfo& sms) override
    {
        if (m_position >= m_list.size())
            return false;
        sms = m_list[m_position++];
        return true;
    }

private:
    int m_announced;
    QList<SMSInfo> m_list;
    int m_position = 0;
};

JobOutcome restore(AbsSMSDataSource* source, const std::function<void()>& beforeWait = {})
{
    ProgressForm form(QStringLiteral("Restoring SMS to Android now"));
    SyncBackupThread job(source, &form);
    return runAndRecord(form, job, beforeWait);
}

// The four-field records the phone received, decoded by the test.
void compareRestored(const QStringList& records, const QList<SMSInfo>& expected)
{
    QCOMPARE(records.size(), expected.size());
    for (int i = 0; i < records.size(); ++i) {
        const QStringList fields = records[i].split(u',');
        QCOMPARE(fields.size(), 4);
        QCOMPARE(fields[0].toLongLong(), expected[i].date.toMSecsSinceEpoch());
        QCOMPARE(fields[1], expected[i].isSend ? QStringLiteral("1") : QStringLiteral("0"));
        QCOMPARE(QString::fromUtf8(QByteArray::fromBase64(fields[2].toLatin1())),
                 expected[i].address);
        QCOMPARE(QString::fromUtf8(QByteArray::fromBase64(fields[3].toLatin1())), expected[i].body);
    }
}

QList<int> batchSizes(const QString& log, qsizetype from)
{
    static const QRegularExpression note(QStringLiteral("batch \\d+: (\\d+) records"));
    QList<int> sizes;
    auto it = note.globalMatch(log.mid(from));
    while (it.hasNext())
        sizes << it.next().captured(1).toInt();
    return sizes;
}

} // namespace

class TestSyncBackupThread : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void withoutConnectionFails();
    void restoresInBatches_data();
    void restoresInBatches();
    void restoresTheAccountThroughACursor();
    void sourceRunningShortFailsCleanly();
    void phoneRefusingARecordEndsTheJob();
    void phoneWithoutDataPortFails();
    void closingTheDialogStopsAtThePhonesNextLine();

private:
    phonetest::TempAccount m_account;
    tbtest::PhoneSimProcess m_phone;
    QTranslator m_english;
};

void TestSyncBackupThread::initTestCase()
{
    QVERIFY(m_english.load(QStringLiteral(":/en.qm")));
    QCoreApplication::installTranslator(&m_english);
    QVERIFY(m_account.open());
    SyncTimings::setForTests(0, 0);
    QVERIFY2(m_phone.start(PHONE), qPrintable(m_phone.errorText()));
}

void TestSyncBackupThread::withoutConnectionFails()
{
    clearConnection();
    SMSListSource source(messages(3));
    const JobOutcome outcome = restore(&source);
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QCOMPARE(outcome.boxes.size(), 1);
    QVERIFY(outcome.lastBoxText().endsWith(QStringLiteral("No connection.")));
}

void TestSyncBackupThread::restoresInBatches_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("batches");
    QTest::newRow("230") << 230 << QList<int>{100, 100, 30};
    QTest::newRow("100") << 100 << QList<int>{100};
    QTest::newRow("101") << 101 << QList<int>{100, 1};
    QTest::newRow("99") << 99 << QList<int>{99};
    QTest::newRow("none") << 0 << QList<int>{};
}

void TestSyncBackupThread::restoresInBatches()
{
    QFETCH(int, count);
    QFETCH(QList<int>, batches);
    setConnection(PHONE, PHONE, false);
    const int from = m_phone.lineCount();
    const qsizetype logFrom = m_phone.logText().size();
    const qsizetype restoredFrom = m_phone.restoredRecords().size();
    const QList<SMSInfo> list = messages(count);
    SMSListSource source(list);

    const JobOutcome outcome = restore(&source);
    QCOMPARE(outcome.result, int(QDialog::Accepted));
    QCOMPARE(outcome.boxes.size(), 1);
    QCOMPARE(outcome.boxes[0].icon, QMessageBox::Information);
    QCOMPARE(outcome.lastBoxText(),
             QStringLiteral("Successfully restore %1 SMS to Android.").arg(count));
    QVERIFY(m_phone.waitForLine(QStringLiteral("RESTORED %1 %2").arg(count).arg(batches.size()),
                                15000, nullptr, from));

    compareRestored(m_phone.restoredRecords().mid(restoredFrom), list);
    QCOMPARE(batchSizes(m_phone.logText(), logFrom), batches);
    QStringList progress;
    int sent = 0;
    for (int size : batches)
        progress << QStringLiteral("SMS %1:%2").arg(sent += size).arg(count);
    QCOMPARE(outcome.progressTexts, progress);
    QVERIFY(m_phone.linesStartingWith(QStringLiteral("FAULT")).isEmpty());
}

void TestSyncBackupThread::restoresTheAccountThroughACursor()
{
    setConnection(PHONE, PHONE, false);
    QList<SMSInfo> list = messages(120, Q_INT64_C(1500000000000));
    for (SMSInfo& sms : list)
        QVERIFY(storeSMS(currentDatabase(), sms));
    const qsizetype restoredFrom = m_phone.restoredRecords().size();
    const int from = m_phone.lineCount();
    SMSCursorSource source(
        currentDatabase()->queryThrow(Sqlite3Sql("select * from view_sms order by date asc")));
    const JobOutcome outcome = restore(&source);
    QCOMPARE(outcome.result, int(QDialog::Accepted));
    QVERIFY(m_phone.waitForLine(QStringLiteral("RESTORED 120 2"), 15000, nullptr, from));
    // The database keeps whole seconds.
    for (SMSInfo& sms : list)
        sms.date = QDateTime::fromSecsSinceEpoch(sms.date.toSecsSinceEpoch());
    compareRestored(m_phone.restoredRecords().mid(restoredFrom), list);
}

void TestSyncBackupThread::sourceRunningShortFailsCleanly()
{
    setConnection(PHONE, PHONE, false);
    const int from = m_phone.lineCount();
    const qsizetype restoredFrom = m_phone.restoredRecords().size();
    const QList<SMSInfo> list = messages(5);
    ShortSource source(10, list);
    const JobOutcome outcome = restore(&source);
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QCOMPARE(outcome.boxes.size(), 1);
    QVERIFY2(outcome.lastBoxText().contains(
                 QStringLiteral("The messages to restore ran out after 5 of the 10 announced.")),
             qPrintable(outcome.lastBoxText()));
    QVERIFY(m_phone.waitForLine(QStringLiteral("RESTORE-ABORTED"), 15000, nullptr, from));
    // No unfilled record reached the phone: at most the five real ones, then the line dropped.
    const QStringList received = m_phone.restoredRecords().mid(restoredFrom);
    QVERIFY(received.size() <= list.size());
    compareRestored(received, list.mid(0, received.size()));
    QVERIFY(m_phone.linesStartingWith(QStringLiteral("RESTORE-REJECTED")).isEmpty());
}

void TestSyncBackupThread::phoneRefusingARecordEndsTheJob()
{
    setConnection(PHONE, PHONE, false);
    const int from = m_phone.lineCount();
    QList<SMSInfo> list = messages(3);
    list[1].date = QDateTime(); // written as 0, which the phone refuses
    SMSListSource source(list);
    const JobOutcome outcome = restore(&source);
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QCOMPARE(outcome.boxes.size(), 1);
    QString rejected;
    QVERIFY(m_phone.waitForLine(QStringLiteral("RESTORE-REJECTED"), 15000, &rejected, from));
    // The box carries the phone's own text from its error line.
    const QString reason = rejected.section(u' ', 2);
    QVERIFY2(outcome.lastBoxText().contains(reason), qPrintable(outcome.lastBoxText()));
}

void TestSyncBackupThread::phoneWithoutDataPortFails()
{
    tbtest::PhoneSimProcess portless;
    QVERIFY2(portless.start(PORTLESS_PHONE,
                            {QStringLiteral("--misbehave"), QStringLiteral("no-data-port")}),
             qPrintable(portless.errorText()));
    setConnection(PORTLESS_PHONE, PORTLESS_PHONE, false);
    SMSListSource source(messages(3));
    const JobOutcome outcome = restore(&source);
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QVERIFY2(outcome.lastBoxText().contains(QStringLiteral("refused"), Qt::CaseInsensitive),
             qPrintable(outcome.lastBoxText()));
}

void TestSyncBackupThread::closingTheDialogStopsAtThePhonesNextLine()
{
    tbtest::PhoneSimProcess silent;
    QVERIFY2(silent.start(SILENT_PHONE,
                          {QStringLiteral("--misbehave"), QStringLiteral("no-restore-ack")}),
             qPrintable(silent.errorText()));
    setConnection(SILENT_PHONE, SILENT_PHONE, false);
    SMSListSource source(messages(230));
    ProgressForm form(QStringLiteral("Restoring SMS to Android now"));
    SyncBackupThread job(&source, &form);
    // The user gives up once the first batch is out and the phone does not acknowledge it.
    connect(&job, &JobThread::updateProgress, &form, &QDialog::reject, Qt::QueuedConnection);
    const JobOutcome outcome = runAndRecord(form, job, [&] {
        QVERIFY(job.isRunning()); // still waiting for the phone
        silent.stop();
    });
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QVERIFY(outcome.boxes.isEmpty());
    QCOMPARE(job.sentCount(), 100);
    QCOMPARE(outcome.progressTexts, QStringList{QStringLiteral("SMS 100:230")});
}

QTEST_MAIN(TestSyncBackupThread)
#include "tst_syncbackupthread.moc"
