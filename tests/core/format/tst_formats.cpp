// The formats without a job or a window: the CSV reader (dialect rules, byte-order mark, record
// ends, counting, read failures), the own CSV records, the writers byte for byte, and the XML
// backup read back as written.

#include <QBuffer>
#include <QTemporaryFile>
#include <QtTest>

#include "core/format/CSVBackupReader.h"
#include "core/format/CSVBackupSMS.h"
#include "core/format/CSVReader.h"
#include "core/format/XMLBackupReader.h"
#include "core/format/XMLBackupSMS.h"
#include "support/FilesTestSupport.h"

using namespace filestest;
using Rows = QList<QStringList>;

namespace {

// A buffer whose reads fail from byte failAt on (never, if negative), to reach the reader's
// failure path.
class FailingBuffer : public QBuffer
{
public:
    FailingBuffer(const QByteArray& bytes, qint64 failAt) : m_failAt(failAt)
    {
        setData(bytes);
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_failAt < 0)
            return QBuffer::readData(data, maxSize);
        setErrorString(QStringLiteral("simulated read failure"));
        return pos() >= m_failAt ? -1 : QBuffer::readData(data, qMin(maxSize, m_failAt - pos()));
    }

private:
    qint64 m_failAt;
};

CSVEscapes escapes(bool backslash)
{
    return backslash ? CSVEscapes::Backslash : CSVEscapes::DoubledQuotes;
}

} // namespace

class TestFormats : public QObject
{
    Q_OBJECT
private slots:
    void records_data();
    void records();
    void minFieldsAndAppending();
    void counting_data();
    void counting();
    void readerStopsAtRecordEnd();
    void columnMapAndRecords();
    void xmlReadsWhatItWrote();
    void writers_data();
    void writers();
};

void TestFormats::records_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("skipBom");
    QTest::addColumn<bool>("backslash");
    QTest::addColumn<int>("failAt");
    QTest::addColumn<Rows>("rows");
    const auto row = [](const char* name, const QByteArray& bytes, const Rows& rows,
                        bool skipBom = false, bool backslash = false, int failAt = -1) {
        QTest::newRow(name) << bytes << skipBom << backslash << failAt << rows;
    };
    const QString bom(QChar(0xFEFF));
    const QByteArray big(200000, 'x');
    const QString bigText = QString::fromLatin1(big);
    const QByteArray mebibyte(MAX_CSV_FIELD_BYTES, 'y');
    const QString tooLarge = QStringLiteral("left out");

    row("crlf header", "send,date,number,person,content\r\n",
        Rows{{"send", "date", "number", "person", "content"}, {""}}, true);
    row("mark skipped", "\xEF\xBB\xBFs,d\n", Rows{{"s", "d"}, {""}}, true);
    row("mark kept", "\xEF\xBB\xBFs,d\n", Rows{{bom + "s", "d"}, {""}});
    // Looking for the mark must not take the bytes of a short first line or of the next one.
    row("blank line before mark check", "\nab\nc", Rows{{""}, {"ab"}, {"c"}}, true);
    row("two bytes, no mark", "\xEF\xBB", Rows{{QString::fromUtf8("\xEF\xBB")}}, true);
    row("empty, skipping", "", Rows{{}}, true);
    row("empty, not skipping", "", Rows{{""}});
    row("quoted comma and lf", "a,\"b,c\nd\",e", Rows{{"a", "b,c\nd", "e"}});
    row("doubled quotes", "\"say \"\"hi\"\"\",\"\"\"\"", Rows{{"say \"hi\"", "\""}});
    row("quote starts mid-field", "ab\"c,d\"e", Rows{{"abc,de"}});
    row("quotes after closed section are plain", "\"a\"b\"c,d", Rows{{"ab\"c", "d"}});
    row("cr dropped outside quotes, kept inside", "a\rb,\"c\r\nd\"\r\n,",
        Rows{{"ab", "c\r\nd"}, {"", ""}});
    row("unclosed quote runs to end", "\"a,b\nc", Rows{{"a,b\nc"}});
    // A field's text ends at a zero byte: nothing invisible is kept behind it.
    row("utf8 and zero byte",
        QStringLiteral("Grüße 😀 мир").toUtf8() + QByteArray(",a\0b,2012-03-04 05:06:07\0x", 26),
        Rows{{QStringLiteral("Grüße 😀 мир"), "a", "2012-03-04 05:06:07"}});
    row("records longer than the read chunks", "\"" + big + "\n" + big + "\"," + big + "\nend",
        Rows{{bigText + "\n" + bigText, bigText}, {"end"}});
    // No SMS file holds a field over 1 MiB; one such field once took gigabytes.
    row("field of 1 MiB", "a," + mebibyte + "\n\"" + mebibyte + "\"",
        Rows{{"a", QString::fromLatin1(mebibyte)}, {QString::fromLatin1(mebibyte)}});
    // A larger one: the record is read to its end and left out.
    row("field over 1 MiB", "a\nb," + mebibyte + "y,c\nd", Rows{{"a"}, {tooLarge}, {"d"}});
    row("quoted field over 1 MiB, doubled quote last", "\"" + mebibyte + "\"\"\"",
        Rows{{tooLarge}});
    row("escaped field over 1 MiB", "\"" + mebibyte.chopped(1) + "\\x\"", Rows{{tooLarge}}, false,
        true);
    // Backslash escapes, for other phones' exports; outside quotes a backslash is plain.
    row("backslash escapes", "a,\"say \\\"hi\\\", ok \\\\\",\"end \\\"\"\nnext\\x,y",
        Rows{{"a", "say \\\"hi\\\", ok \\\\", "end \\\""}, {"next\\x", "y"}}, false, true);
    // A failing read ends the reading with the device's error, not with a short record.
    row("read fails mid-record", "abc,def\n", Rows{{"error: simulated read failure"}}, true, false,
        3);
}

