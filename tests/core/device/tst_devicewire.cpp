// The phone link's texts: the debug bridge's output, the line framing and the SMS record.
#include <QBuffer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include "core/device/AdbBridge.h"
#include "core/device/SMSRecord.h"
#include "core/device/SimpleProtocol.h"
#include "support/FakeAdbEnvironment.h"
#include "support/TestAccount.h"

using simpleprotocol::SocketDataTransferException;
using tbtest::b64;
using Serials = QSet<QString>;

namespace {

// The outcome of a call as text: its result, or the kind of exception and its message.
template <typename F> QString outcomeOf(F&& call)
{
    try {
        return call();
    } catch (const simpleprotocol::RemoteException& e) {
        return "remote:" + QString::fromUtf8(e.what());
    } catch (const SocketDataTransferException& e) {
        return "socket:" + QString::fromUtf8(e.what());
    } catch (const std::runtime_error& e) {
        return "throws:" + QString::fromUtf8(e.what());
    }
}

QString record(const QString& date, const QString& direction, const QByteArray& body = {})
{
    return date + ',' + direction + ',' + b64("555") + ',' + b64("Jörg") + ',' + body;
}

} // namespace

class TestDeviceWire : public QObject
{
    Q_OBJECT
private slots:
    void devicesParsing_data();
    void devicesParsing();
    void bridgeOperations_data();
    void bridgeOperations();
    void framing_data();
    void framing();
    void socketLines();
    void lineLengthIsLimited();
    void writing();
    void records_data();
    void records();
};

void TestDeviceWire::devicesParsing_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<Serials>("serials");
    QTest::newRow("two devices") << "List of devices attached\nSER1\tdevice\nemu-5554\tdevice\n\n"
                                 << Serials{"SER1", "emu-5554"};
    QTest::newRow("no header") << "SER1\tdevice\nSER2\tdevice\n" << Serials{};
    QTest::newRow("seven-letter state") << "List of devices attached\nSER1\tunknown\n"
                                        << Serials{"SER1\tu"};
    QTest::newRow("short lines") << "List of devices attached\n\nabcdef\n  x  \n" << Serials{};
    QTest::newRow("header case and blanks")
        << "* daemon started *\r\n   LIST OF DEVICES attached  \r\nSER9\tdevice\r\n"
        << Serials{"SER9"};
    QTest::newRow("equal serials") << "List of devices attached\nA1\tdevice\n  A1\tdevice  \n"
                                   << Serials{"A1"};
}

void TestDeviceWire::devicesParsing()
{
    QFETCH(QString, output);
    QFETCH(Serials, serials);
    QCOMPARE(AdbBridge::parseDevices(output), serials);
}

void TestDeviceWire::bridgeOperations_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("arguments");
    const auto row = [](const char* name, const char* operation, const QByteArray& out,
                        const QByteArray& err, const char* outcome) {
        QTest::newRow(name) << operation << out << err << outcome
                            << (operation[0] == 'r'   ? "a b c"
                                : operation[0] == 'f' ? "-s S forward tcp:42580 tcp:32421"
                                                      : "-s S install a.apk");
    };
    row("run, both texts", "run", "out\n", "err\n", "err\n\nout\n");
    row("run, error throws", "run-throw", "out\n", "err\n", "throws:err\n");
    row("output ends at NUL", "run-throw", "abc\\0000def", "", "abc");
    row("forward", "forward", "anything\n", "", "");
    row("forward fails", "forward", "", "offline\n", "throws:offline\n");
    row("install, success in any case, also on stderr", "install", "", " success \n", "");
    row("install fails without a success line", "install", "Failure\n", "warn\n",
        "throws:warn\n\nFailure\n");
}

