// Tests of the phone simulator itself, spoken to with plain sockets, so that the program's
// phone tests can rely on it.

#include "support/FakeAdbEnvironment.h"
#include "support/PhoneSimProcess.h"

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTest>

using tbtest::PhoneSimProcess;

namespace {

const QString kAddress = QStringLiteral("127.0.0.10");

struct PhoneRecord
{
    qint64 dateMs = 0;
    QByteArray direction;
    QString address, person, body;
};

// Strict Base64 of UTF-8, as a careful receiver would check it.
bool decodeField(const QByteArray& field, QString* text)
{
    auto decoded = QByteArray::fromBase64Encoding(field, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.toBase64() != field)
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    *text = utf8.decode(decoded.decoded);
    return !utf8.hasError();
}

bool parseRecord(const QByteArray& payload, PhoneRecord* r)
{
    const QList<QByteArray> f = payload.split(',');
    bool ok = false;
    if (f.size() == 5) {
        r->dateMs = f.at(0).toLongLong(&ok);
        r->direction = f.at(1);
    }
    return ok && r->dateMs != 0 && (r->direction == "0" || r->direction == "1") &&
           decodeField(f.at(2), &r->address) && decodeField(f.at(3), &r->person) &&
           decodeField(f.at(4), &r->body);
}

QByteArray readLine(QTcpSocket& socket)
{
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(10000))
            return "<no line: " + socket.errorString().toUtf8() + '>';
    }
    return socket.readLine().chopped(1);
}

bool connectTo(QTcpSocket& socket, int port)
{
    socket.connectToHost(kAddress, quint16(port));
    return socket.waitForConnected(5000);
}

// Opens a command connection and writes one request line, as the program does.
bool request(QTcpSocket& command, const QByteArray& line)
{
    return connectTo(command, 42580) && command.write(line + '\n') > 0 &&
           command.waitForBytesWritten(5000);
}

QString errorText(const QByteArray& line)
{
    return QString::fromUtf8(QByteArray::fromBase64(line.mid(7)));
}

struct BackupResult
{
    qint64 announced = -1;
    QList<int> batchSizes;
    QList<QByteArray> records;
    QByteArray lastLine;
    bool sawBye = false;
};

// Reads a whole backup the way the program does, acknowledging every batch; anything unexpected
// ends the reading and is left in lastLine.
BackupResult readBackup()
{
    BackupResult result;
    QTcpSocket command, data;
    if (!request(command, "backup://127.0.0.1:32421/") || !connectTo(data, 32421))
        return result;
    for (;;) {
        const QByteArray line = result.lastLine = readLine(data);
        if (line.startsWith("$count:")) {
            result.announced = line.mid(7).toLongLong();
        } else if (line == "$batch:") {
            result.batchSizes.append(0);
        } else if (line.startsWith("$sms:") && !result.batchSizes.isEmpty()) {
            ++result.batchSizes.last();
            result.records.append(line.mid(5));
        } else if (line == "$end:") {
            data.write("$batch:\n");
            data.flush();
        } else {
            result.sawBye = line == "$bye:";
            return result;
        }
    }
}

QList<QByteArray> dumpedRecords(const QStringList& arguments)
{
    QProcess dump;
    dump.start(PhoneSimProcess::executablePath(), arguments + QStringList{"--dump"});
    if (!dump.waitForFinished(30000))
        return {};
    QList<QByteArray> lines = dump.readAllStandardOutput().split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

QByteArray b64(const QString& text)
{
    return text.toUtf8().toBase64();
}

} // namespace

#define START_SIM(sim, ...)                                                                        \
    QVERIFY2((sim).start(kAddress, __VA_ARGS__), qPrintable((sim).errorText()))

class TestPhoneSim : public QObject
{
    Q_OBJECT
private slots:
    void helloIsAnswered();
    void backupStreamsBatchesOfSoundRecords();
    void generatedStoreLooksLikeAPhone();
    void csvFileBecomesTheStore();
    void backupMisbehaviours_data();
    void backupMisbehaviours();
    void sendSmsRepliesWithTheSentRecord();
    void restoreIsCheckedAndLogged();
    void badRestoreRecordIsAnsweredWithError_data();
    void badRestoreRecordIsAnsweredWithError();
    void pushesReachTheListener();
    void dataPorts();
    void fakeAdbListsAndForwards();
};

