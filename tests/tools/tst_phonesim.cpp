// Tests of the phone simulator itself, spoken to with plain sockets, so that the program's
// phone tests can rely on it.

#include "testsupport/FakeAdbEnvironment.h"
#include "testsupport/PhoneSimProcess.h"

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
    QString address;
    QString person;
    QString body;
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

bool parseRecord(const QByteArray& payload, PhoneRecord* record)
{
    const QList<QByteArray> f = payload.split(',');
    if (f.size() != 5)
        return false;
    bool ok = false;
    record->dateMs = f.at(0).toLongLong(&ok);
    record->direction = f.at(1);
    return ok && record->dateMs != 0 && (f.at(1) == "0" || f.at(1) == "1") &&
           decodeField(f.at(2), &record->address) && decodeField(f.at(3), &record->person) &&
           decodeField(f.at(4), &record->body);
}

QByteArray readLine(QTcpSocket& socket, int timeoutMs = 10000)
{
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return QByteArray("<no line: ") + socket.errorString().toUtf8() + '>';
    }
    QByteArray line = socket.readLine();
    line.chop(1);
    return line;
}

bool connectTo(QTcpSocket& socket, int port)
{
    socket.connectToHost(kAddress, static_cast<quint16>(port));
    return socket.waitForConnected(5000);
}

// Opens a command connection and writes one request line, as the program does.
bool request(QTcpSocket& command, const QByteArray& line)
{
    if (!connectTo(command, 42580))
        return false;
    command.write(line + '\n');
    return command.waitForBytesWritten(5000);
}

struct BackupResult
{
    qint64 announced = -1;
    QList<int> batchSizes;
    QList<QByteArray> records;
    QByteArray lastLine;
    bool sawBye = false;
};

// Reads a whole backup the way the program does, acknowledging every batch.
BackupResult readBackup()
{
    BackupResult result;
    QTcpSocket command;
    QTcpSocket data;
    if (!request(command, "backup://127.0.0.1:32421/") || !connectTo(data, 32421))
        return result;
    for (;;) {
        const QByteArray line = readLine(data);
        result.lastLine = line;
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
        } else if (line == "$bye:") {
            result.sawBye = true;
            return result;
        } else {
            return result; // anything else ends the reading; the test looks at lastLine
        }
    }
}

QList<QByteArray> dumpedRecords(const QStringList& arguments)
{
    QProcess dump;
    dump.start(PhoneSimProcess::executablePath(),
               arguments + QStringList{QStringLiteral("--dump")});
    if (!dump.waitForFinished(30000))
        return {};
    QList<QByteArray> lines = dump.readAllStandardOutput().split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

} // namespace

class TestPhoneSim : public QObject
{
    Q_OBJECT
private slots:
    void helloIsAnswered_data();
    void helloIsAnswered();
    void backupStreamsBatchesOfSoundRecords();
    void generatedStoreLooksLikeAPhone();
    void backupOfEmptyStoreSaysByeAtOnce();
    void csvFileBecomesTheStore();
    void sendSmsRepliesWithTheSentRecord();
    void restoreIsCheckedAndLogged();
    void badRestoreRecordIsAnsweredWithError_data();
    void badRestoreRecordIsAnsweredWithError();
    void pushesReachTheListener();
    void backupRecordFaults_data();
    void backupRecordFaults();
    void backupStreamFaults_data();
    void backupStreamFaults();
    void otherMisbehaviours();
    void dataConnectionWithoutRequestIsRefused();
    void fakeAdbListsAndForwards();
};

void TestPhoneSim::helloIsAnswered_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("isError");
    QTest::addColumn<QString>("errorText");
    QTest::newRow("normal") << QStringList() << false << QString();
    QTest::newRow("hello-error") << QStringList{QStringLiteral("--misbehave"),
                                                QStringLiteral("hello-error")}
                                 << true << QStringLiteral("Service not ready");
}

