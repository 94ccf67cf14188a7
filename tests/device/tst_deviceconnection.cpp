#include <QtTest>
#include <atomic>
#include <thread>

#include "PhoneSimProcess.h"
#include "device/DeviceConnection.h"
#include "device/PhoneTestSupport.h"
#include "device/SendSMSThroughPhone.h"
#include "device/SimpleProtocol.h"
#include "sync/MiniPhone.h"

using phonetest::failureOf;
using simpleprotocol::LocalException;
using simpleprotocol::RemoteException;
using simpleprotocol::SocketDataTransferException;

namespace {

const QString GOOD_PHONE = QStringLiteral("127.0.0.21");
const QString NO_PHONE = QStringLiteral("127.0.0.22");
const QString REFUSING_PHONE = QStringLiteral("127.0.0.23");
const QString SILENT_PHONE = QStringLiteral("127.0.0.24");
const QString SCRIPTED_PHONE = QStringLiteral("127.0.0.28");

} // namespace

class TestDeviceConnection : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void helloMakesTheConnectionCurrent();
    void listenerStopsBeforeThePreviousConnectionGoes();
    void failedConnectKeepsThePreviousConnection();
    void helloErrorIsRefusedWithThePhonesText();
    void helloWaitEndsWhenThePhoneCloses();
    void ensureConnectionWithoutAskingGivesNone();
    void sendStoresThePhonesRecord();
    void sendWithoutConnectionFails();
    void phoneErrorReachesTheCaller();
    void faultyReplyRecordIsRefused_data();
    void faultyReplyRecordIsRefused();
    void duplicateReplyIsSkippedQuietly();

private:
    phonetest::TempAccount m_account;
    tbtest::PhoneSimProcess m_phone;
};

void TestDeviceConnection::initTestCase()
{
    QVERIFY(m_account.open());
    QVERIFY2(m_phone.start(GOOD_PHONE), qPrintable(m_phone.errorText()));
}

void TestDeviceConnection::cleanup()
{
    setListenerHooks({}, {});
    clearConnection();
}

void TestDeviceConnection::helloMakesTheConnectionCurrent()
{
    QVERIFY(!currentConnection());
    setConnection(GOOD_PHONE, GOOD_PHONE, false);
    const auto connection = currentConnection();
    QVERIFY(connection);
    QCOMPARE(connection->host(), GOOD_PHONE);
    QCOMPARE(connection->serial(), GOOD_PHONE);
    QVERIFY(!connection->isUsb());
    QCOMPARE(ensureConnection(false), connection.get());
    QVERIFY(m_phone.logText().contains(QStringLiteral("hello://127.0.0.1/")));
}

void TestDeviceConnection::listenerStopsBeforeThePreviousConnectionGoes()
{
    setConnection(QStringLiteral("first"), GOOD_PHONE, false);
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
                          .arg(currentConnection()->serial(), previous.expired()
                                                                  ? QStringLiteral("released")
                                                                  : QStringLiteral("alive"));
        });
    setConnection(QStringLiteral("second"), GOOD_PHONE, false);
    // Reconnecting to the same phone restarts the listener too.
    setConnection(QStringLiteral("second"), GOOD_PHONE, false);
    QCOMPARE(events, (QStringList{QStringLiteral("stop first"),
                                  QStringLiteral("restart second, previous released"),
                                  QStringLiteral("stop second"),
                                  QStringLiteral("restart second, previous released")}));
}

void TestDeviceConnection::failedConnectKeepsThePreviousConnection()
{
    setConnection(GOOD_PHONE, GOOD_PHONE, false);
    const auto before = currentConnection();
    int hookCalls = 0;
    setListenerHooks([&] { ++hookCalls; }, [&] { ++hookCalls; });
    const QString message =
        failureOf<SocketDataTransferException>([] { setConnection(NO_PHONE, NO_PHONE, false); });
    QVERIFY2(message.contains(QStringLiteral("refused"), Qt::CaseInsensitive), qPrintable(message));
    QCOMPARE(currentConnection(), before);
    QCOMPARE(hookCalls, 0);
}

