#include <QtTest>

#include "FakeAdbEnvironment.h"
#include "PhoneSimProcess.h"
#include "common/DialogRecorder.h"
#include "device/ConnectionFormDriver.h"
#include "device/DeviceConnection.h"

using namespace phonetest;

namespace {

// Over USB every port is reached on 127.0.0.1, where the simulator listens.
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

class TestConnectionFormUsb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void usbFillsTheDeviceList();
    void refreshWithoutDeviceWarns();
    void bridgeErrorKeepsTheList();
    void forwardErrorIsShown();
    void connectForwardsTheCommandPort();

private:
    QTranslator m_english;
    tbtest::PhoneSimProcess m_phone;
    std::unique_ptr<tbtest::FakeAdbEnvironment> m_adb;
};

void TestConnectionFormUsb::initTestCase()
{
    QVERIFY(installEnglish(m_english));
    // Another build's USB test may hold 127.0.0.1 for a while.
    QTRY_VERIFY_WITH_TIMEOUT(m_phone.start(USB_HOST), 60000);
}

void TestConnectionFormUsb::init()
{
    m_adb = std::make_unique<tbtest::FakeAdbEnvironment>();
    m_adb->setDevices({QStringLiteral("SIMA"), QStringLiteral("SIMB")});
}

void TestConnectionFormUsb::cleanup()
{
    m_adb.reset();
    clearConnection();
}

void TestConnectionFormUsb::usbFillsTheDeviceList()
{
    DialogRecorder boxes;
    ConnectionForm form;
    QVERIFY(m_adb->commands().isEmpty());
    child<QRadioButton>(&form, "raUsb")->click();
    QCOMPARE(form.height(), 240);
    QVERIFY(!child<QGroupBox>(&form, "gbUsb")->isHidden());
    QVERIFY(child<QGroupBox>(&form, "gbWifi")->isHidden());
    auto* devices = child<QComboBox>(&form, "cbUsbDevices");
    QCOMPARE(entries(devices), (QStringList{QStringLiteral("SIMA"), QStringLiteral("SIMB")}));
    QCOMPARE(devices->currentIndex(), 0);
    QCOMPARE(m_adb->commands(), QStringList{QStringLiteral("devices")});
    QVERIFY(boxes.messages.isEmpty());

    // The refresh link asks again.
    m_adb->setDevices({QStringLiteral("SIMC")});
    emit child<QLabel>(&form, "aRefreshUsbDevices")->linkActivated(QStringLiteral("#"));
    QCOMPARE(entries(devices), QStringList{QStringLiteral("SIMC")});
}

void TestConnectionFormUsb::refreshWithoutDeviceWarns()
{
    m_adb->setDevices({});
    DialogRecorder boxes;
    ConnectionForm form;
    child<QRadioButton>(&form, "raUsb")->click();
    QCOMPARE(child<QComboBox>(&form, "cbUsbDevices")->count(), 0);
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages[0].icon, QMessageBox::Warning);
    QCOMPARE(boxes.lastText(),
             QStringLiteral("Found no device connected. Please check your device USB driver."));
    pressConnect(&form);
    QCOMPARE(boxes.messages.size(), 2);
    QCOMPARE(boxes.lastText(), QStringLiteral("Please select device to connect."));
    QVERIFY(!currentConnection());
}

void TestConnectionFormUsb::bridgeErrorKeepsTheList()
{
    DialogRecorder boxes;
    ConnectionForm form;
    child<QRadioButton>(&form, "raUsb")->click();
    m_adb->setErrorText(QStringLiteral("cannot connect to daemon"));
    emit child<QLabel>(&form, "aRefreshUsbDevices")->linkActivated(QStringLiteral("#"));
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages[0].icon, QMessageBox::Critical);
    QVERIFY2(boxes.lastText().contains(QStringLiteral("cannot connect to daemon")),
             qPrintable(boxes.lastText()));
    QCOMPARE(child<QComboBox>(&form, "cbUsbDevices")->count(), 2);
}

void TestConnectionFormUsb::forwardErrorIsShown()
{
    DialogRecorder boxes;
    ConnectionForm form;
    child<QRadioButton>(&form, "raUsb")->click();
    m_adb->setForwardErrorText(QStringLiteral("error: device unauthorized"));
    pressConnect(&form);
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages[0].icon, QMessageBox::Critical);
    QVERIFY(boxes.lastText().contains(QStringLiteral("error: device unauthorized")));
    QVERIFY(!currentConnection());
}

void TestConnectionFormUsb::connectForwardsTheCommandPort()
{
    DialogRecorder boxes;
    ConnectionForm form;
    child<QRadioButton>(&form, "raUsb")->click();
    auto* devices = child<QComboBox>(&form, "cbUsbDevices");
    devices->setCurrentIndex(devices->findText(QStringLiteral("SIMB")));
    pressConnect(&form);
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages[0].icon, QMessageBox::Question);
    QVERIFY(m_adb->commands().contains(QStringLiteral("-s SIMB forward tcp:42580 tcp:42580")));
    const auto connection = currentConnection();
    QVERIFY(connection);
    QVERIFY(connection->isUsb());
    QCOMPARE(connection->host(), USB_HOST);
    QCOMPARE(connection->serial(), QStringLiteral("SIMB"));
}

QTEST_MAIN(TestConnectionFormUsb)
#include "tst_connectionform_usb.moc"