void TestPhoneSim::helloIsAnswered()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, isError);
    QFETCH(QString, errorText);
    PhoneSimProcess sim;
    QVERIFY2(sim.start(kAddress, arguments), qPrintable(sim.errorText()));
    QTcpSocket command;
    QVERIFY(request(command, "hello://127.0.0.1/"));
    const QByteArray reply = readLine(command);
    QVERIFY(!reply.isEmpty());
    QCOMPARE(reply.startsWith("$error:"), isError);
    if (isError)
        QCOMPARE(QString::fromUtf8(QByteArray::fromBase64(reply.mid(7))), errorText);
    QVERIFY(sim.logText().contains(QStringLiteral("<- hello://127.0.0.1/")));
}

void TestPhoneSim::backupStreamsBatchesOfSoundRecords()
{
    const QStringList store = {QStringLiteral("--seed"), QStringLiteral("7"),
                               QStringLiteral("--count"), QStringLiteral("320")};
    PhoneSimProcess sim;
    QVERIFY2(
        sim.start(kAddress, store + QStringList{QStringLiteral("--batch"), QStringLiteral("50")}),
        qPrintable(sim.errorText()));
    const BackupResult backup = readBackup();
    QVERIFY2(backup.sawBye, backup.lastLine.constData());
    QCOMPARE(backup.announced, 320);
    QCOMPARE(backup.batchSizes, (QList<int>{50, 50, 50, 50, 50, 50, 20}));
    for (const QByteArray& raw : backup.records) {
        PhoneRecord record;
        QVERIFY2(parseRecord(raw, &record), raw.constData());
    }
    QVERIFY(sim.waitForLine(QStringLiteral("BACKUP-DONE 320 7")));
    // The same seed gives the same store, so tests can know what to expect.
    QCOMPARE(backup.records, dumpedRecords(store));
    QVERIFY(dumpedRecords({QStringLiteral("--seed"), QStringLiteral("8"), QStringLiteral("--count"),
                           QStringLiteral("320")}) != backup.records);
    // Records of a big transfer stay out of the log unless asked for.
    QVERIFY(!sim.logText().contains(QStringLiteral("$sms:")));
    // Each batch after the first is sent only once the one before was acknowledged.
    QStringList order;
    for (const QString& l : sim.logText().split(u'\n')) {
        if (l.contains(QStringLiteral("backup#1")) && l.endsWith(QStringLiteral("$batch:")))
            order.append(l.section(u' ', -2, -2));
    }
    QCOMPARE(order.size(), 7 + 7);
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(order.at(i), i % 2 == 0 ? QStringLiteral("->") : QStringLiteral("<-"));
}

void TestPhoneSim::generatedStoreLooksLikeAPhone()
{
    const QList<QByteArray> raw =
        dumpedRecords({QStringLiteral("--count"), QStringLiteral("2000"),
                       QStringLiteral("--contacts"), QStringLiteral("30")});
    QCOMPARE(raw.size(), 2000);
    QHash<QString, int> seen;
    const auto count = [&seen](const QString& what, bool yes) {
        if (yes)
            ++seen[what];
    };
    qint64 previousSecond = 0;
    const QRegularExpression nonLatin(QStringLiteral("[\\x{0400}-\\x{04FF}\\x{0370}-\\x{03FF}"
                                                     "\\x{4E00}-\\x{9FFF}\\x{0600}-\\x{06FF}]"));
    for (const QByteArray& line : raw) {
        PhoneRecord r;
        QVERIFY2(parseRecord(line, &r), line.constData());
        QVERIFY2(r.dateMs / 1000 > previousSecond, "dates rise and never share a second");
        previousSecond = r.dateMs / 1000;
        count(QStringLiteral("sent"), r.direction == "1");
        count(QStringLiteral("received"), r.direction == "0");
        count(QStringLiteral("milliseconds"), r.dateMs % 1000 != 0);
        count(QStringLiteral("named"), !r.person.isEmpty());
        count(QStringLiteral("unnamed"), r.person.isEmpty());
        count(QStringLiteral("comma"), r.body.contains(u','));
        count(QStringLiteral("quote"), r.body.contains(u'"'));
        count(QStringLiteral("line feed"), r.body.contains(u'\n'));
        count(QStringLiteral("emoji"), r.body.contains(QStringLiteral("👍")) ||
                                           r.body.contains(QStringLiteral("🎉")) ||
                                           r.body.contains(QStringLiteral("❤")));
        count(QStringLiteral("non-Latin"), r.body.contains(nonLatin));
        count(QStringLiteral("international"), r.address.startsWith(u'+'));
        count(QStringLiteral("national"), r.address.startsWith(QStringLiteral("01")));
        count(QStringLiteral("short code"),
              QRegularExpression(QStringLiteral("^\\d{4,5}$")).match(r.address).hasMatch());
        count(QStringLiteral("service"),
              QRegularExpression(QStringLiteral("[A-Za-z]")).match(r.address).hasMatch());
    }
    const QStringList wanted = {QStringLiteral("sent"),          QStringLiteral("received"),
                                QStringLiteral("milliseconds"),  QStringLiteral("named"),
                                QStringLiteral("unnamed"),       QStringLiteral("comma"),
                                QStringLiteral("quote"),         QStringLiteral("line feed"),
                                QStringLiteral("emoji"),         QStringLiteral("non-Latin"),
                                QStringLiteral("international"), QStringLiteral("national"),
                                QStringLiteral("short code"),    QStringLiteral("service")};
    for (const QString& what : wanted)
        QVERIFY2(seen.value(what) > 0, qPrintable(what));
}

