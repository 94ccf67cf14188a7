#include <QtTest>

#include "device/DeviceConnection.h"
#include "sync/MiniPhone.h"
#include "sync/SyncRestoreThread.h"
#include "sync/SyncTestSupport.h"
#include "sync/SyncTimings.h"

using namespace synctest;

namespace {

const QString PHONE = QStringLiteral("127.0.0.44");

// A phone record of a received message, the body telling which one it is.
QByteArray sms(int n)
{
    return "$sms:" + QByteArray::number(Q_INT64_C(1600000000000) + n * 1000) + ",0," +
           QByteArray("555").toBase64() + ",," +
           QByteArray("message ").append(QByteArray::number(n)).toBase64() + "\n";
}

QStringList storedBodies()
{
    QStringList bodies;
    for (const SMSInfo& message : phonetest::storedMessages())
        bodies << message.body;
    return bodies;
}

JobOutcome backup()
{
    ProgressForm form(QStringLiteral("Backing up SMS now"));
    SyncRestoreThread job(&form);
    return runAndRecord(form, job);
}

} // namespace

// How the backup reads the phone's lines, with sequences the simulator does not send.
class TestSyncRestoreRules : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void byeRightAfterCountZero();
    void linesOutsideTheirPlaceAreIgnored();
    void countMayChangeBetweenBatches();
    void progressIsZeroWhileTheTotalIsUnknown();

private:
    phonetest::TempAccount m_account;
    MiniPhone m_phone;
};

void TestSyncRestoreRules::initTestCase()
{
    QVERIFY(m_account.open());
    SyncTimings::setForTests(0, 0);
    QVERIFY(m_phone.listen(PHONE, SyncRestoreThread::DATA_PORT));
    m_phone.becomeCurrent();
    QVERIFY(currentConnection());
}

void TestSyncRestoreRules::init()
{
    currentDatabase()->executeThrow(Sqlite3Sql("delete from sms"));
}

void TestSyncRestoreRules::byeRightAfterCountZero()
{
    m_phone.setScript({"$count:0\n$bye:\n"});
    const JobOutcome outcome = backup();
    QCOMPARE(outcome.result, int(QDialog::Accepted));
    QCOMPARE(outcome.lastBoxText(), QStringLiteral("IDS_RESTORE_SUC_%1").arg(0));
    QCOMPARE(phonetest::storedCount(), 0);
    QCOMPARE(m_phone.receivedOnData, QByteArray());
}

void TestSyncRestoreRules::linesOutsideTheirPlaceAreIgnored()
{
    // A record before any batch, and "$bye:", "$count:" and "$batch:" inside a batch.
    m_phone.setScript(
        {sms(0) + "$end:\n$count:2\n$batch:\n" + sms(1) + "$bye:\n$batch:\n" + sms(2) + "$end:\n",
         "$hello:\n$bye:\n"});
    const JobOutcome outcome = backup();
    QCOMPARE(outcome.result, int(QDialog::Accepted));
    QCOMPARE(outcome.lastBoxText(), QStringLiteral("IDS_RESTORE_SUC_%1").arg(2));
    QCOMPARE(storedBodies(),
             (QStringList{QStringLiteral("message 1"), QStringLiteral("message 2")}));
    QCOMPARE(m_phone.receivedOnData, QByteArray("$batch:\n"));
}

void TestSyncRestoreRules::countMayChangeBetweenBatches()
{
    m_phone.setScript({"$count:4\n$batch:\n" + sms(1) + sms(2) + "$end:\n",
                       "$count:5\n$batch:\n" + sms(3) + sms(4) + sms(5) + "$end:\n", "$bye:\n"});
    const JobOutcome outcome = backup();
    QCOMPARE(outcome.result, int(QDialog::Accepted));
    QCOMPARE(outcome.progressTexts.first(), QStringLiteral("SMS 1:4"));
    QVERIFY(outcome.progressTexts.contains(QStringLiteral("SMS 2:4")));
    QCOMPARE(outcome.progressTexts.last(), QStringLiteral("SMS 5:5"));
    QCOMPARE(outcome.bar, 100);
    QCOMPARE(m_phone.receivedOnData, QByteArray("$batch:\n$batch:\n"));
    QCOMPARE(phonetest::storedCount(), 5);
}

void TestSyncRestoreRules::progressIsZeroWhileTheTotalIsUnknown()
{
    m_phone.setScript({"$batch:\n" + sms(1) + sms(2) + "$end:\n", "$bye:\n"});
    const JobOutcome outcome = backup();
    QCOMPARE(outcome.result, int(QDialog::Accepted));
    QCOMPARE(outcome.progressTexts.last(), QStringLiteral("SMS 2:0"));
    QCOMPARE(outcome.bar, 0);
    QCOMPARE(phonetest::storedCount(), 2);
}

QTEST_MAIN(TestSyncRestoreRules)
#include "tst_syncrestorerules.moc"
