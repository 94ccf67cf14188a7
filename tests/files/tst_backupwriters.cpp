// The export formats, byte for byte, and the writers' failure on a refused write.

#include <QBuffer>
#include <QtTest>

#include "files/CSVBackupSMS.h"
#include "files/FilesTestSupport.h"
#include "files/HtmlBackupSMS.h"
#include "files/TXTBackupSMS.h"

using filestest::at;
using filestest::makeSMS;

namespace {

const QByteArray htmlOpening =
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
    "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><meta http-equiv=\"Content-Type\" "
    "content=\"text/html; charset=utf-8\" /><title>Quillmarten SMS Backup</title></head><body "
    "style=\"width:595\">";

QByteArray written(IBackupSMS& writer, const QList<SMSInfo>& list, bool header = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (header)
        writer.writeHeader(&buffer);
    for (const SMSInfo& sms : list)
        writer.writeSMS(&buffer, sms);
    return buffer.data();
}

// Counts the write calls and refuses them once told to.
class CountingDevice : public QIODevice
{
public:
    CountingDevice()
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        setErrorString(QStringLiteral("No space left on device"));
    }
    int writes = 0;
    bool refuse = false;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override
    {
        ++writes;
        return refuse ? -1 : size;
    }
};

} // namespace

class TestBackupWriters : public QObject
{
    Q_OBJECT
private slots:
    void csvHeaderAndRecords();
    void csvQuoting_data();
    void csvQuoting();
    void textRecords();
    void htmlOpeningAndRecords();
    void htmlEscapesMarkup();
    void invalidDatesAndEmptyFields();
    void oneWritePerUnit();
    void refusedWriteThrows();
    void writerForSuffix();
};

void TestBackupWriters::csvHeaderAndRecords()
{
    CSVBackupSMS csv;
    const QByteArray header = written(csv, {}, true);
    QCOMPARE(header, QByteArray("send,date,number,person,content\n"));
    QCOMPARE(header.size(), 32);

    const SMSInfo received = makeSMS("5551234", "", "a,b", false, at(2012, 3, 4, 5, 6, 7));
    QCOMPARE(written(csv, {received}), QByteArray("0,2012-03-04 05:06:07,5551234,,\"a,b\"\n"));
    const SMSInfo sent = makeSMS("5551234", "Ann", "hi", true, at(2012, 3, 4, 5, 6, 7));
    QCOMPARE(written(csv, {sent}), QByteArray("1,2012-03-04 05:06:07,5551234,Ann,hi\n"));
}

void TestBackupWriters::csvQuoting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("plain") << "abc"
                           << "abc";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("comma") << "a,b"
                           << "\"a,b\"";
    QTest::newRow("line feed") << "a\nb"
                               << "\"a\nb\"";
    QTest::newRow("only a quote") << "\""
                                  << "\"\"\"\"";
    QTest::newRow("quotes inside") << "say \"hi\""
                                   << "\"say \"\"hi\"\"\"";
    QTest::newRow("carriage return alone") << "a\rb"
                                           << "a\rb";
    QTest::newRow("spaces") << " a "
                            << " a ";
}

void TestBackupWriters::csvQuoting()
{
    QFETCH(QString, text);
    QFETCH(QString, quoted);
    QCOMPARE(quoteCSVField(text), quoted);
}

void TestBackupWriters::textRecords()
{
    TXTBackupSMS txt;
    QCOMPARE(written(txt, {}, true), QByteArray());
    const SMSInfo sent = makeSMS("5551234", "Ann", "body", true, at(2012, 3, 4, 5, 6, 7));
    QCOMPARE(written(txt, {sent}),
             QByteArray("Time:2012-03-04 05:06:07\r\nTo:5551234 (Ann)\r\nbody\r\n\r\n"));
    const SMSInfo received = makeSMS("777", "", "two\nlines", false, at(2012, 3, 4, 5, 6, 7));
    QCOMPARE(written(txt, {received}),
             QByteArray("Time:2012-03-04 05:06:07\r\nFrom:777\r\ntwo\nlines\r\n\r\n"));
}