void TestFormats::records()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, skipBom);
    QFETCH(bool, backslash);
    QFETCH(int, failAt);
    QFETCH(Rows, rows);
    // Every record up to the end; only the first read may skip the mark. The last record is the
    // one that reached the end (utf8CSVRow returned false), or {"error: " + text} when it threw.
    FailingBuffer buffer(bytes, failAt);
    Rows read;
    for (bool more = true; more;) {
        QStringList fields;
        try {
            more = utf8CSVRow(&fields, &buffer, skipBom && read.isEmpty(), escapes(backslash));
        } catch (const CSVFieldTooLarge& e) {
            fields = QStringList{QStringLiteral("left out")};
            more = e.more();
        } catch (const std::runtime_error& e) {
            fields = QStringList{QStringLiteral("error: ") + QString::fromUtf8(e.what())};
            more = false;
        }
        read.append(fields);
    }
    QCOMPARE(read, rows);
}

void TestFormats::minFieldsAndAppending()
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

void TestFormats::counting_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("backslash");
    QTest::addColumn<int>("failAt");
    QTest::addColumn<int>("count"); // -1: reading failed
    const auto row = [](const char* name, const QByteArray& bytes, int count,
                        bool backslash = false, int failAt = -1) {
        QTest::newRow(name) << bytes << backslash << failAt << count;
    };
    row("plain", "a\nb\nc\n", 3);
    row("quoted lf", "\"a\nb\",c\nd\n", 2);
    row("last without lf", "a\nb", 1);
    row("blank lines count", "a\n\n\nb\n", 4);
    row("doubled quotes", "\"x\"\"\n\"\ny\n", 2);
    row("empty", "", 0);
    row("backslash-escaped quote", "\"x\\\"\ny\"\nz\n", 2, true);
    row("read fails", "a\nb\nc\n", -1, false, 2);
}

void TestFormats::counting()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, backslash);
    QFETCH(int, failAt);
    QFETCH(int, count);
    FailingBuffer buffer(bytes, failAt);
    const QString failure =
        failureOf([&] { QCOMPARE(totalRecords(&buffer, escapes(backslash)), count); });
    QCOMPARE(failure, count < 0 ? "simulated read failure" : "<no exception>");
}

void TestFormats::readerStopsAtRecordEnd()
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