void TestPhoneSim::backupOfEmptyStoreSaysByeAtOnce()
{
    PhoneSimProcess sim;
    QVERIFY2(sim.start(kAddress, {QStringLiteral("--count"), QStringLiteral("0")}),
             qPrintable(sim.errorText()));
    const BackupResult backup = readBackup();
    QVERIFY(backup.sawBye);
    QCOMPARE(backup.announced, 0);
    QVERIFY(backup.batchSizes.isEmpty());
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
    QVERIFY2(sim.start(kAddress, {QStringLiteral("--csv"), csv.fileName()}),
             qPrintable(sim.errorText()));
    const BackupResult backup = readBackup();
    QVERIFY(backup.sawBye);
    QCOMPARE(backup.records.size(), 2);
    PhoneRecord first;
    PhoneRecord second;
    QVERIFY(parseRecord(backup.records.at(0), &first));
    QVERIFY(parseRecord(backup.records.at(1), &second));
    QCOMPARE(first.dateMs, QDateTime(QDate(2012, 3, 4), QTime(5, 6, 7)).toMSecsSinceEpoch());
    QCOMPARE(first.direction, QByteArray("0"));
    QCOMPARE(first.address, QStringLiteral("5551234"));
    QCOMPARE(first.person, QString());
    QCOMPARE(first.body, QStringLiteral("a,b"));
    QCOMPARE(second.direction, QByteArray("1"));
    QCOMPARE(second.address, QStringLiteral("+49 170 1234567"));
    QCOMPARE(second.person, QStringLiteral("Max \"Maxi\" Power"));
    QCOMPARE(second.body, QStringLiteral("two\nlines"));
}

void TestPhoneSim::sendSmsRepliesWithTheSentRecord()
{
    PhoneSimProcess sim;
    QVERIFY2(sim.start(kAddress, {QStringLiteral("--count"), QStringLiteral("3")}),
             qPrintable(sim.errorText()));
    const QString body = QStringLiteral("Grüße, \"du\"\nПривет 👍");
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    {
        QTcpSocket command;
        QVERIFY(request(command, "sendsms://127.0.0.1/"));
        command.write(QByteArray("+49 170 1234567").toBase64() + ',' + body.toUtf8().toBase64() +
                      '\n');
        const QByteArray reply = readLine(command);
        QVERIFY2(reply.startsWith("$sms:"), reply.constData());
        PhoneRecord record;
        QVERIFY2(parseRecord(reply.mid(5), &record), reply.constData());
        QCOMPARE(record.direction, QByteArray("1"));
        QCOMPARE(record.address, QStringLiteral("+49 170 1234567"));
        QCOMPARE(record.body, body);
        QVERIFY(record.dateMs >= before);
        command.write("$bye:\n");
        QVERIFY(command.waitForBytesWritten(5000));
    }
    QVERIFY(sim.waitForLine(QStringLiteral("SENT ")));
    // The sent message joins the store: the next backup has it last.
    const BackupResult backup = readBackup();
    QCOMPARE(backup.announced, 4);
    PhoneRecord last;
    QVERIFY(parseRecord(backup.records.last(), &last));
    QCOMPARE(last.body, body);

    // A malformed message line is refused with an error line.
    QTcpSocket bad;
    QVERIFY(request(bad, "sendsms://127.0.0.1/"));
    bad.write("not base64!,x\n");
    QVERIFY(readLine(bad).startsWith("$error:"));
}