void TestPhoneSim::helloIsAnswered()
{
    for (const bool error : {false, true}) {
        PhoneSimProcess sim;
        START_SIM(sim, error ? QStringList{"--misbehave", "hello-error"} : QStringList());
        QTcpSocket command;
        QVERIFY(request(command, "hello://127.0.0.1/"));
        const QByteArray reply = readLine(command);
        QVERIFY2(error ? errorText(reply) == "Service not ready"
                       : !reply.isEmpty() && !reply.startsWith("$error:") && !reply.startsWith("<"),
                 reply.constData());
        QVERIFY(sim.logText().contains("<- hello://127.0.0.1/"));
    }
}

void TestPhoneSim::backupStreamsBatchesOfSoundRecords()
{
    const QStringList store = {"--seed", "7", "--count", "320"};
    PhoneSimProcess sim;
    START_SIM(sim, store + QStringList{"--batch", "50"});
    const BackupResult backup = readBackup();
    QVERIFY2(backup.sawBye, backup.lastLine.constData());
    QCOMPARE(backup.announced, 320);
    QCOMPARE(backup.batchSizes, (QList<int>{50, 50, 50, 50, 50, 50, 20}));
    for (const QByteArray& raw : backup.records) {
        PhoneRecord record;
        QVERIFY2(parseRecord(raw, &record), raw.constData());
    }
    QVERIFY(sim.waitForLine("BACKUP-DONE 320 7"));
    // The same seed gives the same store, so tests can know what to expect.
    QCOMPARE(backup.records, dumpedRecords(store));
    QVERIFY(dumpedRecords({"--seed", "8", "--count", "320"}) != backup.records);
    // Records of a big transfer stay out of the log unless asked for.
    QVERIFY(!sim.logText().contains("$sms:"));
    // Each batch after the first is sent only once the one before was acknowledged.
    QString order;
    for (const QString& l : sim.logText().split(u'\n')) {
        if (l.contains("backup#1") && l.endsWith("$batch:"))
            order += l.section(u' ', -2, -2);
    }
    QCOMPARE(order, QString("-><-").repeated(7));
}

void TestPhoneSim::generatedStoreLooksLikeAPhone()
{
    const QList<QByteArray> raw = dumpedRecords({"--count", "2000", "--contacts", "30"});
    QCOMPARE(raw.size(), 2000);
    QList<PhoneRecord> records;
    for (const QByteArray& line : raw) {
        PhoneRecord r;
        QVERIFY2(parseRecord(line, &r), line.constData());
        QVERIFY2(records.isEmpty() || r.dateMs / 1000 > records.last().dateMs / 1000,
                 "dates rise and never share a second");
        records.append(r);
    }
    // What a real phone's store holds somewhere: the field (direction, milliseconds, person,
    // address, body), then what it matches. Sent and received, dates with milliseconds, named and
    // unnamed contacts, commas, quotes, line feeds, emoji and non-Latin scripts in bodies,
    // international, national, short and service numbers.
    const QStringList wanted = {
        "d^1$",        "d^0$",
        "m[1-9]",      "p.",
        "p^$",         "b,",
        "b\"",         "b\n",
        "b👍|🎉|❤",      "b[\\x{0400}-\\x{04FF}\\x{0370}-\\x{03FF}\\x{4E00}-\\x{9FFF}]",
        "a^\\+",       "a^01",
        "a^\\d{4,5}$", "a[A-Za-z]"};
    for (const QString& want : wanted) {
        const QRegularExpression re(want.mid(1));
        const auto matches = [&re, which = want.at(0).toLatin1()](const PhoneRecord& r) {
            const QString field = which == 'd'   ? QString::fromLatin1(r.direction)
                                  : which == 'm' ? QString::number(r.dateMs % 1000)
                                  : which == 'p' ? r.person
                                  : which == 'a' ? r.address
                                                 : r.body;
            return re.match(field).hasMatch();
        };
        QVERIFY2(std::any_of(records.cbegin(), records.cend(), matches), qPrintable(want));
    }
}