void TestDeviceWire::bridgeOperations()
{
    QFETCH(QString, operation);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QFETCH(QString, outcome);
    QFETCH(QString, arguments);
    // An "adb" first on PATH (inside this process) that prints the given texts.
    tbtest::FakeAdbEnvironment restoresPath;
    QTemporaryDir dir;
    QFile script(dir.filePath(QStringLiteral("adb")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$*\" > \"$0.args\"\n"
                 "printf '%b' \"$ADB_OUT\"\nprintf '%b' \"$ADB_ERR\" >&2\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    qputenv("PATH", QFile::encodeName(dir.path()) + ':' + qgetenv("PATH"));
    qputenv("ADB_OUT", out);
    qputenv("ADB_ERR", err);
    AdbBridge bridge;
    QCOMPARE(outcomeOf([&]() -> QString {
                 if (operation.startsWith(QLatin1String("run")))
                     return bridge.run({"a", "b c"}, operation == QLatin1String("run-throw"));
                 if (operation == QLatin1String("forward"))
                     bridge.forward(QStringLiteral("S"), 42580, 32421);
                 else
                     bridge.install(QStringLiteral("S"), QStringLiteral("a.apk"));
                 return QString();
             }),
             outcome);
    QFile args(script.fileName() + QStringLiteral(".args"));
    QVERIFY(args.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(args.readAll()).trimmed(), arguments);
}

void TestDeviceWire::framing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("replies");
    const QString text = QStringLiteral("Speicher voll – память заполнена 📵");
    QTest::newRow("carriage returns dropped")
        << QByteArray("abc\r\na\rb\r\rc\n") << QStringList{"abc", "abc"};
    QTest::newRow("bytes are Latin-1")
        << QByteArray("\xc3\xa4\xff\n") << QStringList{QString::fromLatin1("\xc3\xa4\xff")};
    QTest::newRow("capital keyword is no error")
        << QByteArray("$ERROR:YWJj\n$Error:\n") << QStringList{"$ERROR:YWJj", "$Error:"};
    QTest::newRow("empty line") << QByteArray("$end:\n\r\n")
                                << QStringList{"$end:", "socket:Null command."};
    QTest::newRow("error line") << "$error:" + b64(text) + '\n' << QStringList{"remote:" + text};
    QTest::newRow("empty error line") << QByteArray("$error:\n") << QStringList{"remote:"};
}

void TestDeviceWire::framing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, replies);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    for (const QString& reply : replies)
        QCOMPARE(outcomeOf([&] { return readReply(&buffer, 0); }), reply);
}

void TestDeviceWire::socketLines()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.20")), 0));
    QTcpSocket socket;
    socket.connectToHost(server.serverAddress(), server.serverPort());
    QVERIFY(socket.waitForConnected(5000) && server.waitForNewConnection(5000));
    QTcpSocket* peer = server.nextPendingConnection();
    const auto send = [peer](const char* bytes) {
        peer->write(bytes);
        QVERIFY(peer->waitForBytesWritten(5000));
    };
    // A read that times out in the middle of a line leaves the line whole for the next one.
    send("$sms:12");
    QVERIFY_THROWS_EXCEPTION(SocketDataTransferException, readLine(&socket, 100));
    QCOMPARE(socket.error(), QAbstractSocket::SocketTimeoutError);
    send("34,\r");
    QVERIFY_THROWS_EXCEPTION(SocketDataTransferException, readLine(&socket, 100));
    send("x\nnext\npartial");
    QCOMPARE(readLine(&socket, 5000), QStringLiteral("$sms:1234,x"));
    QCOMPARE(readLine(&socket, 5000), QStringLiteral("next"));
    peer->disconnectFromHost();
    QCOMPARE(outcomeOf([&] { return readLine(&socket, -1); }),
             QStringLiteral("socket:The remote host closed the connection"));
    // On a gone peer, reporting a fault is a socket failure.
    QVERIFY_THROWS_EXCEPTION(SocketDataTransferException,
                             simpleprotocol::LocalException(&socket, QStringLiteral("x")));
}

