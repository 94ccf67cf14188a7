#include <QtTest>

#include "FakeAdbEnvironment.h"
#include "PhoneSimProcess.h"
#include "common/DialogRecorder.h"
#include "device/ConnectionFormDriver.h"
#include "device/DeviceConnection.h"

using namespace phonetest;

namespace {

const QString PHONE = QStringLiteral("127.0.0.25");
const QString REFUSING_PHONE = QStringLiteral("127.0.0.26");
const QString NO_PHONE = QStringLiteral("127.0.0.27");

} // namespace

class TestConnectionForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void startsWithoutMethodAtHeight180();
    void wifiShowsItsBoxWithoutTheBridge();
    void connectWithoutMethodIsRefused();
    void wifiAddressPattern_data();
    void wifiAddressPattern();
    void addressWithPortPassesThePatternThenFails();
    void successRestartsListenerAndOffersBackup();
    void yesStartsTheBackup();
    void failedConnectKeepsTheEarlierConnection();
    void helloErrorIsShownLikeAFailedConnection();
    void ensureConnectionAsksTheUser();
    void ensureConnectionCancelled();

private:
    QTranslator m_english;
    tbtest::PhoneSimProcess m_phone;
    std::unique_ptr<tbtest::FakeAdbEnvironment> m_adb;
    int m_restarts = 0;
};

void TestConnectionForm::initTestCase()
{
    QVERIFY(installEnglish(m_english));
    QVERIFY2(m_phone.start(PHONE), qPrintable(m_phone.errorText()));
}

void TestConnectionForm::init()
{
    m_adb = std::make_unique<tbtest::FakeAdbEnvironment>();
    m_restarts = 0;
    setListenerHooks({}, [this] { ++m_restarts; });
}

void TestConnectionForm::cleanup()
{
    // WiFi never needs the bridge.
    QCOMPARE(m_adb->commands(), QStringList());
    m_adb.reset();
    setListenerHooks({}, {});
    clearConnection();
}

void TestConnectionForm::startsWithoutMethodAtHeight180()
{
    ConnectionForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Tallowbrook-Connection"));
    QCOMPARE(form.width(), 432);
    QCOMPARE(form.height(), 180);
    QVERIFY(form.windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));
    QVERIFY(child<QGroupBox>(&form, "gbUsb")->isHidden());
    QVERIFY(child<QGroupBox>(&form, "gbWifi")->isHidden());
    QVERIFY(!child<QRadioButton>(&form, "raUsb")->isChecked());
    QVERIFY(!child<QRadioButton>(&form, "raWifi")->isChecked());
    QCOMPARE(child<QLabel>(&form, "label")->text(), QStringLiteral("Connecting Method:"));
    QCOMPARE(child<QLabel>(&form, "aRefreshUsbDevices")->text(),
             QStringLiteral("<a href=\"#\">Refresh</a>"));
    QCOMPARE(child<QGroupBox>(&form, "gbUsb")->title(), QStringLiteral("Connect via USB"));
    QCOMPARE(child<QGroupBox>(&form, "gbWifi")->title(), QStringLiteral("Connect via WiFi"));
    QCOMPARE(child<QLabel>(&form, "label_3")->parentWidget(), child<QGroupBox>(&form, "gbUsb"));
    QCOMPARE(child<QLineEdit>(&form, "txtWifiAddr")->parentWidget(),
             child<QGroupBox>(&form, "gbWifi"));
    QVERIFY(child<QLabel>(&form, "label_2")->wordWrap());
}

void TestConnectionForm::wifiShowsItsBoxWithoutTheBridge()
{
    ConnectionForm form;
    child<QRadioButton>(&form, "raWifi")->click();
    QCOMPARE(form.height(), 240);
    QVERIFY(!child<QGroupBox>(&form, "gbWifi")->isHidden());
    QVERIFY(child<QGroupBox>(&form, "gbUsb")->isHidden());
}

void TestConnectionForm::connectWithoutMethodIsRefused()
{
    DialogRecorder boxes;
    ConnectionForm form;
    pressConnect(&form);
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages[0].icon, QMessageBox::Warning);
    QCOMPARE(boxes.messages[0].title, QStringLiteral("Tallowbrook"));
    QCOMPARE(boxes.lastText(), QStringLiteral("Please select connecting method."));
    QVERIFY(!currentConnection());
}

void TestConnectionForm::wifiAddressPattern_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("four numbers") << PHONE << true;
    QTest::newRow("blanks around") << QStringLiteral("  ") + PHONE + QStringLiteral(" ") << true;
    QTest::newRow("three numbers") << QStringLiteral("127.0.25") << false;
    QTest::newRow("name") << QStringLiteral("phone.local") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestConnectionForm::wifiAddressPattern()
{
    QFETCH(QString, address);
    QFETCH(bool, accepted);
    DialogRecorder boxes;
    ConnectionForm form;
    chooseWifi(&form, address);
    pressConnect(&form);
    QVERIFY(!boxes.messages.isEmpty());
    if (accepted) {
        QCOMPARE(boxes.messages[0].icon, QMessageBox::Question);
        QCOMPARE(currentConnection()->host(), PHONE);
        QCOMPARE(form.result(), int(QDialog::Accepted));
    } else {
        QCOMPARE(boxes.messages.size(), 1);
        QCOMPARE(boxes.messages[0].icon, QMessageBox::Critical);
        QVERIFY2(boxes.lastText().contains(QStringLiteral("Invalid WiFi IP.")),
                 qPrintable(boxes.lastText()));
        QVERIFY(!currentConnection());
    }
}

