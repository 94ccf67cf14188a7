// The CSV reader (dialect rules, byte-order mark, record ends, counting, read failures) and the
// export formats, byte for byte.

#include <QBuffer>
#include <QTemporaryFile>
#include <QtTest>

#include "core/files/CSVBackupSMS.h"
#include "core/files/CSVReader.h"
#include "support/FilesTestSupport.h"

using filestest::at;
using filestest::makeSMS;

namespace {

// A device whose reads fail after a number of bytes, to reach the reader's failure path.
class FailingDevice : public QIODevice
{
public:
    FailingDevice(const QByteArray& data, qint64 failAt) : m_data(data.left(failAt))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        setErrorString(QStringLiteral("simulated read failure"));
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_pos >= m_data.size())
            return -1;
        const qint64 n = qMin(maxSize, m_data.size() - m_pos);
        memcpy(data, m_data.constData() + m_pos, n);
        m_pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_pos = 0;
};

// Every record up to the end of the device; only the first read may skip the mark. The last
// record is the one that reached the end (utf8CSVRow returned false), or {"error: " + text}
// when reading threw.
QList<QStringList> readAll(const QByteArray& bytes, bool skipBom, CSVEscapes escapes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QList<QStringList> rows;
    bool more = true;
    while (more) {
        QStringList fields;
        try {
            more = utf8CSVRow(&fields, &buffer, skipBom && rows.isEmpty(), escapes);
        } catch (const std::runtime_error& e) {
            return rows << QStringList{QStringLiteral("error: ") + QString::fromUtf8(e.what())};
        }
        rows.append(fields);
    }
    return rows;
}

} // namespace

class TestCSVFormats : public QObject
{
    Q_OBJECT
private slots:
    void records_data();
    void records();
    void minFieldsAndAppending();
    void counting_data();
    void counting();
    void readFailureThrows();
    void readerStopsAtRecordEnd();
    void writers_data();
    void writers();
    void csvQuoting();
};

void TestCSVFormats::records_data()
{
    using Rows = QList<QStringList>;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("skipBom");
    QTest::addColumn<bool>("backslash");
    QTest::addColumn<Rows>("rows");
    const QString bom(QChar(0xFEFF));
    const QByteArray big(200000, 'x');
    const QString bigText = QString::fromLatin1(big);
    const QByteArray mebibyte(MAX_CSV_FIELD_BYTES, 'y');
    const QString tooLarge = QStringLiteral("error: A field of the CSV file is larger than 1 MiB.");

    QTest::newRow("crlf header") << QByteArray("send,date,number,person,content\r\n") << true
                                 << false
                                 << Rows{{"send", "date", "number", "person", "content"}, {""}};
    QTest::newRow("mark skipped") << QByteArray("\xEF\xBB\xBFs,d\n") << true << false
                                  << Rows{{"s", "d"}, {""}};
    QTest::newRow("mark kept") << QByteArray("\xEF\xBB\xBFs,d\n") << false << false
                               << Rows{{bom + "s", "d"}, {""}};
    // Looking for the mark must not take the bytes of a short first line or of the next one.
    QTest::newRow("blank line before mark check")
        << QByteArray("\nab\nc") << true << false << Rows{{""}, {"ab"}, {"c"}};
    QTest::newRow("two bytes, no mark")
        << QByteArray("\xEF\xBB") << true << false << Rows{{QString::fromUtf8("\xEF\xBB")}};
    QTest::newRow("empty, skipping") << QByteArray() << true << false << Rows{{}};
    QTest::newRow("empty, not skipping") << QByteArray() << false << false << Rows{{""}};
    QTest::newRow("quoted comma and lf")
        << QByteArray("a,\"b,c\nd\",e") << false << false << Rows{{"a", "b,c\nd", "e"}};
    QTest::newRow("doubled quotes") << QByteArray("\"say \"\"hi\"\"\",\"\"\"\"") << false << false
                                    << Rows{{"say \"hi\"", "\""}};
    QTest::newRow("quote starts mid-field")
        << QByteArray("ab\"c,d\"e") << false << false << Rows{{"abc,de"}};
    QTest::newRow("quotes after closed section are plain")
        << QByteArray("\"a\"b\"c,d") << false << false << Rows{{"ab\"c", "d"}};
    QTest::newRow("cr dropped outside quotes, kept inside")
        << QByteArray("a\rb,\"c\r\nd\"\r\n,") << false << false << Rows{{"ab", "c\r\nd"}, {"", ""}};
    QTest::newRow("unclosed quote runs to end")
        << QByteArray("\"a,b\nc") << false << false << Rows{{"a,b\nc"}};
    // A field's text ends at a zero byte: nothing invisible is kept behind it.
    QTest::newRow("utf8 and zero byte")
        << QStringLiteral("Grüße 😀 мир").toUtf8() + QByteArray(",a\0b,2012-03-04 05:06:07\0x", 26)
        << false << false << Rows{{QStringLiteral("Grüße 😀 мир"), "a", "2012-03-04 05:06:07"}};
    QTest::newRow("records longer than the read chunks")
        << QByteArray("\"" + big + "\n" + big + "\"," + big + "\nend") << false << false
        << Rows{{bigText + "\n" + bigText, bigText}, {"end"}};
    // No SMS file holds a field over 1 MiB; one such field once took gigabytes.
    QTest::newRow("field of 1 MiB")
        << QByteArray("a," + mebibyte + "\n\"" + mebibyte + "\"") << false << false
        << Rows{{"a", QString::fromLatin1(mebibyte)}, {QString::fromLatin1(mebibyte)}};
    QTest::newRow("field over 1 MiB")
        << QByteArray("a\nb," + mebibyte + "y,c\n") << false << false << Rows{{"a"}, {tooLarge}};
    QTest::newRow("quoted field over 1 MiB, doubled quote last")
        << QByteArray("\"" + mebibyte + "\"\"\"") << false << false << Rows{{tooLarge}};
    QTest::newRow("escaped field over 1 MiB")
        << QByteArray("\"" + mebibyte.chopped(1) + "\\x\"") << false << true << Rows{{tooLarge}};
    // Backslash escapes, for other phones' exports; outside quotes a backslash is plain.
    QTest::newRow("backslash escapes")
        << QByteArray("a,\"say \\\"hi\\\", ok \\\\\",\"end \\\"\"\nnext\\x,y") << false << true
        << Rows{{"a", "say \\\"hi\\\", ok \\\\", "end \\\""}, {"next\\x", "y"}};
}

