// The connection to the phone over WiFi (hello, connection dialog, listener hooks) and sending.
#include <QGroupBox>
#include <QtTest>
#include <thread>

#include "FakeAdbEnvironment.h"
#include "PhoneSimProcess.h"
#include "common/DialogRecorder.h"
#include "device/ConnectionForm.h"
#include "device/DeviceConnection.h"
#include "device/PhoneTestSupport.h"
#include "device/SendSMSThroughPhone.h"
#include "device/SimpleProtocol.h"

using namespace phonetest;

namespace {

const QString PHONE = QStringLiteral("127.0.0.21");
const QString NO_PHONE = QStringLiteral("127.0.0.22");
const QString REFUSING_PHONE = QStringLiteral("127.0.0.23");
const QString SILENT_PHONE = QStringLiteral("127.0.0.24");
const QString FAIL_TEXT =
    QStringLiteral("Fail to connect device. Please start ZO Ruro Vedarov to retry.");

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void listenerStopsBeforeThePreviousConnectionGoes();
    void connectFlows_data();
    void connectFlows();
    void ensureConnectionAsksTheUser();
    void helloWaitEndsWhenThePhoneCloses();
    void sendStoresThePhonesRecord();
    void sendFailures_data();
    void sendFailures();

private:
    TempAccount m_account;
    tbtest::PhoneSimProcess m_phone;
    tbtest::PhoneSimProcess m_refusing;
    std::unique_ptr<tbtest::FakeAdbEnvironment> m_adb;
    int m_restarts = 0;
};

void TestConnection::initTestCase()
{
    QVERIFY(m_account.open());
    QVERIFY2(m_phone.start(PHONE), qPrintable(m_phone.errorText()));
    QVERIFY2(m_refusing.start(REFUSING_PHONE,
                              {QStringLiteral("--misbehave"), QStringLiteral("hello-error")}),
             qPrintable(m_refusing.errorText()));
}

void TestConnection::init()
{
    m_adb = std::make_unique<tbtest::FakeAdbEnvironment>();
    m_restarts = 0;
    setListenerHooks({}, [this] { ++m_restarts; });
}

void TestConnection::cleanup()
{
    QCOMPARE(m_adb->commands(), QStringList()); // WiFi never needs the bridge
    m_adb.reset();
    setListenerHooks({}, {});
    clearConnection();
}

void TestConnection::listenerStopsBeforeThePreviousConnectionGoes()
{
    setConnection(QStringLiteral("first"), PHONE, false);
    QStringList events;
    std::weak_ptr<DeviceConnection> previous;
    setListenerHooks(
        [&] {
            // The listener may still be using the previous connection here.
            previous = currentConnection();
            events << QStringLiteral("stop ") + currentConnection()->serial();
        },
        [&] {
            events << QStringLiteral("restart %1, previous %2")
                          .arg(currentConnection()->serial(),
                               QLatin1String(previous.expired() ? "released" : "alive"));
        });
    setConnection(QStringLiteral("second"), PHONE, false);
    setConnection(QStringLiteral("second"), PHONE, false); // the same phone again restarts too
    QCOMPARE(events, (QStringList{"stop first", "restart second, previous released", "stop second",
                                  "restart second, previous released"}));
    QVERIFY(m_phone.logText().contains(QStringLiteral("hello://127.0.0.1/")));
}

void TestConnection::connectFlows_data()
{
    QTest::addColumn<QString>("address"); // "-": no method chosen
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("backups"); // -1: no new connection
    const int critical = QMessageBox::Critical;
    const QString invalid = QStringLiteral("Invalid WiFi IP.");
    QTest::newRow("no method") << "-" << 0 << int(QMessageBox::Warning)
                               << "Please select connecting method." << -1;
    QTest::newRow("three numbers") << "127.0.25" << 0 << critical << invalid << -1;
    QTest::newRow("name") << "phone.local" << 0 << critical << invalid << -1;
    QTest::newRow("empty") << "" << 0 << critical << invalid << -1;
    QTest::newRow("port passes the pattern") << PHONE + ":1234" << 0 << critical << FAIL_TEXT << -1;
    QTest::newRow("no phone there") << NO_PHONE << 0 << critical << FAIL_TEXT << -1;
    // The service is there but refuses the hello: shown like a failed connection.
    QTest::newRow("hello refused")
        << REFUSING_PHONE << 0 << critical << FAIL_TEXT + "Service not ready" << -1;
    const QString offer = QStringLiteral("Connect successfully. Want to sync SMS to computer now?");
    QTest::newRow("connected, no backup")
        << PHONE << int(QMessageBox::No) << int(QMessageBox::Question) << offer << 0;
    QTest::newRow("blanks around, backup")
        << " " + PHONE + " " << int(QMessageBox::Yes) << int(QMessageBox::Question) << offer << 1;
}

