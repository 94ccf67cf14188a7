// The phone link's texts: the debug bridge's output, the line framing and the SMS record.
#include <QBuffer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <memory>

#include "FakeAdbEnvironment.h"
#include "device/AdbBridge.h"
#include "device/PhoneTestSupport.h"
#include "device/SMSRecord.h"
#include "device/SimpleProtocol.h"

using phonetest::b64;
using simpleprotocol::LocalException;
using simpleprotocol::RemoteException;
using simpleprotocol::SocketDataTransferException;
using Serials = QSet<QString>;

namespace {

// A connected pair of loopback sockets in this thread: the program's side and the peer's.
struct SocketPair
{
    QTcpServer server;
    QTcpSocket client;
    std::unique_ptr<QTcpSocket> peer;

    bool open()
    {
        if (!server.listen(QHostAddress(QStringLiteral("127.0.0.20")), 0))
            return false;
        client.connectToHost(server.serverAddress(), server.serverPort());
        if (!client.waitForConnected(5000) || !server.waitForNewConnection(5000))
            return false;
        peer.reset(server.nextPendingConnection());
        return peer != nullptr;
    }
    void send(const QByteArray& bytes)
    {
        peer->write(bytes);
        while (peer->bytesToWrite() > 0 && peer->waitForBytesWritten(5000)) {
        }
    }
    QByteArray received(qsizetype atLeast)
    {
        QByteArray data = peer->readAll();
        while (data.size() < atLeast && peer->waitForReadyRead(5000))
            data += peer->readAll();
        return data;
    }
};

// The outcome of a call as text: its result, or the kind of exception and its message.
template <typename F> QString outcomeOf(F&& call)
{
    try {
        return call();
    } catch (const RemoteException& e) {
        return QStringLiteral("remote:") + QString::fromUtf8(e.what());
    } catch (const SocketDataTransferException& e) {
        return QStringLiteral("socket:") + QString::fromUtf8(e.what());
    } catch (const std::runtime_error& e) {
        return QStringLiteral("throws:") + QString::fromUtf8(e.what());
    }
}

QString record(const QString& date, const QString& direction, const QString& person = {},
               const QString& body = {})
{
    return QStringList{date, direction, QString::fromLatin1(b64(QStringLiteral("555"))),
                       QString::fromLatin1(b64(person)), QString::fromLatin1(b64(body))}
        .join(u',');
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
    void missingToolIsSilent();
    void framing_data();
    void framing();
    void replyFailures_data();
    void replyFailures();
    void partialLineSurvivesATimeout();
    void lineLengthIsLimited();
    void writing();
    void localExceptionTellsThePeer();
    void recordFaults_data();
    void recordFaults();
    void recordFields_data();
    void recordFields();
    void roundTrip_data();
    void roundTrip();
};

void TestDeviceWire::devicesParsing_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<Serials>("serials");
    QTest::newRow("two devices")
        << "List of devices attached\nSER1\tdevice\nemulator-5554\tdevice\n\n"
        << Serials{QStringLiteral("SER1"), QStringLiteral("emulator-5554")};
    QTest::newRow("no header") << "SER1\tdevice\nSER2\tdevice\n" << Serials{};
    QTest::newRow("seven-letter state") << "List of devices attached\nSER1\tunknown\n"
                                        << Serials{QStringLiteral("SER1\tu")};
    QTest::newRow("short lines") << "List of devices attached\n\nabcdef\n  x  \n" << Serials{};
    QTest::newRow("header case and blanks")
        << "* daemon started *\r\n   LIST OF DEVICES attached  \r\nSER9\tdevice\r\n"
        << Serials{QStringLiteral("SER9")};
    QTest::newRow("equal serials") << "List of devices attached\nA1234\tdevice\n  A1234\tdevice  \n"
                                   << Serials{QStringLiteral("A1234")};
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
    QTest::newRow("run, both texts")
        << "run" << QByteArray("out\n") << QByteArray("err\n") << "err\n\nout\n"
        << "a b c";
    QTest::newRow("run, error throws")
        << "run-throw" << QByteArray("out\n") << QByteArray("err\n") << "throws:err\n"
        << "a b c";
    QTest::newRow("output ends at NUL")
        << "run-throw" << QByteArray("abc\\0000def") << QByteArray() << "abc"
        << "a b c";
    QTest::newRow("forward") << "forward" << QByteArray("anything\n") << QByteArray() << ""
                             << "-s S forward tcp:42580 tcp:32421";
    QTest::newRow("forward fails")
        << "forward" << QByteArray() << QByteArray("error: offline\n") << "throws:error: offline\n"
        << "-s S forward tcp:42580 tcp:32421";
    QTest::newRow("install, success")
        << "install" << QByteArray("Performing\n  success  \n") << QByteArray() << ""
        << "-s S install a.apk";
    QTest::newRow("install, success on stderr")
        << "install" << QByteArray() << QByteArray("Success\n") << ""
        << "-s S install a.apk";
    QTest::newRow("install fails")
        << "install" << QByteArray("Failure [EXISTS]\n") << QByteArray("warning\n")
        << "throws:warning\n\nFailure [EXISTS]\n"
        << "-s S install a.apk";
    QTest::newRow("uninstall, stderr") << "uninstall" << QByteArray("Success\n")
                                       << QByteArray("not found\n") << "throws:not found\n"
                                       << "-s S uninstall o";
    QTest::newRow("uninstall fails")
        << "uninstall" << QByteArray("Failure\n") << QByteArray() << "throws:Failure\n"
        << "-s S uninstall o";
    QTest::newRow("packages") << "packages"
                              << QByteArray(
                                     "package:com.a\n   package: com.b  \nPackage:c\nxpackage:d\n")
                              << QByteArray() << "com.a com.b"
                              << "-s S shell pm -l";
    QTest::newRow("activity, every option")
        << "activity" << QByteArray("Starting\n") << QByteArray() << ""
        << "-s S shell am start -n p/.A -a act -d content://x -c c1 -c c2 -t text/plain";
    QTest::newRow("activity, error line")
        << "activity-bare" << QByteArray("Starting\n  ERROR: no class\n") << QByteArray()
        << "throws:Starting\n  ERROR: no class\n"
        << "-s S shell am start";
    QTest::newRow("activity, error later in a line")
        << "activity-bare" << QByteArray("An error: x\n") << QByteArray() << ""
        << "-s S shell am start";
    QTest::newRow("logcat") << "logcat" << QByteArray("log\n") << QByteArray("note\n")
                            << "note\n\nlog\n"
                            << "-s S shell logcat -d";
    QTest::newRow("kill server") << "kill-server" << QByteArray() << QByteArray("x\n") << ""
                                 << "kill-server";
}

