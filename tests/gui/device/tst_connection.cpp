// The connection to the phone over WiFi and USB (hello, connection dialog, device list, the
// jobs' port forwards) and sending. Over USB every port is reached on 127.0.0.1.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

#include "core/device/SendSMSThroughPhone.h"
#include "core/frame/JobRunner.h"
#include "core/jobs/ListenJob.h"
#include "core/jobs/PhoneJobTimings.h"
#include "core/store/IncomingSMSGate.h"
#include "core/store/SMSListSource.h"
#include "gui/device/ConnectionForm.h"
#include "gui/device/EnsureConnection.h"
#include "gui/frame/BusyDialog.h"
#include "support/DialogRecorder.h"
#include "support/FakeAdbEnvironment.h"
#include "support/GuiTestSupport.h"
#include "support/SyncTestSupport.h"

using namespace synctest;
using guitest::child;
using guitest::FakeMainWindow;

namespace {

const QString PHONE = QStringLiteral("127.0.0.21");
const QString NO_PHONE = QStringLiteral("127.0.0.22");
const QString REFUSING_PHONE = QStringLiteral("127.0.0.23");
const QString SILENT_PHONE = QStringLiteral("127.0.0.24");
const QString USB_HOST = QStringLiteral("127.0.0.1");

// WiFi and the address, or "usb SERIAL": USB and that device; "-": neither.
void choose(QWidget* form, const QString& how)
{
    if (how.startsWith(QLatin1String("usb "))) {
        child<QRadioButton>(form, "raUsb")->click();
        auto* devices = child<QComboBox>(form, "cbUsbDevices");
        devices->setCurrentIndex(devices->findText(how.mid(4)));
    } else if (how != QLatin1String("-")) {
        child<QRadioButton>(form, "raWifi")->click();
        child<QLineEdit>(form, "txtWifiAddr")->setText(how);
    }
}

QStringList entries(QComboBox* box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    list.sort();
    return list;
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void connectFlows_data();
    void connectFlows();
    void ensureConnectionAsksTheUser();
    void silentHelloIsCancelledWithinASecond();
    void usbDeviceList();
    void usbJobsForwardTheirDataPorts();
    void sendReturnsThePhonesRecord();
    void sendFailures_data();
    void sendFailures();

private:
    TestAccount m_account;
    tbtest::PhoneSimProcess m_phone;
    tbtest::PhoneSimProcess m_refusing;
    std::unique_ptr<tbtest::FakeAdbEnvironment> m_adb;
};

void TestConnection::initTestCase()
{
    PhoneJobTimings::setForTests(0, 0);
    QVERIFY(m_account.open());
    QVERIFY(m_phone.start(PHONE));
    QVERIFY(m_refusing.start(REFUSING_PHONE, {"--misbehave", "hello-error"}));
}

void TestConnection::init()
{
    m_adb = std::make_unique<tbtest::FakeAdbEnvironment>();
    m_adb->setDevices({"SIMA", "SIMB"});
}

void TestConnection::cleanup()
{
    // WiFi never needs the bridge.
    if (!QString(QTest::currentTestFunction()).startsWith(QLatin1String("usb")) &&
        !QString(QTest::currentDataTag()).startsWith(QLatin1String("usb")))
        QCOMPARE(m_adb->commands(), QStringList());
    m_adb.reset();
    clearConnection();
}

void TestConnection::connectFlows_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("forwardError"); // what adb says when asked to forward
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("backups"); // -1: no new connection
    const auto row = [](const char* name, const QString& how, QMessageBox::Icon icon,
                        const QString& text, int backups = -1, int answer = 0,
                        const QString& forwardError = {}) {
        QTest::newRow(name) << how << forwardError << answer << int(icon) << text << backups;
    };
    const auto critical = QMessageBox::Critical;
    const QString invalid = QStringLiteral("Invalid WiFi IP.");
    const QString fail =
        QStringLiteral("Fail to connect device. Please start ZO Ruro Vedarov to retry.");
    const QString offer = QStringLiteral("Connect successfully. Want to sync SMS to computer now?");
    row("no method", "-", QMessageBox::Warning, "Please select connecting method.");
    row("three numbers", "127.0.25", critical, invalid);
    row("name", "phone.local", critical, invalid);
    row("empty", "", critical, invalid);
    row("port passes the pattern", PHONE + ":1234", critical, fail);
    row("no phone there", NO_PHONE, critical, fail);
    // The service is there but refuses the hello: shown like a failed connection.
    row("hello refused", REFUSING_PHONE, critical, fail + " Service not ready.");
    row("connected, no backup", PHONE, QMessageBox::Question, offer, 0, QMessageBox::No);
    row("blanks around, backup", " " + PHONE + " ", QMessageBox::Question, offer, 1,
        QMessageBox::Yes);
    row("usb, forward refused", "usb SIMB", critical, "error: device unauthorized", -1, 0,
        "error: device unauthorized");
    row("usb, connected", "usb SIMB", QMessageBox::Question, offer, 0, QMessageBox::No);
}

