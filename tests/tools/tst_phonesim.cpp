// What the program's phone tests take on trust from the phone simulator and check nowhere else:
// it refuses what a phone would refuse, and its stores (from a CSV file, or generated) hold what
// they should. Everything else it does, the program's phone tests use and so check.

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTest>

#include "support/PhoneSimProcess.h"

namespace {

const QString kAddress = QStringLiteral("127.0.0.10");

QByteArray b64(const QString& text)
{
    return text.toUtf8().toBase64();
}

// The store a simulator with these arguments holds, one five-field record per line.
QList<QByteArray> dumped(const QStringList& arguments)
{
    QProcess dump;
    dump.start(tbtest::PhoneSimProcess::executablePath(), arguments + QStringList{"--dump"});
    QList<QByteArray> lines = dump.waitForFinished(30000) ? dump.readAllStandardOutput().split('\n')
                                                          : QList<QByteArray>();
    lines.removeAll(QByteArray());
    return lines;
}

} // namespace

class TestPhoneSim : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_sim.start(kAddress)); }
    void refusesWhatAPhoneWould_data();
    void refusesWhatAPhoneWould();
    void csvFileBecomesTheStore();
    void generatedStoreLooksLikeAPhone();

private:
    tbtest::PhoneSimProcess m_sim;
};

void TestPhoneSim::refusesWhatAPhoneWould_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("bytes"); // on the restore data port, or after a send request
    QTest::addColumn<QString>("reason");
    const QByteArray x = b64("x");
    const auto restore = [](const char* name, const QByteArray& record, const char* reason) {
        QTest::newRow(name) << QByteArray("restore://127.0.0.1:32422/")
                            << "$batch:\n$sms:" + record + "\n\n$end:\n"
                            << reason;
    };
    restore("three fields", "1000,0," + x, "3 fields");
    restore("five fields", "1000,0," + x + ',' + x + ',' + x, "5 fields");
    restore("zero date", "0,0," + x + ',' + x, "date");
    restore("text date", "abc,0," + x + ',' + x, "date");
    restore("leading zero", "01000,0," + x + ',' + x, "date");
    restore("direction 2", "1000,2," + x + ',' + x, "direction");
    restore("bad base64", "1000,0,eA=,eA==", "address");
    restore("not utf-8", "1000,0," + x + ',' + QByteArray("\xff\xfe").toBase64(), "body");
    QTest::newRow("no empty line") << QByteArray("restore://127.0.0.1:32422/")
                                   << "$batch:\n$sms:1000,0," + x + ',' + x + "\n$end:\n"
                                   << "empty line";
    QTest::newRow("send, not base64")
        << QByteArray("sendsms://127.0.0.1/") << QByteArray("not base64!,x\n") << "";
}

void TestPhoneSim::refusesWhatAPhoneWould()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const int from = m_sim.lineCount();
    const qsizetype restored = m_sim.restoredRecords().size();
    QTcpSocket command, data;
    command.connectToHost(kAddress, 42580);
    QVERIFY(command.waitForConnected(5000));
    command.write(request + '\n');
    QTcpSocket& peer = request.startsWith("restore") ? data : command;
    if (&peer == &data) {
        QVERIFY(command.waitForBytesWritten(5000));
        data.connectToHost(kAddress, 32422);
        QVERIFY(data.waitForConnected(5000));
    }
    peer.write(bytes);
    while (!peer.canReadLine() && peer.waitForReadyRead(10000)) {
    }
    const QByteArray reply = peer.readLine();
    QVERIFY2(reply.startsWith("$error:"), reply.constData());
    const QString text = QString::fromUtf8(QByteArray::fromBase64(reply.mid(7)));
    QVERIFY2(text.contains(reason), qPrintable(text));
    QVERIFY(m_sim.waitForLine(&peer == &data ? "RESTORE-REJECTED" : "FAULT", 15000, nullptr, from));
    QCOMPARE(m_sim.restoredRecords().size(), restored);
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
    const auto ms = [](int y, int mo, int d, int h, int mi, int s) {
        return QByteArray::number(QDateTime(QDate(y, mo, d), QTime(h, mi, s)).toMSecsSinceEpoch());
    };
    QCOMPARE(
        dumped({"--csv", csv.fileName()}),
        (QList<QByteArray>{ms(2012, 3, 4, 5, 6, 7) + ",0," + b64("5551234") + ",," + b64("a,b"),
                           ms(2013, 1, 2, 3, 4, 5) + ",1," + b64("+49 170 1234567") + ',' +
                               b64("Max \"Maxi\" Power") + ',' + b64("two\nlines")}));
}

void TestPhoneSim::generatedStoreLooksLikeAPhone()
{
    // What a real phone's store holds somewhere, field (direction, milliseconds, person, address,
    // body) and pattern: sent and received, dates with milliseconds, named and unnamed contacts,
    // commas, quotes, line feeds, emoji and non-Latin scripts in bodies, international, national,
    // short and service numbers. Dates rise and never share a second, so no duplicates arise.
    QStringList wanted =
        QStringLiteral("d^1$ d^0$ m[1-9] p. p^$ b, b\" b\n b👍|🎉|❤ a^\\+ a^01 "
                       "a[A-Za-z] a^\\d{4,5}$ "
                       "b[\\x{0400}-\\x{04FF}\\x{0370}-\\x{03FF}\\x{4E00}-\\x{9FFF}]")
            .split(u' ');
    qint64 lastSecond = -1;
    const QList<QByteArray> records = dumped({"--count", "2000", "--contacts", "30"});
    QCOMPARE(records.size(), 2000);
    for (const QByteArray& record : records) {
        const QList<QByteArray> f = record.split(',');
        QCOMPARE(f.size(), 5);
        const qint64 ms = f[0].toLongLong();
        QVERIFY(ms / 1000 > lastSecond);
        lastSecond = ms / 1000;
        const QString fields[] = {QString::fromLatin1(f[1]), QString::number(ms % 1000),
                                  QString::fromUtf8(QByteArray::fromBase64(f[3])),
                                  QString::fromUtf8(QByteArray::fromBase64(f[2])),
                                  QString::fromUtf8(QByteArray::fromBase64(f[4]))};
        wanted.removeIf([&](const QString& want) {
            return QRegularExpression(want.mid(1))
                .match(fields[QStringLiteral("dmpab").indexOf(want.at(0))])
                .hasMatch();
        });
    }
    QVERIFY2(wanted.isEmpty(), qPrintable(wanted.join(u' ')));
}

QTEST_GUILESS_MAIN(TestPhoneSim)
#include "tst_phonesim.moc"