void TestPhoneSim::restoreIsCheckedAndLogged()
{
    PhoneSimProcess sim;
    QVERIFY2(sim.start(kAddress, {QStringLiteral("--count"), QStringLiteral("2"),
                                  QStringLiteral("--keep-restored")}),
             qPrintable(sim.errorText()));
    const QList<QByteArray> records = {
        "1331355967000,0," + QByteArray("5551234").toBase64() + ',' + QByteArray("a,b").toBase64(),
        "1331355968123,1," + QByteArray("+49 170 1234567").toBase64() + ',' +
            QStringLiteral("Zeile\nПривет").toUtf8().toBase64(),
        "-5000,0,,"};
    {
        QTcpSocket command;
        QTcpSocket data;
        QVERIFY(request(command, "restore://127.0.0.1:32422/"));
        QVERIFY(connectTo(data, 32422));
        data.write("$batch:\n");
        for (const QByteArray& r : records)
            data.write("$sms:" + r + "\n\n");
        data.write("$end:\n");
        QCOMPARE(readLine(data), QByteArray("$batch:"));
        data.write("$bye:\n");
        QVERIFY(data.waitForBytesWritten(5000));
        QVERIFY(sim.waitForLine(QStringLiteral("RESTORED 3 1")));
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
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("reason");
    const QByteArray b64 = QByteArray("x").toBase64();
    QTest::newRow("three fields") << QByteArray("$sms:1000,0," + b64 + "\n\n")
                                  << QStringLiteral("3 fields");
    QTest::newRow("five fields") << QByteArray("$sms:1000,0," + b64 + ',' + b64 + ',' + b64 +
                                               "\n\n")
                                 << QStringLiteral("5 fields");
    QTest::newRow("zero date") << QByteArray("$sms:0,0," + b64 + ',' + b64 + "\n\n")
                               << QStringLiteral("date");
    QTest::newRow("text date") << QByteArray("$sms:abc,0," + b64 + ',' + b64 + "\n\n")
                               << QStringLiteral("date");
    QTest::newRow("direction 2") << QByteArray("$sms:1000,2," + b64 + ',' + b64 + "\n\n")
                                 << QStringLiteral("direction");
    QTest::newRow("bad base64") << QByteArray("$sms:1000,0,eA=,eA==\n\n")
                                << QStringLiteral("address");
    QTest::newRow("not utf-8") << QByteArray("$sms:1000,0," + b64 + ',' +
                                             QByteArray("\xff\xfe").toBase64() + "\n\n")
                               << QStringLiteral("body");
    QTest::newRow("no empty line") << QByteArray("$sms:1000,0," + b64 + ',' + b64 + "\n$end:\n")
                                   << QStringLiteral("empty line");
}

void TestPhoneSim::badRestoreRecordIsAnsweredWithError()
{
    QFETCH(QByteArray, lines);
    QFETCH(QString, reason);
    PhoneSimProcess sim;
    QVERIFY2(sim.start(kAddress), qPrintable(sim.errorText()));
    QTcpSocket command;
    QTcpSocket data;
    QVERIFY(request(command, "restore://127.0.0.1:32422/"));
    QVERIFY(connectTo(data, 32422));
    data.write("$batch:\n" + lines + "$end:\n");
    const QByteArray reply = readLine(data);
    QVERIFY2(reply.startsWith("$error:"), reply.constData());
    const QString text = QString::fromUtf8(QByteArray::fromBase64(reply.mid(7)));
    QVERIFY2(text.contains(reason), qPrintable(text));
    QVERIFY(sim.waitForLine(QStringLiteral("RESTORE-REJECTED")));
    QVERIFY(sim.restoredRecords().isEmpty());
}

void TestPhoneSim::pushesReachTheListener()
{
    PhoneSimProcess sim;
    QVERIFY2(sim.start(kAddress), qPrintable(sim.errorText()));
    // Pushed before the listener connects: kept until it does.
    sim.push(QStringLiteral("+49 170 1234567"), QStringLiteral("Hallo\nWelt, \\ 👋"));
    QTcpSocket command;
    QTcpSocket listener;
    QVERIFY(request(command, "smsrecv://127.0.0.1:43256/"));
    QVERIFY(connectTo(listener, 43256));
    QVERIFY(sim.waitForPushed(1));
    QByteArray line = readLine(listener);
    QVERIFY2(line.startsWith("$sms:"), line.constData());
    PhoneRecord record;
    QVERIFY2(parseRecord(line.mid(5), &record), line.constData());
    QCOMPARE(record.address, QStringLiteral("+49 170 1234567"));
    QCOMPARE(record.body, QStringLiteral("Hallo\nWelt, \\ 👋"));
    QCOMPARE(record.direction, QByteArray("0"));

    sim.pushNamed(QStringLiteral("DHL"), QStringLiteral("Paket Dienst"),
                  QStringLiteral("Ihr Paket"));
    sim.pushRandom(2);
    QVERIFY(sim.waitForPushed(4));
    line = readLine(listener);
    QVERIFY(parseRecord(line.mid(5), &record));
    QCOMPARE(record.person, QStringLiteral("Paket Dienst"));
    for (int i = 0; i < 2; ++i) {
        line = readLine(listener);
        QVERIFY2(parseRecord(line.mid(5), &record), line.constData());
        QCOMPARE(record.direction, QByteArray("0"));
    }
}

void TestPhoneSim::backupRecordFaults_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("fields");
    QTest::addColumn<bool>("zeroDate");
    QTest::newRow("fields4") << QStringLiteral("fields4") << 4 << false;
    QTest::newRow("fields6") << QStringLiteral("fields6") << 6 << false;
    QTest::newRow("zero-date") << QStringLiteral("zero-date") << 5 << true;
}