void TestCSVFormats::records()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, skipBom);
    QFETCH(bool, backslash);
    QFETCH(QList<QStringList>, rows);
    QCOMPARE(readAll(bytes, skipBom, backslash ? CSVEscapes::Backslash : CSVEscapes::DoubledQuotes),
             rows);
}

void TestCSVFormats::minFieldsAndAppending()
{
    QBuffer buffer;
    buffer.setData(QByteArray("a,b,c\n\ntitle\n1,2,3,4\n5,6\n\"x\ny\"\nlast,1,2,3"));
    buffer.open(QIODevice::ReadOnly);
    QStringList fields;
    QVERIFY(readCSVRecordMinFields(&fields, &buffer, 4));
    QCOMPARE(fields, (QStringList{"1", "2", "3", "4"}));
    // The reader appends; the caller clears.
    QVERIFY(utf8CSVRow(&fields, &buffer, false));
    QCOMPARE(fields, (QStringList{"1", "2", "3", "4", "5", "6"}));
    QCOMPARE(totalRecords(&buffer), 1); // the quoted line feed is not a record end
    buffer.seek(buffer.data().indexOf("5,6"));
    fields.clear();
    // Reaching the end: false, yet the last record's fields are there.
    QVERIFY(!readCSVRecordMinFields(&fields, &buffer, 4));
    QCOMPARE(fields, (QStringList{"last", "1", "2", "3"}));
}

void TestCSVFormats::counting_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("backslash");
    QTest::addColumn<int>("count");
    QTest::newRow("plain") << QByteArray("a\nb\nc\n") << false << 3;
    QTest::newRow("quoted lf") << QByteArray("\"a\nb\",c\nd\n") << false << 2;
    QTest::newRow("last without lf") << QByteArray("a\nb") << false << 1;
    QTest::newRow("blank lines count") << QByteArray("a\n\n\nb\n") << false << 4;
    QTest::newRow("doubled quotes") << QByteArray("\"x\"\"\n\"\ny\n") << false << 2;
    QTest::newRow("empty") << QByteArray() << false << 0;
    QTest::newRow("backslash-escaped quote") << QByteArray("\"x\\\"\ny\"\nz\n") << true << 2;
}

