// USB mode: the connection dialog's device list and every job forwarding its own port. Over
// USB every port is reached on 127.0.0.1, where the simulator listens.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

#include "FakeAdbEnvironment.h"
#include "device/ConnectionForm.h"
#include "store/SMSListSource.h"
#include "sync/SyncListenSMSThread.h"
#include "sync/SyncTestSupport.h"
#include "sync/SyncTimings.h"

using namespace phonetest;
using namespace synctest;

namespace {

const QString USB_HOST = QStringLiteral("127.0.0.1");

QStringList entries(QComboBox* box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    list.sort();
    return list;
}

} // namespace

class TestUsb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void deviceList();
    void connectForwardsTheCommandPort();
    void jobsForwardTheirDataPorts();

private:
    TempAccount m_account;
    tbtest::PhoneSimProcess m_phone;
    tbtest::FakeAdbEnvironment m_adb;
};

void TestUsb::initTestCase()
{
    QVERIFY(m_account.open());
    SyncTimings::setForTests(0, 0);
    SyncListenSMSThread::instance();
    // Another build's USB test may hold 127.0.0.1 for a while.
    QTRY_VERIFY_WITH_TIMEOUT(m_phone.start(USB_HOST, {"--count", "120"}), 60000);
}

void TestUsb::init()
{
    m_adb.setDevices({"SIMA", "SIMB"});
    m_adb.setErrorText({});
    m_adb.setForwardErrorText({});
}

void TestUsb::cleanup()
{
    clearConnection();
}

void TestUsb::deviceList()
{
    const qsizetype commandsBefore = m_adb.commands().size();
    DialogRecorder boxes;
    ConnectionForm form;
    QCOMPARE(m_adb.commands().size(), commandsBefore);
    child<QRadioButton>(&form, "raUsb")->click();
    QCOMPARE(form.height(), 240);
    QVERIFY(!child<QGroupBox>(&form, "gbUsb")->isHidden());
    QVERIFY(child<QGroupBox>(&form, "gbWifi")->isHidden());
    auto* devices = child<QComboBox>(&form, "cbUsbDevices");
    QCOMPARE(entries(devices), (QStringList{"SIMA", "SIMB"}));
    QCOMPARE(devices->currentIndex(), 0);
    QCOMPARE(m_adb.commands().mid(commandsBefore), QStringList{"devices"});

    // The refresh link asks again; an error of the bridge keeps the list.
    auto* refresh = child<QLabel>(&form, "aRefreshUsbDevices");
    m_adb.setDevices({"SIMC"});
    emit refresh->linkActivated(QStringLiteral("#"));
    QCOMPARE(entries(devices), QStringList{"SIMC"});
    m_adb.setErrorText(QStringLiteral("cannot connect to daemon"));
    emit refresh->linkActivated(QStringLiteral("#"));
    QCOMPARE(devices->count(), 1);
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages[0].icon, QMessageBox::Critical);
    QVERIFY(boxes.lastText().contains(QStringLiteral("cannot connect to daemon")));

    // No device: a warning, and connecting asks for a device.
    m_adb.setErrorText({});
    m_adb.setDevices({});
    emit refresh->linkActivated(QStringLiteral("#"));
    QCOMPARE(devices->count(), 0);
    QCOMPARE(boxes.messages.last().icon, QMessageBox::Warning);
    QCOMPARE(boxes.lastText(),
             QStringLiteral("Found no device connected. Please check your device USB driver."));
    pressConnect(&form);
    QCOMPARE(boxes.lastText(), QStringLiteral("Please select device to connect."));
    QVERIFY(!currentConnection());
}

void TestUsb::connectForwardsTheCommandPort()
{
    DialogRecorder boxes;
    ConnectionForm form;
    child<QRadioButton>(&form, "raUsb")->click();
    auto* devices = child<QComboBox>(&form, "cbUsbDevices");
    devices->setCurrentIndex(devices->findText(QStringLiteral("SIMB")));
    m_adb.setForwardErrorText(QStringLiteral("error: device unauthorized"));
    pressConnect(&form);
    QCOMPARE(boxes.messages[0].icon, QMessageBox::Critical);
    QVERIFY(boxes.lastText().contains(QStringLiteral("error: device unauthorized")));
    QVERIFY(!currentConnection());

    m_adb.setForwardErrorText({});
    pressConnect(&form);
    QCOMPARE(boxes.messages.size(), 2);
    QCOMPARE(boxes.messages[1].icon, QMessageBox::Question);
    QVERIFY(m_adb.commands().contains(QStringLiteral("-s SIMB forward tcp:42580 tcp:42580")));
    const auto connection = currentConnection();
    QVERIFY(connection && connection->isUsb());
    QCOMPARE(connection->host(), USB_HOST);
    QCOMPARE(connection->serial(), QStringLiteral("SIMB"));
}

void TestUsb::jobsForwardTheirDataPorts()
{
    setConnection(QStringLiteral("SIMA"), USB_HOST, true);
    QCOMPARE(backupFromPhone().result, int(QDialog::Accepted));
    QCOMPARE(storedCount(), 120);
    SMSListSource source(storedMessages().mid(0, 7));
    QCOMPARE(restoreToPhone(&source).result, int(QDialog::Accepted));
    QVERIFY(m_phone.waitForLine(QStringLiteral("RESTORED 7 1")));
    QSignalSpy received(SyncListenSMSThread::instance(), &SyncListenSMSThread::receivedSMS);
    m_phone.push(QStringLiteral("0170 99"), QStringLiteral("over USB"));
    QTRY_COMPARE(received.count(), 1); // the listener started with the connection
    for (int port : {32421, 32422, 43256})
        QVERIFY(
            m_adb.commands().contains(QStringLiteral("-s SIMA forward tcp:%1 tcp:%1").arg(port)));

    // A failed forward ends the job and stores nothing.
    m_adb.setForwardErrorText(QStringLiteral("error: device 'SIMA' not found"));
    const JobOutcome outcome = backupFromPhone();
    QCOMPARE(outcome.result, int(QDialog::Rejected));
    QVERIFY(outcome.lastBoxText().contains(QStringLiteral("error: device 'SIMA' not found")));
    QCOMPARE(storedCount(), 120);
}

QTEST_MAIN(TestUsb)
#include "tst_usb.moc"