void TestConnection::connectFlows()
{
    QFETCH(QString, address);
    QFETCH(int, answer);
    QFETCH(int, icon);
    QFETCH(QString, text);
    QFETCH(int, backups);
    setConnection(PHONE, PHONE, false);
    const auto earlier = currentConnection();
    FakeMainWindow window;
    DialogRecorder boxes;
    if (answer)
        boxes.queueButton(QMessageBox::StandardButton(answer));
    ConnectionForm form;
    QVERIFY(child<QGroupBox>(&form, "gbWifi")->isHidden());
    if (address != QLatin1String("-"))
        chooseWifi(&form, address);
    QCOMPARE(form.height(), address == QLatin1String("-") ? 180 : 240);
    QCOMPARE(child<QGroupBox>(&form, "gbWifi")->isHidden(), address == QLatin1String("-"));
    pressConnect(&form);
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(int(boxes.messages[0].icon), icon);
    QCOMPARE(boxes.messages[0].title, QStringLiteral("Tallowbrook"));
    QVERIFY2(boxes.lastText().contains(text), qPrintable(boxes.lastText()));
    const bool connected = backups >= 0;
    QCOMPARE(currentConnection() != earlier, connected); // a failure keeps the earlier one
    QCOMPARE(m_restarts, connected ? 2 : 1);
    QCOMPARE(form.result(), int(connected ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(window.backupsStarted, qMax(backups, 0));
    QCOMPARE(currentConnection()->host(), PHONE);
    QVERIFY(!currentConnection()->isUsb());
}

void TestConnection::ensureConnectionAsksTheUser()
{
    DialogRecorder boxes;
    QTimer::singleShot(0, this, [] {
        child<QPushButton>(QApplication::activeModalWidget(), "btnCancel")->click();
    });
    QVERIFY(!ensureConnection(true));
    QTimer::singleShot(0, this, [] {
        QWidget* form = QApplication::activeModalWidget();
        QVERIFY(qobject_cast<ConnectionForm*>(form));
        chooseWifi(form, PHONE);
        pressConnect(form);
    });
    DeviceConnection* connection = ensureConnection(true);
    QVERIFY(connection);
    QCOMPARE(connection->host(), PHONE);
    QCOMPARE(ensureConnection(true), connection); // once connected, no dialog
    QCOMPARE(ensureConnection(false), connection);
    QCOMPARE(boxes.messages.size(), 1);
}

void TestConnection::helloWaitEndsWhenThePhoneCloses()
{
    // The hello has no time limit: a phone that never answers keeps the caller waiting until
    // it closes the connection (the user ends the service on the phone).
    tbtest::PhoneSimProcess silent;
    QVERIFY2(
        silent.start(SILENT_PHONE, {QStringLiteral("--misbehave"), QStringLiteral("no-hello")}),
        qPrintable(silent.errorText()));
    std::atomic<bool> done{false};
    QString message;
    std::thread caller([&] {
        message = failureOf<simpleprotocol::SocketDataTransferException>(
            [] { setConnection(SILENT_PHONE, SILENT_PHONE, false); });
        done = true;
    });
    QTRY_VERIFY(silent.logText().contains(QStringLiteral("not answering")));
    QVERIFY(!done);
    silent.stop();
    caller.join();
    QVERIFY2(message.contains(QStringLiteral("closed")), qPrintable(message));
    QVERIFY(!currentConnection());
}

void TestConnection::sendStoresThePhonesRecord()
{
    setConnection(PHONE, PHONE, false);
    const qsizetype storedBefore = storedCount();
    const QString body = QStringLiteral("Grüße, Привет, 你好 👋\nzweite Zeile");
    const SMSInfo sms =
        sendSMSThroughPhone(ensureConnection(false), QStringLiteral("0170 555"), body);
    QString sent;
    QVERIFY(m_phone.waitForLine(QStringLiteral("SENT "), 15000, &sent));
    const QStringList fields = sent.mid(5).split(u',');
    QCOMPARE(fields.size(), 5);
    QCOMPARE(sms.date.toMSecsSinceEpoch(), fields[0].toLongLong());
    QCOMPARE(sms.isSend, fields[1] == QStringLiteral("1"));
    QCOMPARE(sms.address + '|' + sms.body, "0170 555|" + body);
    QCOMPARE(storedCount(), storedBefore + 1);
    QVERIFY(sms.smsId > 0);
    QCOMPARE(storedMessages().last().smsId, sms.smsId);
    QVERIFY(m_phone.logText().contains(QStringLiteral("<- $bye:")));
    QVERIFY(m_phone.linesStartingWith(QStringLiteral("FAULT")).isEmpty());
}

void TestConnection::sendFailures_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("text"); // the start of the message
    QTest::newRow("no connection") << QString() << QStringLiteral("No connection.");
    QTest::newRow("phone refuses an empty address") << QStringLiteral("none") << QString();
    QTest::newRow("four fields") << QStringLiteral("send-fields4")
                                 << QStringLiteral(
                                        "SMS raw format wrong, less then 5 fields, raw:");
    QTest::newRow("zero date") << QStringLiteral("send-zero-date")
                               << QStringLiteral("SMS 'date' field eq zero, raw:");
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
    const qsizetype storedBefore = storedCount();
    const QString message = failureOf<std::exception>(
        [&] { sendSMSThroughPhone(ensureConnection(false), mode == "none" ? "" : "555", "x"); });
    m_phone.sendCommand(QStringLiteral("misbehave none"));
    QVERIFY2(message.startsWith(text) && message != "<no exception>", qPrintable(message));
    QCOMPARE(storedCount(), storedBefore);
    QString peerError; // the phone hears of a refused record
    if (mode.startsWith("send-"))
        QVERIFY(m_phone.waitForLine("PEER-ERROR", 15000, &peerError, from) &&
                peerError.contains(text));
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