void TestDeviceWire::bridgeOperations()
{
    QFETCH(QString, operation);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QFETCH(QString, outcome);
    QFETCH(QString, arguments);
    // An "adb" first on PATH (inside this process) that prints the given texts.
    QTemporaryDir dir;
    QFile script(dir.filePath(QStringLiteral("adb")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$*\" > \"$0.args\"\n"
                 "printf '%b' \"$ADB_OUT\"\nprintf '%b' \"$ADB_ERR\" >&2\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()) + ':' + oldPath);
    qputenv("ADB_OUT", out);
    qputenv("ADB_ERR", err);
    const QString S = QStringLiteral("S");
    AdbBridge bridge;
    const QString result = outcomeOf([&]() -> QString {
        const QStringList args{QStringLiteral("a"), QStringLiteral("b c")};
        if (operation == QLatin1String("run") || operation == QLatin1String("run-throw"))
            return bridge.run(args, operation == QLatin1String("run-throw"));
        if (operation == QLatin1String("forward"))
            bridge.forward(S, 42580, 32421);
        else if (operation == QLatin1String("install"))
            bridge.install(S, QStringLiteral("a.apk"));
        else if (operation == QLatin1String("uninstall"))
            bridge.uninstall(S, QStringLiteral("o"));
        else if (operation == QLatin1String("packages")) {
            QStringList names = bridge.listPackages(S).values();
            names.sort();
            return names.join(u' ');
        } else if (operation == QLatin1String("activity"))
            bridge.startActivity(S, QStringLiteral("start"), QStringLiteral("p/.A"),
                                 QStringLiteral("act"), QStringLiteral("content://x"),
                                 {QStringLiteral("c1"), QStringLiteral("c2")},
                                 QStringLiteral("text/plain"));
        else if (operation == QLatin1String("activity-bare"))
            bridge.startActivity(S, QStringLiteral("start"), {}, {}, {}, {}, {});
        else if (operation == QLatin1String("logcat"))
            return bridge.logcat(S);
        else
            bridge.killServer();
        return QString();
    });
    qputenv("PATH", oldPath);
    QCOMPARE(result, outcome);
    QFile args(script.fileName() + QStringLiteral(".args"));
    QVERIFY(args.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(args.readAll()).trimmed(), arguments);
}

void TestDeviceWire::missingToolIsSilent()
{
    tbtest::FakeAdbEnvironment fake; // restores PATH at the end
    QTemporaryDir empty;
    qputenv("PATH", QFile::encodeName(empty.path()));
    AdbBridge bridge;
    QCOMPARE(bridge.run({QStringLiteral("devices")}, true), QString());
    QVERIFY(bridge.devices().isEmpty());
    bridge.forward(QStringLiteral("S"), 42580, 42580);
}

void TestDeviceWire::framing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("replies");
    QTest::newRow("carriage returns dropped")
        << QByteArray("abc\r\na\rb\r\rc\n") << QStringList{"abc", "abc"};
    QTest::newRow("bytes are Latin-1")
        << QByteArray("\xc3\xa4\xff\n") << QStringList{QString::fromLatin1("\xc3\xa4\xff")};
    QTest::newRow("capital keyword is no error")
        << QByteArray("$ERROR:YWJj\n$Error:\n") << QStringList{"$ERROR:YWJj", "$Error:"};
    QTest::newRow("several lines at once")
        << QByteArray("$count:3\n$batch:\n$end:\n") << QStringList{"$count:3", "$batch:", "$end:"};
}

void TestDeviceWire::framing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, replies);
    SocketPair pair;
    QVERIFY(pair.open());
    pair.send(bytes);
    for (const QString& reply : replies)
        QCOMPARE(readReply(&pair.client, 5000), reply);
}