void TestConnectionForm::addressWithPortPassesThePatternThenFails()
{
    DialogRecorder boxes;
    ConnectionForm form;
    chooseWifi(&form, PHONE + QStringLiteral(":1234"));
    pressConnect(&form);
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages[0].icon, QMessageBox::Critical);
    QVERIFY2(boxes.lastText().startsWith(
                 QStringLiteral("Fail to connect device. Please start ZO Ruro Vedarov to retry.")),
             qPrintable(boxes.lastText()));
    QVERIFY(!boxes.lastText().contains(QStringLiteral("Invalid WiFi IP.")));
    QVERIFY(!currentConnection());
    QCOMPARE(m_restarts, 0);
}

void TestConnectionForm::successRestartsListenerAndOffersBackup()
{
    FakeMainWindow window;
    DialogRecorder boxes;
    ConnectionForm form;
    chooseWifi(&form, PHONE);
    pressConnect(&form);
    QCOMPARE(m_restarts, 1);
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages[0].icon, QMessageBox::Question);
    QCOMPARE(boxes.lastText(),
             QStringLiteral("Connect successfully. Want to sync SMS to computer now?"));
    QCOMPARE(window.backupsStarted, 0); // answered No
    QCOMPARE(form.result(), int(QDialog::Accepted));
    const auto connection = currentConnection();
    QVERIFY(connection && !connection->isUsb());
    QCOMPARE(connection->serial(), PHONE);

    // The same phone again: the listener is restarted again.
    ConnectionForm again;
    chooseWifi(&again, PHONE);
    pressConnect(&again);
    QCOMPARE(m_restarts, 2);
}

void TestConnectionForm::yesStartsTheBackup()
{
    FakeMainWindow window;
    DialogRecorder boxes;
    boxes.queueButton(QMessageBox::Yes);
    ConnectionForm form;
    chooseWifi(&form, PHONE);
    pressConnect(&form);
    QCOMPARE(window.backupsStarted, 1);
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestConnectionForm::failedConnectKeepsTheEarlierConnection()
{
    setConnection(PHONE, PHONE, false);
    const auto earlier = currentConnection();
    m_restarts = 0;
    DialogRecorder boxes;
    ConnectionForm form;
    chooseWifi(&form, NO_PHONE);
    pressConnect(&form);
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages[0].icon, QMessageBox::Critical);
    QVERIFY(boxes.lastText().startsWith(QStringLiteral("Fail to connect device.")));
    QCOMPARE(currentConnection(), earlier);
    QCOMPARE(m_restarts, 0);
    QCOMPARE(form.result(), int(QDialog::Rejected)); // still open for another try
}

void TestConnectionForm::helloErrorIsShownLikeAFailedConnection()
{
    tbtest::PhoneSimProcess refusing;
    QVERIFY2(refusing.start(REFUSING_PHONE,
                            {QStringLiteral("--misbehave"), QStringLiteral("hello-error")}),
             qPrintable(refusing.errorText()));
    DialogRecorder boxes;
    ConnectionForm form;
    chooseWifi(&form, REFUSING_PHONE);
    pressConnect(&form);
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages[0].icon, QMessageBox::Critical);
    QCOMPARE(boxes.lastText(), QStringLiteral("Fail to connect device. Please start ZO Ruro "
                                              "Vedarov to retry.Service not ready"));
    QVERIFY(!currentConnection());
}

void TestConnectionForm::ensureConnectionAsksTheUser()
{
    DialogRecorder boxes;
    QTimer::singleShot(0, this, [] {
        QWidget* form = QApplication::activeModalWidget();
        QVERIFY(qobject_cast<ConnectionForm*>(form));
        chooseWifi(form, PHONE);
        pressConnect(form);
    });
    DeviceConnection* connection = ensureConnection(true);
    QVERIFY(connection);
    QCOMPARE(connection->host(), PHONE);
    // Once connected, no dialog is needed.
    QCOMPARE(ensureConnection(true), connection);
    QCOMPARE(boxes.messages.size(), 1);
}

void TestConnectionForm::ensureConnectionCancelled()
{
    QTimer::singleShot(0, this, [] {
        QWidget* form = QApplication::activeModalWidget();
        QVERIFY(form);
        child<QPushButton>(form, "btnCancel")->click();
    });
    QVERIFY(!ensureConnection(true));
}

QTEST_MAIN(TestConnectionForm)
#include "tst_connectionform.moc"