void TestPhoneSim::backupRecordFaults()
{
    QFETCH(QString, mode);
    QFETCH(int, fields);
    QFETCH(bool, zeroDate);
    PhoneSimProcess sim;
    QVERIFY2(sim.start(kAddress,
                       {QStringLiteral("--count"), QStringLiteral("120"), QStringLiteral("--batch"),
                        QStringLiteral("50"), QStringLiteral("--misbehave"), mode,
                        QStringLiteral("--misbehave-at"), QStringLiteral("60")}),
             qPrintable(sim.errorText()));
    // A reader that does not object gets the whole backup, with exactly one bad record.
    const BackupResult backup = readBackup();
    QVERIFY(backup.sawBye);
    QCOMPARE(backup.records.size(), 120);
    for (int i = 0; i < backup.records.size(); ++i) {
        PhoneRecord record;
        QCOMPARE(parseRecord(backup.records.at(i), &record), i != 60);
    }
    const QByteArray bad = backup.records.at(60);
    QCOMPARE(bad.split(',').size(), fields);
    QCOMPARE(bad.startsWith("0,"), zeroDate);
}

void TestPhoneSim::backupStreamFaults_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("goodRecords");
    QTest::addColumn<QByteArray>("lastLine"); // how the line after the good records begins
    // 120 records in batches of 50: by default a fault strikes in the middle of the middle batch.
    QTest::newRow("error-mid") << QStringLiteral("error-mid") << 75 << QByteArray("$error:");
    QTest::newRow("empty-line") << QStringLiteral("empty-line") << 75 << QByteArray();
    QTest::newRow("close-mid") << QStringLiteral("close-mid") << 75 << QByteArray("<no line");
    QTest::newRow("huge-line") << QStringLiteral("huge-line") << 0 << QByteArray("<no line");
}

void TestPhoneSim::backupStreamFaults()
{
    QFETCH(QString, mode);
    QFETCH(int, goodRecords);
    QFETCH(QByteArray, lastLine);
    PhoneSimProcess sim;
    QVERIFY2(sim.start(kAddress,
                       {QStringLiteral("--count"), QStringLiteral("120"), QStringLiteral("--batch"),
                        QStringLiteral("50"), QStringLiteral("--misbehave"), mode}),
             qPrintable(sim.errorText()));
    const BackupResult backup = readBackup();
    QVERIFY(!backup.sawBye);
    QCOMPARE(backup.records.size(), goodRecords);
    QVERIFY2(lastLine.isEmpty() ? backup.lastLine.isEmpty() : backup.lastLine.startsWith(lastLine),
             backup.lastLine.left(100).constData());
    if (mode == QLatin1String("error-mid")) {
        QCOMPARE(QString::fromUtf8(QByteArray::fromBase64(backup.lastLine.mid(7))),
                 QStringLiteral("Speicher nicht lesbar – ошибка чтения"));
    }
}