void TestDeviceWire::replyFailures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("outcome");
    const QString text = QStringLiteral("Speicher voll – память заполнена 📵");
    QTest::newRow("empty line") << QByteArray("\r\n") << "socket:Null command.";
    QTest::newRow("error line") << ERROR_PREFIX + b64(text) + '\n' << "remote:" + text;
    QTest::newRow("empty error line") << QByteArray("$error:\n") << "remote:";
    QTest::newRow("closed") << QByteArray("partial")
                            << "socket:The remote host closed the connection";
}

void TestDeviceWire::replyFailures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, outcome);
    SocketPair pair;
    QVERIFY(pair.open());
    pair.send(bytes);
    if (bytes == "partial")
        pair.peer->disconnectFromHost();
    QCOMPARE(outcomeOf([&] { return readReply(&pair.client, -1); }), outcome);
}

void TestDeviceWire::partialLineSurvivesATimeout()
{
    SocketPair pair;
    QVERIFY(pair.open());
    pair.send("$sms:12");
    QVERIFY_THROWS_EXCEPTION(SocketDataTransferException, readLine(&pair.client, 100));
    QCOMPARE(pair.client.error(), QAbstractSocket::SocketTimeoutError);
    pair.send("34,\r");
    QVERIFY_THROWS_EXCEPTION(SocketDataTransferException, readLine(&pair.client, 100));
    pair.send("x\nnext\n");
    QCOMPARE(readLine(&pair.client, 5000), QStringLiteral("$sms:1234,x"));
    QCOMPARE(readLine(&pair.client, 5000), QStringLiteral("next"));
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
    SocketPair pair;
    QVERIFY(pair.open());
    writeCommand(&pair.client, QString(), QString(), true);
    writeCommand(&pair.client, QStringLiteral("$bye:"), QString(), true);
    writeCommand(&pair.client, QStringLiteral("$sms:"), QStringLiteral("1,0,,\n"), false);
    writeLine(&pair.client, QStringLiteral("plain"), true);
    writeText(&pair.client, QStringLiteral("ab") + QChar(0) + QStringLiteral("cd\n"));
    pair.client.flush();
    QCOMPARE(pair.received(27), QByteArray("\n$bye:\n$sms:1,0,,\n\nplain\nab"));
}

void TestDeviceWire::localExceptionTellsThePeer()
{
    SocketPair pair;
    QVERIFY(pair.open());
    const QString text = QStringLiteral("Datensatz unlesbar – запись");
    const LocalException e(&pair.client, text);
    QCOMPARE(QString::fromUtf8(e.what()), text);
    const QByteArray expected = ERROR_PREFIX + b64(text) + '\n';
    QCOMPARE(pair.received(expected.size()), expected);
    // A record fault reaches the peer the same way.
    QVERIFY_THROWS_EXCEPTION(LocalException, parseSMSRecordFrom(&pair.client, "0,1,,,"));
    const QByteArray fault = ERROR_PREFIX + b64("SMS 'date' field eq zero, raw:0,1,,,") + '\n';
    QCOMPARE(pair.received(fault.size()), fault);
    // On a gone peer the socket failure is what propagates.
    pair.peer->close();
    QVERIFY(!pair.client.waitForReadyRead(5000));
    QVERIFY_THROWS_EXCEPTION(SocketDataTransferException,
                             LocalException(&pair.client, QStringLiteral("x")));
}

