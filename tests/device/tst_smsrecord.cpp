#include <QBuffer>
#include <QtTest>

#include "device/SMSRecord.h"
#include "device/SimpleProtocol.h"

namespace {

QString b64(const QString& text)
{
    return QString::fromLatin1(text.toUtf8().toBase64());
}

QString record(const QString& date, const QString& direction, const QString& address,
               const QString& person, const QString& body)
{
    return QStringList{date, direction, b64(address), b64(person), b64(body)}.join(u',');
}

SMSRecordFault::Kind faultOf(const QString& raw, QString* message = nullptr)
{
    try {
        parseSMSRecord(raw);
    } catch (const SMSRecordFault& fault) {
        if (message)
            *message = QString::fromUtf8(fault.what());
        return fault.kind();
    }
    qFatal("record was accepted: %s", qPrintable(raw));
}

} // namespace

class TestSMSRecord : public QObject
{
    Q_OBJECT
private slots:
    void fieldCountOtherThanFiveIsRefused_data();
    void fieldCountOtherThanFiveIsRefused();
    void zeroOrUnreadableDateIsRefused_data();
    void zeroOrUnreadableDateIsRefused();
    void negativeDateIsBefore1970();
    void directionValues_data();
    void directionValues();
    void fieldsDecodeFromBase64();
    void emptyFieldsGiveEmptyTexts();
    void strayCharactersInBase64AreSkipped();
    void textEndsAtFirstNulByte();
    void formatWritesFourFields();
    void invalidDateIsWrittenAsZero();
    void roundTripKeepsEverythingButThePerson_data();
    void roundTripKeepsEverythingButThePerson();
    void faultIsReportedToThePeer();
};

void TestSMSRecord::fieldCountOtherThanFiveIsRefused_data()
{
    QTest::addColumn<QString>("raw");
    const QString five =
        record(QStringLiteral("1700000000000"), QStringLiteral("1"), QStringLiteral("555"),
               QStringLiteral("Anna"), QStringLiteral("hi"));
    QTest::newRow("four") << five.left(five.lastIndexOf(u','));
    QTest::newRow("six") << five + QStringLiteral(",eHl6");
    QTest::newRow("one") << QStringLiteral("1700000000000");
    QTest::newRow("empty") << QString();
}

void TestSMSRecord::fieldCountOtherThanFiveIsRefused()
{
    QFETCH(QString, raw);
    QString message;
    QCOMPARE(faultOf(raw, &message), SMSRecordFault::WrongFieldCount);
    QCOMPARE(message, QStringLiteral("SMS raw format wrong, less then 5 fields, raw:") + raw);
}

void TestSMSRecord::zeroOrUnreadableDateIsRefused_data()
{
    QTest::addColumn<QString>("date");
    QTest::newRow("zero") << QStringLiteral("0");
    QTest::newRow("empty") << QString();
    QTest::newRow("text") << QStringLiteral("yesterday");
    QTest::newRow("decimal point") << QStringLiteral("12.5");
}

void TestSMSRecord::zeroOrUnreadableDateIsRefused()
{
    QFETCH(QString, date);
    const QString raw =
        record(date, QStringLiteral("0"), QStringLiteral("1"), QString(), QStringLiteral("x"));
    QString message;
    QCOMPARE(faultOf(raw, &message), SMSRecordFault::ZeroDate);
    QCOMPARE(message, QStringLiteral("SMS 'date' field eq zero, raw:") + raw);
}

void TestSMSRecord::negativeDateIsBefore1970()
{
    const SMSInfo sms = parseSMSRecord(
        record(QStringLiteral("-86400500"), QStringLiteral("0"), QStringLiteral("1"), {}, {}));
    QCOMPARE(sms.date.toMSecsSinceEpoch(), Q_INT64_C(-86400500));
    QVERIFY(sms.date.date().year() < 1970);
}

void TestSMSRecord::directionValues_data()
{
    QTest::addColumn<QString>("direction");
    QTest::addColumn<bool>("isSend");
    QTest::newRow("1") << QStringLiteral("1") << true;
    QTest::newRow("01") << QStringLiteral("01") << true;
    QTest::newRow("0") << QStringLiteral("0") << false;
    QTest::newRow("2") << QStringLiteral("2") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("text") << QStringLiteral("sent") << false;
}

void TestSMSRecord::directionValues()
{
    QFETCH(QString, direction);
    QFETCH(bool, isSend);
    const SMSInfo sms = parseSMSRecord(
        record(QStringLiteral("1000"), direction, QStringLiteral("1"), {}, QStringLiteral("b")));
    QCOMPARE(sms.isSend, isSend);
}