void TestPhoneSim::csvFileBecomesTheStore()
{
    QTemporaryFile csv;
    QVERIFY(csv.open());
    csv.write(
        "\xEF\xBB\xBF"
        "send,date,number,person,content\n"
        "0,2012-03-04 05:06:07,5551234,,\"a,b\"\n"
        "\n"
        "1,2013-01-02 03:04:05,+49 170 1234567,\"Max \"\"Maxi\"\" Power\",\"two\nlines\"\r\n");
    csv.close();
    PhoneSimProcess sim;
    START_SIM(sim, {"--csv", csv.fileName()});
    const BackupResult backup = readBackup();
    QVERIFY(backup.sawBye);
    QCOMPARE(backup.records.size(), 2);
    QStringList shown;
    for (const QByteArray& raw : backup.records) {
        PhoneRecord r;
        QVERIFY(parseRecord(raw, &r));
        shown.append(QStringList({QString::number(r.dateMs), QString::fromLatin1(r.direction),
                                  r.address, r.person, r.body})
                         .join(u'|'));
    }
    const QString date =
        QString::number(QDateTime(QDate(2012, 3, 4), QTime(5, 6, 7)).toMSecsSinceEpoch());
    QCOMPARE(shown.at(0), date + "|0|5551234||a,b");
    QVERIFY(shown.at(1).endsWith("|1|+49 170 1234567|Max \"Maxi\" Power|two\nlines"));
}

void TestPhoneSim::backupMisbehaviours_data()
{
    // 120 records in batches of 50; record faults strike record 60, stream faults the middle of
    // the middle batch.
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("records");
    QTest::addColumn<QByteArray>("lastLine"); // how the line after the records begins
    QTest::addColumn<int>("badFields");       // fields of the one bad record 60, 0: none
    QTest::newRow("fields4") << "fields4" << 120 << QByteArray("$bye:") << 4;
    QTest::newRow("fields6") << "fields6" << 120 << QByteArray("$bye:") << 6;
    QTest::newRow("zero-date") << "zero-date" << 120 << QByteArray("$bye:") << 5;
    QTest::newRow("error-mid") << "error-mid" << 60 << QByteArray("$error:") << 0;
    QTest::newRow("empty-line") << "empty-line" << 60 << QByteArray() << 0;
    QTest::newRow("close-mid") << "close-mid" << 60 << QByteArray("<no line") << 0;
    QTest::newRow("huge-line") << "huge-line" << 0 << QByteArray("<no line") << 0;
}

void TestPhoneSim::backupMisbehaviours()
{
    QFETCH(QString, mode);
    QFETCH(int, records);
    QFETCH(QByteArray, lastLine);
    QFETCH(int, badFields);
    PhoneSimProcess sim;
    START_SIM(sim,
              {"--count", "120", "--batch", "50", "--misbehave", mode, "--misbehave-at", "60"});
    const BackupResult backup = readBackup();
    QCOMPARE(backup.records.size(), records);
    QVERIFY2(lastLine.isEmpty() ? backup.lastLine.isEmpty() : backup.lastLine.startsWith(lastLine),
             backup.lastLine.left(100).constData());
    for (int i = 0; i < backup.records.size(); ++i) {
        PhoneRecord record;
        QCOMPARE(parseRecord(backup.records.at(i), &record), !badFields || i != 60);
    }
    if (badFields) {
        QCOMPARE(backup.records.at(60).split(',').size(), badFields);
        QCOMPARE(backup.records.at(60).startsWith("0,"), mode == "zero-date");
    }
    if (mode == "error-mid")
        QCOMPARE(errorText(backup.lastLine),
                 QStringLiteral("Speicher nicht lesbar – ошибка чтения"));
}