void TestConnection::connectFlows()
{
    QFETCH(QString, how);
    QFETCH(QString, forwardError);
    QFETCH(int, answer);
    QFETCH(int, icon);
    QFETCH(QString, text);
    QFETCH(int, backups);
    const bool usb = how.startsWith(QLatin1String("usb "));
    tbtest::PhoneSimProcess usbPhone;
    if (usb) // another build's USB test may hold 127.0.0.1 for a while
        QTRY_VERIFY_WITH_TIMEOUT(usbPhone.start(USB_HOST), 60000);
    tbtest::PhoneSimProcess& phone = usb ? usbPhone : m_phone;
    setConnection(PHONE, PHONE, false);
    const auto earlier = currentConnection();
    const qsizetype listenersBefore = phone.linesStartingWith(QStringLiteral("LISTENER")).size();
    FakeMainWindow window;
    DialogRecorder boxes;
    if (answer)
        boxes.queueButton(QMessageBox::StandardButton(answer));
    m_adb->setForwardErrorText(forwardError);
    ConnectionForm form;
    QVERIFY(child<QGroupBox>(&form, "gbWifi")->isHidden());
    choose(&form, how);
    QCOMPARE(form.height(), how == QLatin1String("-") ? 180 : 240);
    QCOMPARE(child<QGroupBox>(&form, "gbWifi")->isHidden(), how == QLatin1String("-") || usb);
    child<QPushButton>(&form, "btnConnect")->click();
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(int(boxes.messages[0].icon), icon);
    QCOMPARE(boxes.messages[0].title, QStringLiteral("Tallowbrook"));
    QVERIFY2(boxes.lastText().contains(text), qPrintable(boxes.lastText()));
    const bool connected = backups >= 0;
    QCOMPARE(currentConnection() != earlier, connected); // a failure keeps the earlier one
    if (connected) // the listener starts with every new connection
        QTRY_COMPARE(phone.linesStartingWith(QStringLiteral("LISTENER")).size(),
                     listenersBefore + 1);
    QCOMPARE(form.result(), int(connected ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(window.backupsStarted, qMax(backups, 0));
    const bool overUsb = usb && connected;
    QCOMPARE(currentConnection()->host(), overUsb ? USB_HOST : PHONE);
    QCOMPARE(currentConnection()->serial(), overUsb ? QStringLiteral("SIMB") : PHONE);
    QCOMPARE(currentConnection()->isUsb(), overUsb);
    if (usb)
        QVERIFY(m_adb->commands().contains(QStringLiteral("-s SIMB forward tcp:42580 tcp:42580")));
}

void TestConnection::ensureConnectionAsksTheUser()
{
    // (Cancelling the dialog is tested with each command that asks for a connection.)
    DialogRecorder boxes;
    QTimer::singleShot(0, this, [] {
        QWidget* form = QApplication::activeModalWidget();
        QVERIFY(qobject_cast<ConnectionForm*>(form));
        choose(form, PHONE);
        child<QPushButton>(form, "btnConnect")->click();
    });
    const std::shared_ptr<DeviceConnection> connection = ensureConnection(true);
    QVERIFY(connection);
    QCOMPARE(connection->host(), PHONE);
    QCOMPARE(ensureConnection(true), connection); // once connected, no dialog
    QCOMPARE(ensureConnection(false), connection);
    QCOMPARE(boxes.messages.size(), 1);
}

void TestConnection::silentHelloIsCancelledWithinASecond()
{
    // The hello has no time limit, but it runs behind a busy dialog whose Cancel always works.
    tbtest::PhoneSimProcess silent;
    QVERIFY(silent.start(SILENT_PHONE, {"--misbehave", "no-hello"}));
    DialogRecorder boxes;
    ConnectionForm form;
    choose(&form, SILENT_PHONE);
    QElapsedTimer sinceCancel;
    QTimer::singleShot(500, this, [&] {
        auto* busy = qobject_cast<BusyDialog*>(QApplication::activeModalWidget());
        QVERIFY(busy);
        sinceCancel.start();
        QTest::keyClick(busy, Qt::Key_Escape);
    });
    child<QPushButton>(&form, "btnConnect")->click();
    QVERIFY(sinceCancel.isValid());
    QVERIFY2(sinceCancel.elapsed() < 1000, qPrintable(QString::number(sinceCancel.elapsed())));
    QVERIFY(boxes.messages.isEmpty()); // a cancel is no failure
    QVERIFY(!currentConnection());
    QVERIFY(!form.result()); // the dialog stays for another try
}

void TestConnection::usbDeviceList()
{
    DialogRecorder boxes;
    ConnectionForm form;
    QCOMPARE(m_adb->commands(), QStringList());
    child<QRadioButton>(&form, "raUsb")->click();
    QVERIFY(!child<QGroupBox>(&form, "gbUsb")->isHidden());
    auto* devices = child<QComboBox>(&form, "cbUsbDevices");
    QCOMPARE(entries(devices), (QStringList{"SIMA", "SIMB"}));
    QCOMPARE(devices->currentIndex(), 0);
    QCOMPARE(m_adb->commands(), QStringList{"devices"});

    // The refresh link asks again; an error of the bridge keeps the list.
    const auto refresh = [&] {
        emit child<QLabel>(&form, "aRefreshUsbDevices")->linkActivated(QStringLiteral("#"));
    };
    m_adb->setDevices({"SIMC"});
    refresh();
    QCOMPARE(entries(devices), QStringList{"SIMC"});
    m_adb->setErrorText(QStringLiteral("cannot connect to daemon"));
    refresh();
    QCOMPARE(devices->count(), 1);
    QCOMPARE(boxes.shown().size(), 1);
    QVERIFY(boxes.shown().last().startsWith(QStringLiteral("C: ")) &&
            boxes.lastText().contains(QStringLiteral("cannot connect to daemon")));

    // No device: a warning, and connecting asks for a device.
    m_adb->setErrorText({});
    m_adb->setDevices({});
    refresh();
    QCOMPARE(devices->count(), 0);
    QCOMPARE(boxes.shown().last(),
             QStringLiteral("W: Found no device connected. Please check your device USB driver."));
    child<QPushButton>(&form, "btnConnect")->click();
    QCOMPARE(boxes.lastText(), QStringLiteral("Please select device to connect."));
    QVERIFY(!currentConnection());

    // Without the tool at all the user is told so, not shown an empty list.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    refresh();
    qputenv("PATH", path);
    QVERIFY2(boxes.lastText().contains(QStringLiteral("adb is not installed or not on PATH")),
             qPrintable(boxes.lastText()));
}

void TestConnection::usbJobsForwardTheirDataPorts()
{
    tbtest::PhoneSimProcess usbPhone;
    QTRY_VERIFY_WITH_TIMEOUT(usbPhone.start(USB_HOST, {"--count", "120"}), 60000);
    currentDatabase()->executeThrow(Sqlite3Sql("delete from sms"));
    setConnection(QStringLiteral("SIMA"), USB_HOST, true);
    ListenJob listener;
    JobRunner runner(listener);
    runner.start();
    QVERIFY(backupFromPhone().succeeded());
    QCOMPARE(storedMessages().size(), 120);
    SMSListSource source(storedMessages().mid(0, 7));
    QVERIFY(restoreToPhone(&source).succeeded());
    QVERIFY(usbPhone.waitForLine(QStringLiteral("RESTORED 7 1")));
    QSignalSpy received(&listener, &ListenJob::receivedSMS);
    usbPhone.push(QStringLiteral("0170 99"), QStringLiteral("over USB"));
    QTRY_COMPARE(received.count(), 1);
    for (int port : {32421, 32422, 43256})
        QVERIFY(
            m_adb->commands().contains(QStringLiteral("-s SIMA forward tcp:%1 tcp:%1").arg(port)));

    // A failed forward ends the job and stores nothing.
    m_adb->setForwardErrorText(QStringLiteral("error: device 'SIMA' not found"));
    QVERIFY(backupFromPhone().failedWith(QStringLiteral("error: device 'SIMA' not found")));
    QCOMPARE(storedMessages().size(), 120);
}

void TestConnection::sendReturnsThePhonesRecord()
{
    setConnection(PHONE, PHONE, false);
    const qsizetype storedBefore = storedMessages().size();
    const QString body = QStringLiteral("Grüße, Привет, 你好 👋\nzweite Zeile");
    const SMSInfo sms =
        sendSMSThroughPhone(currentConnection().get(), QStringLiteral("0170 555"), body);
    QString sent;
    QVERIFY(m_phone.waitForLine(QStringLiteral("SENT "), 15000, &sent));
    const QStringList fields = sent.mid(5).split(u',');
    QCOMPARE(fields.size(), 5);
    QCOMPARE(sms.date.toMSecsSinceEpoch(), fields[0].toLongLong());
    QCOMPARE(sms.isSend, fields[1] == QStringLiteral("1"));
    QCOMPARE(sms.address + '|' + sms.body, "0170 555|" + body);
    QCOMPARE(storedMessages().size(), storedBefore); // storing is the gate's part
    IncomingSMSGate().offer(sms);
    QCOMPARE(storedMessages().size(), storedBefore + 1);
    QCOMPARE(storedMessages().last().body, body);
    QVERIFY(m_phone.logText().contains(QStringLiteral("<- $bye:")));
    QVERIFY(m_phone.linesStartingWith(QStringLiteral("FAULT")).isEmpty());
}

void TestConnection::sendFailures_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("text"); // the start of the message
    const auto row = [](const char* name, const char* mode, const char* text) {
        QTest::newRow(name) << QString(mode) << QString(text);
    };
    row("no connection", "", "No connection.");
    row("phone refuses an empty address", "none", "");
    row("four fields", "send-fields4", "SMS raw format wrong, less then 5 fields, raw:");
    row("zero date", "send-zero-date", "SMS 'date' field eq zero, raw:");
}

void TestConnection::sendFailures()
{
    QFETCH(QString, mode);
    QFETCH(QString, text);
    if (!mode.isEmpty())
        setConnection(PHONE, PHONE, false);
    const int from = m_phone.lineCount();
    m_phone.sendCommand(QStringLiteral("misbehave ") + (mode.isEmpty() ? "none" : mode));
    QVERIFY(m_phone.waitForLine(QStringLiteral("MISBEHAVE"), 15000, nullptr, from));
    const qsizetype storedBefore = storedMessages().size();
    const QString message = failureOf(
        [&] { sendSMSThroughPhone(currentConnection().get(), mode == "none" ? "" : "555", "x"); });
    m_phone.sendCommand(QStringLiteral("misbehave none"));
    QVERIFY2(message.startsWith(text) && message != "<no exception>", qPrintable(message));
    QCOMPARE(storedMessages().size(), storedBefore);
    QString peerError; // the phone hears of a refused record
    if (mode.startsWith("send-"))
        QVERIFY(m_phone.waitForLine("PEER-ERROR", 15000, &peerError, from) &&
                peerError.contains(text));
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