void TestBackupWriters::htmlOpeningAndRecords()
{
    HtmlBackupSMS html;
    QCOMPARE(written(html, {}, true), htmlOpening);
    const SMSInfo received = makeSMS("555", "Anna", "a\nb", false, at(2012, 3, 4, 5, 6, 7));
    QCOMPARE(written(html, {received}),
             QByteArray("<div style=\"color:#0000FF\"><div>Time:2012-03-04 05:06:07</div>"
                        "<div>From:Anna(555)</div></div><div>a\nb</div><br/>"));
    const SMSInfo sent = makeSMS("555", "", "x", true, at(2012, 3, 4, 5, 6, 7));
    QCOMPARE(written(html, {sent}),
             QByteArray("<div style=\"color:#008040\"><div>Time:2012-03-04 05:06:07</div>"
                        "<div>To:555</div></div><div>x</div><br/>"));
}

void TestBackupWriters::htmlEscapesMarkup()
{
    HtmlBackupSMS html;
    const SMSInfo sms =
        makeSMS("<555>", "Tom & <i>Jerry</i>", "<script>alert('x')</script> & \"q\"", false,
                at(2012, 3, 4, 5, 6, 7));
    const QByteArray out = written(html, {sms});
    QVERIFY(!out.contains("<script>"));
    QVERIFY(!out.contains("<i>"));
    QVERIFY(out.contains("<div>From:Tom &amp; &lt;i&gt;Jerry&lt;/i&gt;(&lt;555&gt;)</div>"));
    QVERIFY(out.contains("<div>&lt;script&gt;alert('x')&lt;/script&gt; &amp; \"q\"</div><br/>"));
}

void TestBackupWriters::invalidDatesAndEmptyFields()
{
    const SMSInfo empty = makeSMS("", "", "", false, QDateTime());
    CSVBackupSMS csv;
    QCOMPARE(written(csv, {empty}), QByteArray("0,,,,\n"));
    TXTBackupSMS txt;
    QCOMPARE(written(txt, {empty}), QByteArray("Time:\r\nFrom:\r\n\r\n\r\n"));
    HtmlBackupSMS html;
    QCOMPARE(written(html, {empty}),
             QByteArray("<div style=\"color:#0000FF\"><div>Time:</div><div>From:Unknown</div>"
                        "</div><div></div><br/>"));
}

void TestBackupWriters::oneWritePerUnit()
{
    const SMSInfo sms = makeSMS("1", "p", "b", true, at(2012, 1, 1, 0, 0, 0));
    CSVBackupSMS csv;
    TXTBackupSMS txt;
    HtmlBackupSMS html;
    for (IBackupSMS* writer : std::initializer_list<IBackupSMS*>{&csv, &txt, &html}) {
        CountingDevice device;
        writer->writeHeader(&device);
        writer->writeSMS(&device, sms);
        writer->writeSMS(&device, sms);
        QCOMPARE(device.writes, writer == &txt ? 2 : 3);
    }
}

void TestBackupWriters::refusedWriteThrows()
{
    CountingDevice device;
    device.refuse = true;
    CSVBackupSMS csv;
    try {
        csv.writeSMS(&device, makeSMS("1", "", "b", false, at(2012, 1, 1, 0, 0, 0)));
        QFAIL("no exception");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("No space left on device"));
    }
}

void TestBackupWriters::writerForSuffix()
{
    QVERIFY(dynamic_cast<CSVBackupSMS*>(backupWriterForSuffix("csv").get()));
    QVERIFY(dynamic_cast<TXTBackupSMS*>(backupWriterForSuffix("txt").get()));
    for (const char* suffix : {"htm", "html", "doc"})
        QVERIFY(dynamic_cast<HtmlBackupSMS*>(backupWriterForSuffix(suffix).get()));
    for (const char* suffix : {"CSV", "TXT", "pdf", "", "xls"})
        QVERIFY(!backupWriterForSuffix(suffix));
}

QTEST_GUILESS_MAIN(TestBackupWriters)
#include "tst_backupwriters.moc"
