#include <QtTest>

#include "PhoneSimProcess.h"
#include "device/DeviceConnection.h"
#include "sync/SyncRestoreThread.h"
#include "sync/SyncTestSupport.h"
#include "sync/SyncTimings.h"

using namespace synctest;

namespace {

const QString PHONE = QStringLiteral("127.0.0.40");
const QString FAULTY_PHONE = QStringLiteral("127.0.0.41");
const QString PORTLESS_PHONE = QStringLiteral("127.0.0.42");
const QString BIG_PHONE = QStringLiteral("127.0.0.43");
const QString ERROR_TEXT = QStringLiteral("Speicher nicht lesbar – ошибка чтения 📵");

const QStringList PHONE_STORE = {QStringLiteral("--count"), QStringLiteral("345"),
                                 QStringLiteral("--seed"),  QStringLiteral("11"),
                                 QStringLiteral("--batch"), QStringLiteral("100")};
const QStringList FAULTY_STORE = {QStringLiteral("--count"), QStringLiteral("250"),
                                  QStringLiteral("--seed"),  QStringLiteral("12"),
                                  QStringLiteral("--batch"), QStringLiteral("50")};

JobOutcome backup(const std::function<void()>& beforeWait = {})
{
    ProgressForm form(QStringLiteral("Backing up SMS now"));
    SyncRestoreThread job(&form);
    return runAndRecord(form, job, beforeWait);
}

} // namespace

class TestSyncRestoreThread : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void withoutConnectionFails();
    void fullBackupThenTheSameAgain();
    void misbehavingPhoneRollsBack_data();
    void misbehavingPhoneRollsBack();
    void phoneWithoutDataPortFails();
    void closingTheDialogCancelsAndRollsBack();

private:
    phonetest::TempAccount m_account;
    tbtest::PhoneSimProcess m_phone;
    tbtest::PhoneSimProcess m_faulty;
    QTranslator m_english;
};

void TestSyncRestoreThread::initTestCase()
{
    // The product's waits, until a test shortens them.
    QCOMPARE(SyncTimings::waitBeforeConnectMs(), 5000);
    QCOMPARE(SyncTimings::pauseAfterSuccessMs(), 1000);
    SyncTimings::setForTests(0, 0);
    QVERIFY(m_english.load(QStringLiteral(":/en.qm")));
    QCoreApplication::installTranslator(&m_english);
    QVERIFY(m_account.open());
    QVERIFY2(m_phone.start(PHONE, PHONE_STORE), qPrintable(m_phone.errorText()));
    QVERIFY2(m_faulty.start(FAULTY_PHONE,
                            FAULTY_STORE + QStringList{QStringLiteral("--error-text"), ERROR_TEXT}),
             qPrintable(m_faulty.errorText()));
}

void TestSyncRestoreThread::withoutConnectionFails()
{
    clearConnection();
    const JobOutcome outcome = backup();
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QCOMPARE(outcome.boxes.size(), 1);
    QCOMPARE(outcome.boxes[0].icon, QMessageBox::Critical);
    QVERIFY(outcome.lastBoxText().endsWith(QStringLiteral("No connection.")));
}

void TestSyncRestoreThread::fullBackupThenTheSameAgain()
{
    setConnection(PHONE, PHONE, false);
    QCOMPARE(phonetest::storedCount(), 0);
    const JobOutcome outcome = backup();
    QCOMPARE(outcome.result, int(QDialog::Accepted));
    QCOMPARE(outcome.boxes.size(), 1);
    QCOMPARE(outcome.boxes[0].icon, QMessageBox::Information);
    QCOMPARE(outcome.lastBoxText(), QStringLiteral("Successfully import 345 SMS."));
    QCOMPARE(outcome.label, QStringLiteral("SMS 345:345"));
    QCOMPARE(outcome.bar, 100);
    QVERIFY(m_phone.waitForLine(QStringLiteral("BACKUP-DONE 345 4")));

    const QList<SMSInfo> expected = simulatorStore(PHONE_STORE);
    const QList<SMSInfo> stored = phonetest::storedMessages();
    QCOMPARE(stored.size(), expected.size());
    for (int i = 0; i < stored.size(); ++i)
        QVERIFY2(sameStored(stored[i], expected[i]), qPrintable(QString::number(i)));
    QVERIFY(m_phone.linesStartingWith(QStringLiteral("FAULT")).isEmpty());

    // The same backup again stores nothing new, but counts every record as processed.
    const JobOutcome again = backup();
    QCOMPARE(again.result, int(QDialog::Accepted));
    QCOMPARE(again.lastBoxText(), QStringLiteral("Successfully import 345 SMS."));
    const QList<SMSInfo> after = phonetest::storedMessages();
    QCOMPARE(after.size(), stored.size());
    for (int i = 0; i < after.size(); ++i)
        QCOMPARE(after[i].smsId, stored[i].smsId);
}