void TestFormats::writers_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QList<SMSInfo>>("list");
    QTest::addColumn<QByteArray>("expected");
    const QDateTime date = at(2012, 3, 4, 5, 6, 7);
    const SMSInfo empty = makeSMS("", "", "", false, QDateTime());
    QTest::newRow("csv records") << "csv"
                                 << QList<SMSInfo>{makeSMS("5551234", "", "a,b", false, date),
                                                   makeSMS("5551234", "Ann", "hi\r", true, date),
                                                   makeSMS("a\nb", "say \"hi\"", " a ", true, date),
                                                   empty}
                                 << QByteArray(
                                        "send,date,number,person,content\n"
                                        "0,2012-03-04 05:06:07,5551234,,\"a,b\"\n"
                                        "1,2012-03-04 05:06:07,5551234,Ann,hi\r\n"
                                        "1,2012-03-04 05:06:07,\"a\nb\",\"say \"\"hi\"\"\", a \n"
                                        "0,,,,\n");
    // The text and HTML writers are compared with whole files in the export dialog's test.
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

void TestFormats::writers()
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
    // An XML file's set and date differ from file to file.
    const QRegularExpression root(
        QStringLiteral(" backup_set=\"[-0-9a-f]{36}\" backup_date=\"(\\d+)\" type=\"full\">"));
    const QRegularExpressionMatch match = root.match(QString::fromUtf8(buffer.data()));
    QCOMPARE(match.hasMatch(), suffix == QLatin1String("xml"));
    QVERIFY(qAbs(match.captured(1).toLongLong() - QDateTime::currentMSecsSinceEpoch()) < 60000 ||
            !match.hasMatch());
    QCOMPARE(QString::fromUtf8(buffer.data()).replace(root, ">").toUtf8(), expected);
}

void TestFormats::columnMapAndRecords()
{
    const QHash<QString, int> columns = columnIndexMap({"send", "date", "send", "x"});
    QCOMPARE(columns.value("send"), 2); // the later of two equal names
    QCOMPARE(fieldByName(columns, {"a", "b"}, "date", "d"), QStringLiteral("b"));
    QCOMPARE(fieldByName(columns, {"a", "b"}, "send", "d"), QStringLiteral("d")); // past the end
    QCOMPARE(fieldByName(columns, {"a", "b"}, "nothing", "d"), QStringLiteral("d"));
    QCOMPARE(fieldByName({{"neg", -1}}, {"a"}, "neg", "d"), QStringLiteral("d"));

    const CSVBackupReader reader(nullptr, nullptr);
    const QHash<QString, int> own = columnIndexMap({"send", "date", "number", "person", "content"});
    const SMSInfo sent = reader.recordToSMS(own, {"1", "2012-02-29 23:59:59", "555", "Ann", "hi"});
    QCOMPARE(keys({sent}), keys({makeSMS("555", "Ann", "hi", true, at(2012, 2, 29, 23, 59, 59))}));
    QCOMPARE(sent.smsId, 0);
    QVERIFY(!reader.recordToSMS(own, {"2", "2012-03-04 05:06:07"}).isSend);
    const SMSInfo shortRecord = reader.recordToSMS(
        columnIndexMap({"date", "number", "content", "send"}), {"2012-03-04 05:06:07", "1"});
    QVERIFY(!shortRecord.isSend);
    QVERIFY(shortRecord.body.isEmpty());
    for (const char* bad : {"04/03/2012 10:00", "2012-02-30 10:00:00", "2012-03-04 24:00:00",
                            "2012-03-04 05:06:0x", "2012-03-04T05:06:07", ""})
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 reader.recordToSMS(own, {"1", bad, "1", "", "x"}));
}

void TestFormats::xmlReadsWhatItWrote()
{
    // The backup app's format both ways, without a file or a job.
    const QList<SMSInfo> written = awkwardMessages();
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    XMLBackupSMS writer;
    writer.writeHeader(&buffer, written.size());
    for (const SMSInfo& sms : written)
        writer.writeSMS(&buffer, sms);
    writer.writeFooter(&buffer);
    buffer.seek(0);
    XMLBackupReader reader(&buffer);
    QList<SMSInfo> read;
    for (SMSInfo sms; reader.next(sms);)
        read.append(sms);
    QCOMPARE(keys(read), keys(written));
}

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