void TestCSVFormats::counting()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, backslash);
    QFETCH(int, count);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QCOMPARE(totalRecords(&buffer, backslash ? CSVEscapes::Backslash : CSVEscapes::DoubledQuotes),
             count);
}

void TestCSVFormats::readFailureThrows()
{
    FailingDevice rowDevice(QByteArray("abc,def\n"), 3);
    QStringList fields;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, utf8CSVRow(&fields, &rowDevice, true));
    FailingDevice countDevice(QByteArray("a\nb\nc\n"), 2);
    try {
        totalRecords(&countDevice);
        QFAIL("no exception");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("simulated read failure"));
    }
}

void TestCSVFormats::readerStopsAtRecordEnd()
{
    // A record never takes bytes of the next one off the device.
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write("one,1\ntwo,2\nthree");
    file.seek(0);
    QStringList fields;
    QVERIFY(utf8CSVRow(&fields, &file, true));
    QCOMPARE(file.pos(), qint64(6));
    QVERIFY(utf8CSVRow(&fields, &file, false));
    QCOMPARE(file.readAll(), QByteArray("three"));
}

void TestCSVFormats::writers_data()
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
    const QByteArray xmlOpening = "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n";
    QTest::newRow("xml, none") << "xml" << QList<SMSInfo>{}
                               << xmlOpening + "<smses count=\"0\">\n</smses>\n";
    // Real UTF-8, markup and line breaks escaped; XML cannot carry \x01 or a lone surrogate.
    QTest::newRow("xml") << "xml"
                         << QList<SMSInfo>{makeSMS("+49 <1>", "Tom & \"J\"",
                                                   "a\r\nb\tc 😀 \x01" + QString(QChar(0xD83D)),
                                                   true, date),
                                           empty}
                         << xmlOpening +
                                "<smses count=\"2\">\n  <sms protocol=\"0\" "
                                "address=\"+49 &lt;1&gt;\" date=\"" +
                                QByteArray::number(date.toMSecsSinceEpoch()) +
                                "\" type=\"2\" subject=\"null\" body=\"a&#13;&#10;b&#9;c "
                                "\xF0\x9F\x98\x80 \xEF\xBF\xBD\xEF\xBF\xBD\" toa=\"null\" "
                                "sc_toa=\"null\" service_center=\"null\" read=\"1\" "
                                "status=\"-1\" locked=\"0\" date_sent=\"0\" readable_date=\"Mar "
                                "4, 2012 5:06:07 AM\" contact_name=\"Tom &amp; &quot;J&quot;\" />\n"
                                "  <sms protocol=\"0\" address=\"\" date=\"0\" type=\"1\" "
                                "subject=\"null\" body=\"\" toa=\"null\" sc_toa=\"null\" "
                                "service_center=\"null\" read=\"1\" status=\"-1\" locked=\"0\" "
                                "date_sent=\"0\" readable_date=\"\" contact_name=\"(Unknown)\" "
                                "/>\n</smses>\n";
}

void TestCSVFormats::writers()
{
    QFETCH(QString, suffix);
    QFETCH(QList<SMSInfo>, list);
    QFETCH(QByteArray, expected);
    const std::unique_ptr<IBackupSMS> writer = backupWriterForSuffix(suffix);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writer->writeHeader(&buffer, list.size());
    for (const SMSInfo& sms : list)
        writer->writeSMS(&buffer, sms);
    writer->writeFooter(&buffer);
    QCOMPARE(buffer.data(), expected);
}

void TestCSVFormats::csvQuoting()
{
    const QList<QPair<QString, QString>> cases = {
        {"abc", "abc"},       {"", ""},           {"a,b", "\"a,b\""},
        {"a\nb", "\"a\nb\""}, {"\"", "\"\"\"\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"a\rb", "a\rb"},     {" a ", " a "}};
    for (const auto& [text, quoted] : cases)
        QCOMPARE(quoteCSVField(text), quoted);
}

QTEST_GUILESS_MAIN(TestCSVFormats)
#include "tst_csvformats.moc"