void TestSyncRestoreThread::misbehavingPhoneRollsBack_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("toldThePhone");
    const QString fields = QStringLiteral("SMS raw format wrong, less then 5 fields, raw:");
    QTest::newRow("four fields") << QStringLiteral("fields4") << fields << true;
    QTest::newRow("six fields") << QStringLiteral("fields6") << fields << true;
    QTest::newRow("zero date") << QStringLiteral("zero-date")
                               << QStringLiteral("SMS 'date' field eq zero, raw:0,") << true;
    QTest::newRow("error line") << QStringLiteral("error-mid") << ERROR_TEXT << false;
    QTest::newRow("closed mid-batch")
        << QStringLiteral("close-mid") << QStringLiteral("The remote host closed the connection")
        << false;
    QTest::newRow("empty line") << QStringLiteral("empty-line") << QStringLiteral("Null command.")
                                << false;
    QTest::newRow("64 MiB line") << QStringLiteral("huge-line")
                                 << QStringLiteral("longer than 16777216 bytes") << false;
}

void TestSyncRestoreThread::misbehavingPhoneRollsBack()
{
    QFETCH(QString, mode);
    QFETCH(QString, text);
    QFETCH(bool, toldThePhone);
    setConnection(FAULTY_PHONE, FAULTY_PHONE, false);
    const long long storedBefore = phonetest::storedCount();
    const int from = m_faulty.lineCount();
    m_faulty.sendCommand(QStringLiteral("misbehave ") + mode);
    QVERIFY(m_faulty.waitForLine(QStringLiteral("MISBEHAVE ") + mode, 15000, nullptr, from));

    const JobOutcome outcome = backup();
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QCOMPARE(outcome.boxes.size(), 1);
    QCOMPARE(outcome.boxes[0].icon, QMessageBox::Critical);
    QVERIFY2(outcome.lastBoxText().contains(text), qPrintable(outcome.lastBoxText()));
    // The earlier batches had been stored and acknowledged; nothing of them remains.
    QVERIFY(outcome.progressTexts.contains(QStringLiteral("SMS 100:250")) ||
            mode == QStringLiteral("huge-line"));
    QCOMPARE(phonetest::storedCount(), storedBefore);
    if (toldThePhone)
        QVERIFY(m_faulty.waitForLine(QStringLiteral("PEER-ERROR"), 15000, nullptr, from));

    // The program goes on: the same phone, behaving again, backs up fine.
    m_faulty.sendCommand(QStringLiteral("misbehave none"));
    QVERIFY(m_faulty.waitForLine(QStringLiteral("MISBEHAVE none"), 15000, nullptr, from));
    const JobOutcome again = backup();
    QCOMPARE(again.result, int(QDialog::Accepted));
    QCOMPARE(again.lastBoxText(), QStringLiteral("Successfully import 250 SMS."));
}

void TestSyncRestoreThread::phoneWithoutDataPortFails()
{
    tbtest::PhoneSimProcess portless;
    QVERIFY2(portless.start(PORTLESS_PHONE,
                            {QStringLiteral("--misbehave"), QStringLiteral("no-data-port")}),
             qPrintable(portless.errorText()));
    setConnection(PORTLESS_PHONE, PORTLESS_PHONE, false);
    const long long storedBefore = phonetest::storedCount();
    const JobOutcome outcome = backup();
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QCOMPARE(outcome.boxes.size(), 1);
    QVERIFY2(outcome.lastBoxText().contains(QStringLiteral("refused"), Qt::CaseInsensitive),
             qPrintable(outcome.lastBoxText()));
    QCOMPARE(phonetest::storedCount(), storedBefore);
}

void TestSyncRestoreThread::closingTheDialogCancelsAndRollsBack()
{
    tbtest::PhoneSimProcess big;
    QVERIFY2(big.start(BIG_PHONE, {QStringLiteral("--count"), QStringLiteral("200000"),
                                   QStringLiteral("--seed"), QStringLiteral("13")}),
             qPrintable(big.errorText()));
    setConnection(BIG_PHONE, BIG_PHONE, false);
    const long long storedBefore = phonetest::storedCount();
    ProgressForm form(QStringLiteral("Backing up SMS now"));
    SyncRestoreThread job(&form);
    // The user closes the dialog as soon as the first messages have come.
    connect(&job, &JobThread::updateProgress, &form, &QDialog::reject, Qt::QueuedConnection);
    const JobOutcome outcome = runAndRecord(form, job);
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QVERIFY(outcome.boxes.isEmpty());
    QVERIFY(job.isFinished());
    QVERIFY(job.processedCount() < 200000);
    QCOMPARE(phonetest::storedCount(), storedBefore);
    QVERIFY(big.waitForLine(QStringLiteral("BACKUP-ABORTED")));
}

QTEST_MAIN(TestSyncRestoreThread)
#include "tst_syncrestorethread.moc"