void TestPhoneSim::sendSmsRepliesWithTheSentRecord()
{
    PhoneSimProcess sim;
    START_SIM(sim, {"--count", "3"});
    const QString body = QStringLiteral("Grüße, \"du\"\nПривет 👍");
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    const auto send = [](const QByteArray& line) {
        QTcpSocket command;
        if (!request(command, "sendsms://127.0.0.1/"))
            return QByteArray("<no connection>");
        command.write(line + '\n');
        const QByteArray reply = readLine(command);
        command.write("$bye:\n");
        command.waitForBytesWritten(5000);
        return reply;
    };
    const QByteArray reply = send(b64("+49 170 1234567") + ',' + b64(body));
    PhoneRecord record;
    QVERIFY2(reply.startsWith("$sms:") && parseRecord(reply.mid(5), &record), reply.constData());
    QCOMPARE(record.direction, QByteArray("1"));
    QCOMPARE(record.address, QStringLiteral("+49 170 1234567"));
    QCOMPARE(record.body, body);
    QVERIFY(record.dateMs >= before);
    QVERIFY(sim.waitForLine("SENT "));
    // The sent message joins the store: the next backup has it last.
    const BackupResult backup = readBackup();
    QCOMPARE(backup.announced, 4);
    QVERIFY(parseRecord(backup.records.last(), &record));
    QCOMPARE(record.body, body);
    QVERIFY(send("not base64!,x").startsWith("$error:"));
    // Misbehaviours of the reply, switched on while running.
    for (const QString& mode : {QStringLiteral("send-fields4"), QStringLiteral("send-zero-date")}) {
        const int from = sim.lineCount();
        sim.sendCommand("misbehave " + mode);
        QVERIFY(sim.waitForLine("MISBEHAVE " + mode, 15000, nullptr, from));
        const QList<QByteArray> fields = send(b64("123") + ',' + b64("hi")).mid(5).split(',');
        QCOMPARE(fields.size(), mode == "send-fields4" ? 4 : 5);
        QCOMPARE(fields.first() == "0", mode == "send-zero-date");
    }
}

void TestPhoneSim::restoreIsCheckedAndLogged()
{
    PhoneSimProcess sim;
    START_SIM(sim, {"--count", "2", "--keep-restored"});
    const QList<QByteArray> records = {
        "1331355967000,0," + b64("5551234") + ',' + b64("a,b"),
        "1331355968123,1," + b64("+49 170 1234567") + ',' + b64("Zeile\nПривет"), "-5000,0,,"};
    {
        QTcpSocket command, data;
        QVERIFY(request(command, "restore://127.0.0.1:32422/"));
        QVERIFY(connectTo(data, 32422));
        data.write("$batch:\n");
        for (const QByteArray& r : records)
            data.write("$sms:" + r + "\n\n");
        data.write("$end:\n");
        QCOMPARE(readLine(data), QByteArray("$batch:"));
        data.write("$bye:\n");
        QVERIFY(data.waitForBytesWritten(5000));
        QVERIFY(sim.waitForLine("RESTORED 3 1"));
    }
    QStringList expected;
    for (const QByteArray& r : records)
        expected.append(QString::fromLatin1(r));
    QCOMPARE(sim.restoredRecords(), expected);
    // Kept records join the store; the phone has no name for them.
    const BackupResult backup = readBackup();
    QCOMPARE(backup.announced, 5);
    PhoneRecord second;
    QVERIFY(parseRecord(backup.records.at(3), &second));
    QCOMPARE(second.body, QStringLiteral("Zeile\nПривет"));
    QCOMPARE(second.person, QString());
}

void TestPhoneSim::badRestoreRecordIsAnsweredWithError_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QString>("reason");
    const QByteArray x = b64("x");
    QTest::newRow("three fields") << "1000,0," + x << "3 fields";
    QTest::newRow("five fields") << "1000,0," + x + ',' + x + ',' + x << "5 fields";
    QTest::newRow("zero date") << "0,0," + x + ',' + x << "date";
    QTest::newRow("text date") << "abc,0," + x + ',' + x << "date";
    QTest::newRow("direction 2") << "1000,2," + x + ',' + x << "direction";
    QTest::newRow("bad base64") << QByteArray("1000,0,eA=,eA==") << "address";
    QTest::newRow("not utf-8") << "1000,0," + x + ',' + QByteArray("\xff\xfe").toBase64() << "body";
    QTest::newRow("no empty line") << "1000,0," + x + ',' + x + "\n$end:"
                                   << "empty line";
}