void TestDeviceConnection::helloErrorIsRefusedWithThePhonesText()
{
    tbtest::PhoneSimProcess refusing;
    QVERIFY2(refusing.start(REFUSING_PHONE,
                            {QStringLiteral("--misbehave"), QStringLiteral("hello-error")}),
             qPrintable(refusing.errorText()));
    setConnection(GOOD_PHONE, GOOD_PHONE, false);
    const auto before = currentConnection();
    QCOMPARE(
        failureOf<RemoteException>([] { setConnection(REFUSING_PHONE, REFUSING_PHONE, false); }),
        QStringLiteral("Service not ready"));
    QCOMPARE(currentConnection(), before);
}

void TestDeviceConnection::helloWaitEndsWhenThePhoneCloses()
{
    // The hello has no time limit: a phone that never answers keeps the caller waiting until
    // it closes the connection (or the user ends the service on the phone).
    tbtest::PhoneSimProcess silent;
    QVERIFY2(
        silent.start(SILENT_PHONE, {QStringLiteral("--misbehave"), QStringLiteral("no-hello")}),
        qPrintable(silent.errorText()));
    std::atomic<bool> done{false};
    QString message;
    std::thread caller([&] {
        message = failureOf<SocketDataTransferException>(
            [] { DeviceConnection(SILENT_PHONE, SILENT_PHONE, false); });
        done = true;
    });
    QTRY_VERIFY(silent.logText().contains(QStringLiteral("not answering")));
    QVERIFY(!done);
    silent.stop();
    caller.join();
    QVERIFY2(message.contains(QStringLiteral("closed")), qPrintable(message));
}

void TestDeviceConnection::ensureConnectionWithoutAskingGivesNone()
{
    QVERIFY(!ensureConnection(false));
}

void TestDeviceConnection::sendStoresThePhonesRecord()
{
    setConnection(GOOD_PHONE, GOOD_PHONE, false);
    const int sentBefore = m_phone.linesStartingWith(QStringLiteral("SENT ")).size();
    const long long storedBefore = phonetest::storedCount();
    const QString body = QStringLiteral("Grüße, Привет, 你好 👋\nzweite Zeile");
    const SMSInfo sms =
        sendSMSThroughPhone(ensureConnection(false), QStringLiteral("0170 555"), body);
    QTRY_COMPARE(m_phone.linesStartingWith(QStringLiteral("SENT ")).size(), sentBefore + 1);

    const QString record = m_phone.linesStartingWith(QStringLiteral("SENT ")).last().mid(5);
    const QStringList fields = record.split(u',');
    QCOMPARE(fields.size(), 5);
    QCOMPARE(sms.date.toMSecsSinceEpoch(), fields[0].toLongLong());
    QCOMPARE(sms.isSend, fields[1] == QStringLiteral("1"));
    QCOMPARE(sms.address, QStringLiteral("0170 555"));
    QCOMPARE(sms.body, body);
    QVERIFY(sms.smsId > 0);
    QCOMPARE(phonetest::storedCount(), storedBefore + 1);
    const SMSInfo stored = phonetest::storedMessages().last();
    QCOMPARE(stored.smsId, sms.smsId);
    QCOMPARE(stored.body, body);
    QCOMPARE(stored.date.toSecsSinceEpoch(), sms.date.toSecsSinceEpoch());
    QVERIFY(m_phone.logText().contains(QStringLiteral("<- $bye:")));
    QVERIFY(m_phone.linesStartingWith(QStringLiteral("FAULT")).isEmpty());
}

void TestDeviceConnection::sendWithoutConnectionFails()
{
    QCOMPARE(failureOf<SocketDataTransferException>(
                 [] { sendSMSThroughPhone(nullptr, QStringLiteral("1"), QStringLiteral("x")); }),
             QStringLiteral("No connection."));
}

