// The export formats, byte for byte, and the writers' failure on a refused write.

#include <QBuffer>
#include <QtTest>

#include "files/CSVBackupSMS.h"
#include "files/FilesTestSupport.h"

using filestest::at;
using filestest::makeSMS;

namespace {

// Refuses every write.
class FullDevice : public QIODevice
{
public:
    FullDevice()
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        setErrorString(QStringLiteral("No space left on device"));
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return -1; }
};

} // namespace

class TestBackupWriters : public QObject
{
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void csvQuoting_data();
    void csvQuoting();
    void refusedWriteThrows();
};

void TestBackupWriters::formats_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QList<SMSInfo>>("list");
    QTest::addColumn<QByteArray>("expected");
    const QDateTime date = at(2012, 3, 4, 5, 6, 7);
    const QByteArray time = "Time:2012-03-04 05:06:07";
    const SMSInfo empty = makeSMS("", "", "", false, QDateTime());
    const QByteArray htmlOpening =
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
        "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
        "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><meta http-equiv=\"Content-Type\" "
        "content=\"text/html; charset=utf-8\" /><title>Quillmarten SMS Backup</title></head>"
        "<body style=\"width:595\">";

    QTest::newRow("csv header, 32 bytes")
        << "csv" << QList<SMSInfo>{} << QByteArray("send,date,number,person,content\n");
    QTest::newRow("csv records") << "csv"
                                 << QList<SMSInfo>{makeSMS("5551234", "", "a,b", false, date),
                                                   makeSMS("5551234", "Ann", "hi\r", true, date),
                                                   empty}
                                 << QByteArray("send,date,number,person,content\n"
                                               "0,2012-03-04 05:06:07,5551234,,\"a,b\"\n"
                                               "1,2012-03-04 05:06:07,5551234,Ann,hi\r\n"
                                               "0,,,,\n");
    QTest::newRow("text") << "txt"
                          << QList<SMSInfo>{makeSMS("5551234", "Ann", "body", true, date),
                                            makeSMS("777", "", "two\nlines", false, date), empty}
                          << time + "\r\nTo:5551234 (Ann)\r\nbody\r\n\r\n" + time +
                                 "\r\nFrom:777\r\ntwo\nlines\r\n\r\nTime:\r\nFrom:\r\n\r\n\r\n";
    QTest::newRow("html") << "htm"
                          << QList<SMSInfo>{makeSMS("555", "Anna", "a\nb", false, date),
                                            makeSMS("555", "", "x", true, date), empty}
                          << htmlOpening + "<div style=\"color:#0000FF\"><div>" + time +
                                 "</div><div>From:Anna(555)</div></div><div>a\nb</div><br/>"
                                 "<div style=\"color:#008040\"><div>" +
                                 time +
                                 "</div><div>To:555</div></div><div>x</div><br/>"
                                 "<div style=\"color:#0000FF\"><div>Time:</div>"
                                 "<div>From:Unknown</div></div><div></div><br/>";
    // Markup in a name or body must not reach a file that a browser opens.
    QTest::newRow("html escapes markup")
        << "htm"
        << QList<SMSInfo>{makeSMS("<5>", "Tom & <i>J</i>", "<script>x('y')</script> & \"q\"", false,
                                  date)}
        << htmlOpening + "<div style=\"color:#0000FF\"><div>" + time +
               "</div><div>From:Tom &amp; &lt;i&gt;J&lt;/i&gt;(&lt;5&gt;)</div></div>"
               "<div>&lt;script&gt;x('y')&lt;/script&gt; &amp; \"q\"</div><br/>";
}

void TestBackupWriters::formats()
{
    QFETCH(QString, suffix);
    QFETCH(QList<SMSInfo>, list);
    QFETCH(QByteArray, expected);
    const std::unique_ptr<IBackupSMS> writer = backupWriterForSuffix(suffix);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writer->writeHeader(&buffer);
    for (const SMSInfo& sms : list)
        writer->writeSMS(&buffer, sms);
    QCOMPARE(buffer.data(), expected);
}

void TestBackupWriters::csvQuoting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("quoted");
    const QList<QPair<QString, QString>> cases = {
        {"abc", "abc"},       {"", ""},           {"a,b", "\"a,b\""},
        {"a\nb", "\"a\nb\""}, {"\"", "\"\"\"\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"a\rb", "a\rb"},     {" a ", " a "}};
    for (int i = 0; i < cases.size(); ++i)
        QTest::addRow("case %d", i) << cases[i].first << cases[i].second;
}

void TestBackupWriters::csvQuoting()
{
    QFETCH(QString, text);
    QFETCH(QString, quoted);
    QCOMPARE(quoteCSVField(text), quoted);
}

void TestBackupWriters::refusedWriteThrows()
{
    FullDevice device;
    for (const char* suffix : {"csv", "txt", "htm"}) {
        try {
            backupWriterForSuffix(suffix)->writeSMS(&device, makeSMS("1", "", "b", false, {}));
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("No space left on device"));
        }
    }
}

QTEST_GUILESS_MAIN(TestBackupWriters)
#include "tst_backupwriters.moc"
