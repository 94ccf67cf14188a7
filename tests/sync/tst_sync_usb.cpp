#include <QSignalSpy>
#include <QtTest>

#include "FakeAdbEnvironment.h"
#include "PhoneSimProcess.h"
#include "device/DeviceConnection.h"
#include "store/SMSListSource.h"
#include "sync/SyncBackupThread.h"
#include "sync/SyncListenSMSThread.h"
#include "sync/SyncRestoreThread.h"
#include "sync/SyncTestSupport.h"
#include "sync/SyncTimings.h"

using namespace synctest;

namespace {

// Over USB every port is forwarded and reached on 127.0.0.1, where the simulator listens.
const QString USB_HOST = QStringLiteral("127.0.0.1");
const QString SERIAL = QStringLiteral("SIMUSB1");

} // namespace

class TestSyncUsb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void backupForwardsItsDataPort();
    void restoreForwardsItsDataPort();
    void listenerForwardsItsDataPort();
    void forwardFailureEndsTheJob();

private:
    phonetest::TempAccount m_account;
    tbtest::PhoneSimProcess m_phone;
    tbtest::FakeAdbEnvironment m_adb;
};

void TestSyncUsb::initTestCase()
{
    QVERIFY(m_account.open());
    SyncTimings::setForTests(0, 0);
    SyncListenSMSThread::instance();
    m_adb.setDevices({SERIAL});
    // Another build's USB test may hold 127.0.0.1 for a while.
    QTRY_VERIFY_WITH_TIMEOUT(
        m_phone.start(USB_HOST, {QStringLiteral("--count"), QStringLiteral("120")}), 60000);
    setConnection(SERIAL, USB_HOST, true);
}

void TestSyncUsb::cleanupTestCase()
{
    clearConnection();
}

void TestSyncUsb::backupForwardsItsDataPort()
{
    ProgressForm form(QStringLiteral("Backing up SMS now"));
    SyncRestoreThread job(&form);
    const JobOutcome outcome = runAndRecord(form, job);
    QCOMPARE(outcome.result, int(QDialog::Accepted));
    QCOMPARE(phonetest::storedCount(), 120);
    QVERIFY(m_adb.commands().contains(QStringLiteral("-s SIMUSB1 forward tcp:32421 tcp:32421")));
}

void TestSyncUsb::restoreForwardsItsDataPort()
{
    QList<SMSInfo> list;
    for (int i = 0; i < 7; ++i) {
        SMSInfo sms;
        sms.date = QDateTime::fromMSecsSinceEpoch(Q_INT64_C(1650000000000) + i);
        sms.isSend = i % 2 == 0;
        sms.address = QStringLiteral("0170 %1").arg(i);
        sms.body = QStringLiteral("restored over USB");
        list << sms;
    }
    SMSListSource source(list);
    ProgressForm form(QStringLiteral("Restoring SMS to Android now"));
    SyncBackupThread job(&source, &form);
    const JobOutcome outcome = runAndRecord(form, job);
    QCOMPARE(outcome.result, int(QDialog::Accepted));
    QVERIFY(m_phone.waitForLine(QStringLiteral("RESTORED 7 1")));
    QVERIFY(m_adb.commands().contains(QStringLiteral("-s SIMUSB1 forward tcp:32422 tcp:32422")));
}

void TestSyncUsb::listenerForwardsItsDataPort()
{
    QSignalSpy received(SyncListenSMSThread::instance(), &SyncListenSMSThread::receivedSMS);
    SyncListenSMSThread::instance()->restartListening();
    m_phone.push(QStringLiteral("0170 99"), QStringLiteral("over USB"));
    QTRY_COMPARE(received.count(), 1);
    QVERIFY(m_adb.commands().contains(QStringLiteral("-s SIMUSB1 forward tcp:43256 tcp:43256")));
    SyncListenSMSThread::instance()->stopListening();
}

void TestSyncUsb::forwardFailureEndsTheJob()
{
    m_adb.setForwardErrorText(QStringLiteral("error: device 'SIMUSB1' not found"));
    const long long before = phonetest::storedCount();
    ProgressForm form(QStringLiteral("Backing up SMS now"));
    SyncRestoreThread job(&form);
    const JobOutcome outcome = runAndRecord(form, job);
    m_adb.setForwardErrorText(QString());
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QVERIFY2(outcome.lastBoxText().contains(QStringLiteral("error: device 'SIMUSB1' not found")),
             qPrintable(outcome.lastBoxText()));
    QCOMPARE(phonetest::storedCount(), before);
}

QTEST_MAIN(TestSyncUsb)
#include "tst_sync_usb.moc"