void TestPhoneSim::badRestoreRecordIsAnsweredWithError()
{
    QFETCH(QByteArray, record);
    QFETCH(QString, reason);
    PhoneSimProcess sim;
    START_SIM(sim, {});
    QTcpSocket command, data;
    QVERIFY(request(command, "restore://127.0.0.1:32422/"));
    QVERIFY(connectTo(data, 32422));
    data.write("$batch:\n$sms:" + record + (record.endsWith("$end:") ? "\n" : "\n\n$end:\n"));
    const QByteArray reply = readLine(data);
    QVERIFY2(reply.startsWith("$error:"), reply.constData());
    QVERIFY2(errorText(reply).contains(reason), qPrintable(errorText(reply)));
    QVERIFY(sim.waitForLine("RESTORE-REJECTED"));
    QVERIFY(sim.restoredRecords().isEmpty());
}

void TestPhoneSim::pushesReachTheListener()
{
    PhoneSimProcess sim;
    START_SIM(sim, {});
    // Pushed before the listener connects: kept until it does.
    sim.push("+49 170 1234567", "Hallo\nWelt, \\ 👋");
    QTcpSocket command, listener;
    QVERIFY(request(command, "smsrecv://127.0.0.1:43256/"));
    QVERIFY(connectTo(listener, 43256));
    QVERIFY(sim.waitForPushed(1));
    sim.pushNamed("DHL", "Paket Dienst", "Ihr Paket");
    sim.pushRandom(2);
    QVERIFY(sim.waitForPushed(4));
    QList<PhoneRecord> received;
    for (int i = 0; i < 4; ++i) {
        const QByteArray line = readLine(listener);
        PhoneRecord record;
        QVERIFY2(line.startsWith("$sms:") && parseRecord(line.mid(5), &record), line.constData());
        QCOMPARE(record.direction, QByteArray("0"));
        received.append(record);
    }
    QCOMPARE(received.at(0).address, QStringLiteral("+49 170 1234567"));
    QCOMPARE(received.at(0).body, QStringLiteral("Hallo\nWelt, \\ 👋"));
    QCOMPARE(received.at(1).person, QStringLiteral("Paket Dienst"));
}

void TestPhoneSim::dataPorts()
{
    {
        // A data connection that no request announced is refused with an error line.
        PhoneSimProcess sim;
        START_SIM(sim, {"--arm-timeout", "200", "--count", "0"});
        QTcpSocket data;
        QVERIFY(connectTo(data, 32421));
        QVERIFY(readLine(data).startsWith("$error:"));
        // An empty store: the backup says bye at once.
        const BackupResult backup = readBackup();
        QVERIFY2(backup.sawBye, backup.lastLine.constData());
        QCOMPARE(backup.announced, 0);
        QVERIFY(backup.batchSizes.isEmpty());
    }
    PhoneSimProcess sim;
    START_SIM(sim, {"--misbehave", "no-data-port"});
    for (int port : {32421, 32422}) {
        QTcpSocket data;
        QVERIFY(!connectTo(data, port));
        QCOMPARE(data.error(), QAbstractSocket::ConnectionRefusedError);
    }
}

void TestPhoneSim::fakeAdbListsAndForwards()
{
    tbtest::FakeAdbEnvironment adb;
    QProcess tool;
    const auto run = [&tool](const QString& arguments) {
        tool.start("adb", arguments.split(u' '));
        return tool.waitForFinished(5000);
    };
    QVERIFY(run("devices"));
    QCOMPARE(tool.readAllStandardOutput(),
             QByteArray("List of devices attached\nSIM0001\tdevice\n\n"));
    adb.setDevices({"A1", "B2:unauthorized"});
    QVERIFY(run("-s A1 forward tcp:42580 tcp:42580"));
    QVERIFY(tool.readAllStandardError().isEmpty());
    QVERIFY(run("-s C3 forward tcp:1 tcp:1")); // no such device
    QVERIFY(!tool.readAllStandardError().isEmpty());
    adb.setErrorText("* daemon not running");
    QVERIFY(run("devices"));
    QCOMPARE(tool.readAllStandardError(), QByteArray("* daemon not running\n"));
    QCOMPARE(adb.commands().size(), 4);
    QCOMPARE(adb.commands().at(1), QStringLiteral("-s A1 forward tcp:42580 tcp:42580"));
}

QTEST_GUILESS_MAIN(TestPhoneSim)
#include "tst_phonesim.moc"