void TestDeviceConnection::phoneErrorReachesTheCaller()
{
    setConnection(GOOD_PHONE, GOOD_PHONE, false);
    const long long storedBefore = phonetest::storedCount();
    // The phone refuses a message without an address.
    const QString message = failureOf<RemoteException>(
        [] { sendSMSThroughPhone(ensureConnection(false), QString(), QStringLiteral("x")); });
    QVERIFY(!message.isEmpty());
    QCOMPARE(phonetest::storedCount(), storedBefore);
}

void TestDeviceConnection::faultyReplyRecordIsRefused_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("text");
    QTest::newRow("four fields") << QStringLiteral("send-fields4")
                                 << QStringLiteral(
                                        "SMS raw format wrong, less then 5 fields, raw:");
    QTest::newRow("zero date") << QStringLiteral("send-zero-date")
                               << QStringLiteral("SMS 'date' field eq zero, raw:");
}

void TestDeviceConnection::faultyReplyRecordIsRefused()
{
    QFETCH(QString, mode);
    QFETCH(QString, text);
    setConnection(GOOD_PHONE, GOOD_PHONE, false);
    const long long storedBefore = phonetest::storedCount();
    const int peerErrorsBefore = m_phone.linesStartingWith(QStringLiteral("PEER-ERROR")).size();
    const int from = m_phone.lineCount();
    m_phone.sendCommand(QStringLiteral("misbehave ") + mode);
    QVERIFY(m_phone.waitForLine(QStringLiteral("MISBEHAVE"), 15000, nullptr, from));
    const QString message = failureOf<LocalException>([] {
        sendSMSThroughPhone(ensureConnection(false), QStringLiteral("555"), QStringLiteral("x"));
    });
    m_phone.sendCommand(QStringLiteral("misbehave none"));
    QVERIFY(m_phone.waitForLine(QStringLiteral("MISBEHAVE none"), 15000, nullptr, from + 1));
    QVERIFY2(message.startsWith(text), qPrintable(message));
    QCOMPARE(phonetest::storedCount(), storedBefore);
    // The phone hears of it as an error line.
    QTRY_COMPARE(m_phone.linesStartingWith(QStringLiteral("PEER-ERROR")).size(),
                 peerErrorsBefore + 1);
    QVERIFY(m_phone.linesStartingWith(QStringLiteral("PEER-ERROR")).last().contains(text));
}

void TestDeviceConnection::duplicateReplyIsSkippedQuietly()
{
    synctest::MiniPhone phone;
    QVERIFY(phone.listen(SCRIPTED_PHONE, 32421));
    phone.becomeCurrent();
    // The keyword is not checked: whatever the first five characters are, they are cut off.
    phone.sendReply = "$SMS:1600000000000,1," + QByteArray("555").toBase64() + "," +
                      QByteArray("Anna").toBase64() + "," + QByteArray("Hallo, du").toBase64() +
                      "\n";
    const long long storedBefore = phonetest::storedCount();
    // The exchange blocks this thread, and the phone answers from it: send from a helper.
    SMSInfo first;
    SMSInfo second;
    std::thread sender([&] {
        first = sendSMSThroughPhone(currentConnection().get(), QStringLiteral("555"),
                                    QStringLiteral("Hallo, du"));
        second = sendSMSThroughPhone(currentConnection().get(), QStringLiteral("555"),
                                     QStringLiteral("Hallo, du"));
    });
    QTRY_VERIFY(phone.commandLines.count("$bye:\n") == 2);
    sender.join();
    QCOMPARE(first.person, QStringLiteral("Anna"));
    QVERIFY(first.smsId > 0);
    QCOMPARE(second.smsId, 0); // the same message is stored once
    QCOMPARE(phonetest::storedCount(), storedBefore + 1);
    // Address and body each travel as Base64 on their side of one comma.
    QVERIFY(phone.commandLines.contains(QByteArray("555").toBase64() + "," +
                                        QByteArray("Hallo, du").toBase64() + "\n"));
}

QTEST_MAIN(TestDeviceConnection)
#include "tst_deviceconnection.moc"