void TestDeviceWire::recordFaults_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<int>("kind");
    const QString five = record(QStringLiteral("1700000000000"), QStringLiteral("1"));
    const int count = SMSRecordFault::WrongFieldCount;
    const int date = SMSRecordFault::ZeroDate;
    QTest::newRow("four fields") << five.left(five.lastIndexOf(u',')) << count;
    QTest::newRow("six fields") << five + QStringLiteral(",eHl6") << count;
    QTest::newRow("empty") << QString() << count;
    QTest::newRow("zero date") << record(QStringLiteral("0"), QStringLiteral("0")) << date;
    QTest::newRow("empty date") << record(QString(), QStringLiteral("0")) << date;
    QTest::newRow("text date") << record(QStringLiteral("yesterday"), QStringLiteral("0")) << date;
    QTest::newRow("decimal date") << record(QStringLiteral("12.5"), QStringLiteral("0")) << date;
}

void TestDeviceWire::recordFaults()
{
    QFETCH(QString, raw);
    QFETCH(int, kind);
    try {
        parseSMSRecord(raw);
        QFAIL("record accepted");
    } catch (const SMSRecordFault& fault) {
        QCOMPARE(int(fault.kind()), kind);
        QCOMPARE(QString::fromUtf8(fault.what()),
                 (kind == SMSRecordFault::ZeroDate
                      ? QStringLiteral("SMS 'date' field eq zero, raw:")
                      : QStringLiteral("SMS raw format wrong, less then 5 fields, raw:")) +
                     raw);
    }
}

void TestDeviceWire::recordFields_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<qint64>("date");
    QTest::addColumn<bool>("isSend");
    QTest::addColumn<QString>("person");
    QTest::addColumn<QString>("body");
    const QString noisy = QStringLiteral("S\rGVsbG8s IHdv\n\tcmxk");
    QTest::newRow("milliseconds kept") << record("1700000000750", "1", "Jörg", "Grüße")
                                       << Q_INT64_C(1700000000750) << true << "Jörg"
                                       << "Grüße";
    QTest::newRow("negative date")
        << record("-86400500", "0") << Q_INT64_C(-86400500) << false << ""
        << "";
    QTest::newRow("direction 01") << record("5", "01") << Q_INT64_C(5) << true << ""
                                  << "";
    QTest::newRow("direction 2") << record("5", "2") << Q_INT64_C(5) << false << ""
                                 << "";
    QTest::newRow("direction empty") << record("5", "") << Q_INT64_C(5) << false << ""
                                     << "";
    QTest::newRow("direction text") << record("5", "sent") << Q_INT64_C(5) << false << ""
                                    << "";
    QTest::newRow("stray Base64 characters") << "5,0,,," + noisy << Q_INT64_C(5) << false << ""
                                             << "Hello, world";
    QTest::newRow("text ends at NUL")
        << "5,0,,," + QString::fromLatin1(QByteArray("ab\0cd", 5).toBase64()) << Q_INT64_C(5)
        << false << ""
        << "ab";
}

void TestDeviceWire::recordFields()
{
    QFETCH(QString, raw);
    QFETCH(qint64, date);
    QFETCH(bool, isSend);
    QFETCH(QString, person);
    QFETCH(QString, body);
    const SMSInfo sms = parseSMSRecord(raw);
    QCOMPARE(sms.smsId, 0);
    QCOMPARE(sms.date.toMSecsSinceEpoch(), date);
    QCOMPARE(sms.isSend, isSend);
    QCOMPARE(sms.person, person);
    QCOMPARE(sms.body, body);
}

void TestDeviceWire::roundTrip_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("body");
    QTest::newRow("commas") << "0170-1234567"
                            << "a,b,,c,";
    QTest::newRow("line feeds") << "+1 (234) 567-8901"
                                << "line 1\nline 2\r\n\n";
    QTest::newRow("non-Latin") << "Банк"
                               << "Привет, 你好, مرحبا 😀👍🏽";
    QTest::newRow("empty") << ""
                           << "";
}

void TestDeviceWire::roundTrip()
{
    QFETCH(QString, address);
    QFETCH(QString, body);
    SMSInfo out;
    out.date = QDateTime::fromMSecsSinceEpoch(Q_INT64_C(1600000000001));
    out.isSend = true;
    out.address = address;
    out.person = QStringLiteral("not sent");
    out.body = body;
    QString wire = formatSMSRecord(out);
    QVERIFY(wire.startsWith(QStringLiteral("1600000000001,1,")) && wire.endsWith(u'\n'));
    wire.chop(1);
    QStringList fields = wire.split(u',');
    QCOMPARE(fields.size(), 4);
    fields.insert(3, QString()); // the phone's record carries the person before the body
    const SMSInfo back = parseSMSRecord(fields.join(u','));
    QCOMPARE(back.address, address);
    QCOMPARE(back.body, body);
    QCOMPARE(back.date, out.date);
    QVERIFY(back.person.isEmpty());
    QVERIFY(formatSMSRecord(SMSInfo()).startsWith(QStringLiteral("0,0,"))); // invalid date
}

QTEST_GUILESS_MAIN(TestDeviceWire)
#include "tst_devicewire.moc"