void TestDeviceWire::lineLengthIsLimited()
{
    // A faulty phone must not exhaust memory: 16 MiB fit, one byte more is refused.
    QByteArray data(MAX_LINE_BYTES, 'A');
    data += "\nnext\n";
    QBuffer fits(&data);
    fits.open(QIODevice::ReadOnly);
    QCOMPARE(readLine(&fits, 0).size(), MAX_LINE_BYTES);
    QCOMPARE(readLine(&fits, 0), QStringLiteral("next"));
    data.insert(0, 'A');
    QBuffer tooLong(&data);
    tooLong.open(QIODevice::ReadOnly);
    QVERIFY(outcomeOf([&] {
                return readLine(&tooLong, 0);
            }).startsWith(QStringLiteral("socket:Received a line longer than 16777216")));
}

void TestDeviceWire::writing()
{
    QBuffer peer;
    peer.open(QIODevice::WriteOnly);
    writeCommand(&peer, QString(), QString(), true);
    writeCommand(&peer, QStringLiteral("$bye:"), QString(), true);
    writeCommand(&peer, QStringLiteral("$sms:"), QStringLiteral("1,0,,\n"), false);
    writeLine(&peer, QStringLiteral("plain"), true);
    writeText(&peer, QStringLiteral("ab") + QChar(0) + QStringLiteral("cd\n"));
    QCOMPARE(peer.data(), QByteArray("\n$bye:\n$sms:1,0,,\n\nplain\nab"));
    QVERIFY(formatSMSRecord(SMSInfo()).startsWith(QStringLiteral("0,0,"))); // an invalid date
    // A refused record and any local fault reach the peer as an error line.
    QBuffer errors;
    errors.open(QIODevice::WriteOnly);
    const QString text = QStringLiteral("Datensatz unlesbar – запись");
    QCOMPARE(QString::fromUtf8(simpleprotocol::LocalException(&errors, text).what()), text);
    QVERIFY_THROWS_EXCEPTION(simpleprotocol::LocalException, parseSMSRecordFrom(&errors, "0,1,,,"));
    QCOMPARE(errors.data(), "$error:" + b64(text) +
                                "\n$error:" + b64("SMS 'date' field eq zero, raw:0,1,,,") + '\n');
}

void TestDeviceWire::records_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("outcome"); // date in ms, sent, person, body
    const QString count = QStringLiteral("throws:SMS raw format wrong, less then 5 fields, raw:");
    const QString zero = QStringLiteral("throws:SMS 'date' field eq zero, raw:");
    const QString five = record("17", "1");
    QTest::newRow("four fields") << five.chopped(1) << count + five.chopped(1);
    QTest::newRow("six fields") << five + ",eHl6" << count + five + ",eHl6";
    QTest::newRow("empty") << "" << count;
    for (const char* date : {"0", "", "yesterday", "12.5"})
        QTest::addRow("date '%s'", date) << record(date, "0") << zero + record(date, "0");
    QTest::newRow("milliseconds") << record("1700000000750", "1", b64("Grüße"))
                                  << "1700000000750 1 Jörg Grüße";
    QTest::newRow("negative date") << record("-86400500", "0") << "-86400500 0 Jörg ";
    QTest::newRow("direction 01") << record("5", "01") << "5 1 Jörg ";
    QTest::newRow("direction 2") << record("5", "2") << "5 0 Jörg ";
    QTest::newRow("direction text") << record("5", "sent") << "5 0 Jörg ";
    QTest::newRow("stray Base64 characters")
        << record("5", "0", "S\rGVsbG8s IHdv\n\tcmxk") << "5 0 Jörg Hello, world";
    QTest::newRow("text ends at NUL")
        << record("5", "0", QByteArray("ab\0cd", 5).toBase64()) << "5 0 Jörg ab";
}

void TestDeviceWire::records()
{
    QFETCH(QString, raw);
    QFETCH(QString, outcome);
    QCOMPARE(outcomeOf([&] {
                 const SMSInfo sms = parseSMSRecord(raw);
                 return QStringLiteral("%1 %2 %3 %4")
                     .arg(sms.date.toMSecsSinceEpoch())
                     .arg(sms.smsId == 0 ? int(sms.isSend) : -1)
                     .arg(sms.person, sms.body);
             }),
             outcome);
}

QTEST_GUILESS_MAIN(TestDeviceWire)
#include "tst_devicewire.moc"