void TestSMSRecord::fieldsDecodeFromBase64()
{
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(Q_INT64_C(1700000000750));
    const SMSInfo sms = parseSMSRecord(
        record(QString::number(when.toMSecsSinceEpoch()), QStringLiteral("1"),
               QStringLiteral("+49 170 1234567"), QStringLiteral("Jörg"), QStringLiteral("Grüße")));
    QCOMPARE(sms.smsId, 0);
    QCOMPARE(sms.address, QStringLiteral("+49 170 1234567"));
    QCOMPARE(sms.person, QStringLiteral("Jörg"));
    QCOMPARE(sms.body, QStringLiteral("Grüße"));
    QCOMPARE(sms.date, when);
    QCOMPARE(sms.date.time().msec(), 750); // the wire keeps milliseconds
}

void TestSMSRecord::emptyFieldsGiveEmptyTexts()
{
    const SMSInfo sms = parseSMSRecord(QStringLiteral("5,0,,,"));
    QVERIFY(sms.address.isEmpty());
    QVERIFY(sms.person.isEmpty());
    QVERIFY(sms.body.isEmpty());
}

void TestSMSRecord::strayCharactersInBase64AreSkipped()
{
    const QString body = QStringLiteral("Hello, world");
    QString noisy = b64(body);
    noisy.insert(4, QStringLiteral(" \n\t"));
    noisy.insert(1, QStringLiteral("\r"));
    const SMSInfo sms = parseSMSRecord(QStringLiteral("5,0,,,") + noisy);
    QCOMPARE(sms.body, body);
}

void TestSMSRecord::textEndsAtFirstNulByte()
{
    const QByteArray bytes("ab\0cd", 5);
    const SMSInfo sms =
        parseSMSRecord(QStringLiteral("5,0,,,") + QString::fromLatin1(bytes.toBase64()));
    QCOMPARE(sms.body, QStringLiteral("ab"));
}

void TestSMSRecord::formatWritesFourFields()
{
    SMSInfo sms;
    sms.date = QDateTime::fromMSecsSinceEpoch(Q_INT64_C(1700000000123));
    sms.isSend = true;
    sms.address = QStringLiteral("abc");
    sms.person = QStringLiteral("not sent");
    sms.body = QStringLiteral("hi");
    QCOMPARE(formatSMSRecord(sms), QStringLiteral("1700000000123,1,YWJj,aGk=\n"));
    sms.isSend = false;
    QVERIFY(formatSMSRecord(sms).startsWith(QStringLiteral("1700000000123,0,")));
}

void TestSMSRecord::invalidDateIsWrittenAsZero()
{
    SMSInfo sms;
    QVERIFY(formatSMSRecord(sms).startsWith(QStringLiteral("0,0,")));
}

void TestSMSRecord::roundTripKeepsEverythingButThePerson_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("body");
    QTest::newRow("commas") << QStringLiteral("0170-1234567") << QStringLiteral("a,b,,c,");
    QTest::newRow("line feeds") << QStringLiteral("+1 (234) 567-8901")
                                << QStringLiteral("line 1\nline 2\r\n\n");
    QTest::newRow("non-Latin") << QStringLiteral("Банк") << QStringLiteral("Привет, 你好, مرحبا");
    QTest::newRow("emoji") << QStringLiteral("12345") << QStringLiteral("😀👍🏽 ok");
    QTest::newRow("empty") << QString() << QString();
}

void TestSMSRecord::roundTripKeepsEverythingButThePerson()
{
    QFETCH(QString, address);
    QFETCH(QString, body);
    SMSInfo out;
    out.date = QDateTime::fromMSecsSinceEpoch(Q_INT64_C(1600000000001));
    out.isSend = true;
    out.address = address;
    out.person = QStringLiteral("Anna");
    out.body = body;
    QString wire = formatSMSRecord(out);
    QVERIFY(wire.endsWith(u'\n'));
    wire.chop(1);
    QStringList fields = wire.split(u',');
    QCOMPARE(fields.size(), 4);
    fields.insert(3, QString()); // the phone's record carries the person before the body
    const SMSInfo back = parseSMSRecord(fields.join(u','));
    QCOMPARE(back.address, address);
    QCOMPARE(back.body, body);
    QCOMPARE(back.isSend, true);
    QCOMPARE(back.date, out.date);
    QVERIFY(back.person.isEmpty());
}

void TestSMSRecord::faultIsReportedToThePeer()
{
    QBuffer peer;
    peer.open(QIODevice::ReadWrite);
    const QString raw = QStringLiteral("0,1,,,");
    try {
        parseSMSRecordFrom(&peer, raw);
        QFAIL("zero date accepted");
    } catch (const simpleprotocol::LocalException& e) {
        const QString text = QStringLiteral("SMS 'date' field eq zero, raw:") + raw;
        QCOMPARE(QString::fromUtf8(e.what()), text);
        QCOMPARE(peer.data(), QByteArray("$error:") + text.toUtf8().toBase64() + '\n');
    }
}

QTEST_GUILESS_MAIN(TestSMSRecord)
#include "tst_smsrecord.moc"