void TestPhoneSim::otherMisbehaviours()
{
    PhoneSimProcess sim;
    QVERIFY2(sim.start(kAddress, {QStringLiteral("--misbehave"), QStringLiteral("no-data-port")}),
             qPrintable(sim.errorText()));
    for (int port : {32421, 32422}) {
        QTcpSocket data;
        QVERIFY(!connectTo(data, port));
        QCOMPARE(data.error(), QAbstractSocket::ConnectionRefusedError);
    }
    // Modes can be switched while running.
    for (const QString& mode : {QStringLiteral("send-fields4"), QStringLiteral("send-zero-date")}) {
        const int from = sim.lineCount();
        sim.sendCommand(QStringLiteral("misbehave ") + mode);
        QVERIFY(sim.waitForLine(QStringLiteral("MISBEHAVE ") + mode, 15000, nullptr, from));
        QTcpSocket command;
        QVERIFY(request(command, "sendsms://127.0.0.1/"));
        command.write(QByteArray("123").toBase64() + ',' + QByteArray("hi").toBase64() + '\n');
        const QByteArray reply = readLine(command);
        QVERIFY2(reply.startsWith("$sms:"), reply.constData());
        const QList<QByteArray> fields = reply.mid(5).split(',');
        QCOMPARE(fields.size(), mode == QLatin1String("send-fields4") ? 4 : 5);
        QCOMPARE(fields.first() == "0", mode == QLatin1String("send-zero-date"));
    }
}

void TestPhoneSim::dataConnectionWithoutRequestIsRefused()
{
    PhoneSimProcess sim;
    QVERIFY2(sim.start(kAddress, {QStringLiteral("--arm-timeout"), QStringLiteral("200")}),
             qPrintable(sim.errorText()));
    QTcpSocket data;
    QVERIFY(connectTo(data, 32421));
    const QByteArray reply = readLine(data);
    QVERIFY2(reply.startsWith("$error:"), reply.constData());
}

void TestPhoneSim::fakeAdbListsAndForwards()
{
    tbtest::FakeAdbEnvironment adb;
    QProcess tool;
    tool.start(QStringLiteral("adb"), {QStringLiteral("devices")});
    QVERIFY(tool.waitForFinished(5000));
    QCOMPARE(tool.readAllStandardOutput(),
             QByteArray("List of devices attached\nSIM0001\tdevice\n\n"));

    adb.setDevices({QStringLiteral("A1"), QStringLiteral("B2:unauthorized")});
    tool.start(QStringLiteral("adb"),
               {QStringLiteral("-s"), QStringLiteral("A1"), QStringLiteral("forward"),
                QStringLiteral("tcp:42580"), QStringLiteral("tcp:42580")});
    QVERIFY(tool.waitForFinished(5000));
    QVERIFY(tool.readAllStandardError().isEmpty());
    tool.start(QStringLiteral("adb"),
               {QStringLiteral("-s"), QStringLiteral("C3"), QStringLiteral("forward"),
                QStringLiteral("tcp:1"), QStringLiteral("tcp:1")});
    QVERIFY(tool.waitForFinished(5000));
    QVERIFY(!tool.readAllStandardError().isEmpty());

    adb.setErrorText(QStringLiteral("* daemon not running"));
    tool.start(QStringLiteral("adb"), {QStringLiteral("devices")});
    QVERIFY(tool.waitForFinished(5000));
    QCOMPARE(tool.readAllStandardError(), QByteArray("* daemon not running\n"));
    QCOMPARE(adb.commands().size(), 4);
    QCOMPARE(adb.commands().at(1), QStringLiteral("-s A1 forward tcp:42580 tcp:42580"));
}

QTEST_GUILESS_MAIN(TestPhoneSim)
#include "tst_phonesim.moc"
