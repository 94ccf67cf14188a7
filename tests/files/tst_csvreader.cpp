// The CSV reader: dialect rules, byte-order mark, record ends, counting, read failures.

#include <QBuffer>
#include <QTemporaryFile>
#include <QtTest>

#include "files/CSVReader.h"

namespace {

// A device whose reads fail after a number of bytes, to reach the reader's failure path.
class FailingDevice : public QIODevice
{
public:
    FailingDevice(const QByteArray& data, qint64 failAt) : m_data(data), m_failAt(failAt)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        setErrorString(QStringLiteral("simulated read failure"));
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_pos >= m_failAt)
            return -1;
        const qint64 n = qMin(maxSize, qMin<qint64>(m_failAt, m_data.size()) - m_pos);
        memcpy(data, m_data.constData() + m_pos, n);
        m_pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_failAt;
    qint64 m_pos = 0;
};

struct Row
{
    bool more;
    QStringList fields;
};

Row readRow(QIODevice& device, bool skipBom)
{
    Row row;
    row.more = utf8CSVRow(&row.fields, &device, skipBom);
    return row;
}

QList<Row> readAll(const QByteArray& bytes, bool skipBomFirst = true)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QList<Row> rows;
    bool first = true;
    for (;;) {
        rows.append(readRow(buffer, first && skipBomFirst));
        first = false;
        if (!rows.last().more)
            return rows;
    }
}

} // namespace

class TestCSVReader : public QObject
{
    Q_OBJECT
private slots:
    void fieldsAndRecordEnds_data();
    void fieldsAndRecordEnds();
    void byteOrderMark();
    void byteOrderMarkPeekKeepsShortLines();
    void emptyDevice();
    void appendsWithoutClearing();
    void minFieldsSkipsShortRecords();
    void minFieldsAtEnd();
    void totalRecordsCountsOutsideQuotes_data();
    void totalRecordsCountsOutsideQuotes();
    void totalRecordsFromCurrentPosition();
    void readFailureThrows();
    void readerLeavesPositionAfterRecord();
    void longRecordsAcrossChunks();
    void utf8AndZeroBytes();
    void backslashEscapes();
};

void TestCSVReader::fieldsAndRecordEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("more");

    QTest::newRow("crlf header") << QByteArray("send,date,number,person,content\r\n")
                                 << QStringList{"send", "date", "number", "person", "content"}
                                 << true;
    QTest::newRow("quoted comma and lf")
        << QByteArray("a,\"b,c\nd\",e\n") << QStringList{"a", "b,c\nd", "e"} << true;
    QTest::newRow("doubled quote")
        << QByteArray("\"say \"\"hi\"\"\",x\n") << QStringList{"say \"hi\"", "x"} << true;
    QTest::newRow("quote starts mid-field")
        << QByteArray("ab\"c,d\"e\n") << QStringList{"abc,de"} << true;
    QTest::newRow("quotes after closed section are plain")
        << QByteArray("\"a\"b\"c,d\n") << QStringList{"ab\"c", "d"} << true;
    QTest::newRow("cr outside quotes dropped")
        << QByteArray("a\rb,c\r\n") << QStringList{"ab", "c"} << true;
    QTest::newRow("cr lf inside quotes kept")
        << QByteArray("\"a\r\nb\"\n") << QStringList{"a\r\nb"} << true;
    QTest::newRow("blank line") << QByteArray("\n") << QStringList{""} << true;
    QTest::newRow("last record without lf") << QByteArray("x,y") << QStringList{"x", "y"} << false;
    QTest::newRow("unclosed quote runs to end")
        << QByteArray("\"a,b\nc") << QStringList{"a,b\nc"} << false;
    QTest::newRow("empty fields") << QByteArray(",,\n") << QStringList{"", "", ""} << true;
    QTest::newRow("four quotes") << QByteArray("\"\"\"\"\n") << QStringList{"\""} << true;
}

void TestCSVReader::fieldsAndRecordEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
    QFETCH(bool, more);
    QBuffer buffer;
    buffer.setData(bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const Row row = readRow(buffer, false);
    QCOMPARE(row.fields, fields);
    QCOMPARE(row.more, more);
}

void TestCSVReader::byteOrderMark()
{
    const QByteArray bytes("\xEF\xBB\xBFsend,date\n");
    QBuffer skipping;
    skipping.setData(bytes);
    skipping.open(QIODevice::ReadOnly);
    QCOMPARE(readRow(skipping, true).fields, (QStringList{"send", "date"}));

    QBuffer keeping;
    keeping.setData(bytes);
    keeping.open(QIODevice::ReadOnly);
    const Row row = readRow(keeping, false);
    QCOMPARE(row.fields.first(), QString(QChar(0xFEFF)) + QStringLiteral("send"));
}

void TestCSVReader::byteOrderMarkPeekKeepsShortLines()
{
    // Looking for the mark must not take the bytes of a short first line or of the next one.
    const QList<Row> rows = readAll(QByteArray("\nab\nc\n"), true);
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows.at(0).fields, QStringList{""});
    QCOMPARE(rows.at(1).fields, QStringList{"ab"});
    QCOMPARE(rows.at(2).fields, QStringList{"c"});

    QBuffer buffer;
    buffer.setData(QByteArray("x\nsend,date,number,content\n"));
    buffer.open(QIODevice::ReadOnly);
    QStringList header;
    QVERIFY(readCSVRecordMinFields(&header, &buffer, 4));
    QCOMPARE(header, (QStringList{"send", "date", "number", "content"}));

    // Two bytes that are not a mark, then the end.
    QBuffer shortDevice;
    shortDevice.setData(QByteArray("\xEF\xBB"));
    shortDevice.open(QIODevice::ReadOnly);
    const Row row = readRow(shortDevice, true);
    QCOMPARE(row.more, false);
    QCOMPARE(row.fields.first().toUtf8(), QString::fromUtf8("\xEF\xBB").toUtf8());
}

void TestCSVReader::emptyDevice()
{
    QBuffer empty;
    empty.open(QIODevice::ReadOnly);
    QStringList fields;
    QVERIFY(!utf8CSVRow(&fields, &empty, true));
    QVERIFY(fields.isEmpty());
    QVERIFY(!utf8CSVRow(&fields, &empty, false));
    QCOMPARE(fields, QStringList{""});
}

void TestCSVReader::appendsWithoutClearing()
{
    QBuffer buffer;
    buffer.setData(QByteArray("c,d\n"));
    buffer.open(QIODevice::ReadOnly);
    QStringList fields{"a", "b"};
    QVERIFY(utf8CSVRow(&fields, &buffer, false));
    QCOMPARE(fields, (QStringList{"a", "b", "c", "d"}));
}

void TestCSVReader::minFieldsSkipsShortRecords()
{
    QBuffer buffer;
    buffer.setData(QByteArray("a,b,c\n\ntitle\n1,2,3,4\n5,6\n"));
    buffer.open(QIODevice::ReadOnly);
    QStringList fields;
    QVERIFY(readCSVRecordMinFields(&fields, &buffer, 4));
    QCOMPARE(fields, (QStringList{"1", "2", "3", "4"}));
    fields.clear();
    QVERIFY(utf8CSVRow(&fields, &buffer, false));
    QCOMPARE(fields, (QStringList{"5", "6"}));
}

void TestCSVReader::minFieldsAtEnd()
{
    // A last record without line feed: false, yet the fields are there.
    QBuffer buffer;
    buffer.setData(QByteArray("a\nsend,date,number,content"));
    buffer.open(QIODevice::ReadOnly);
    QStringList fields;
    QVERIFY(!readCSVRecordMinFields(&fields, &buffer, 4));
    QCOMPARE(fields.size(), 4);

    QBuffer none;
    none.setData(QByteArray("a,b\nc\n"));
    none.open(QIODevice::ReadOnly);
    fields.clear();
    QVERIFY(!readCSVRecordMinFields(&fields, &none, 4));
}

void TestCSVReader::totalRecordsCountsOutsideQuotes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    QTest::newRow("plain") << QByteArray("a\nb\nc\n") << 3;
    QTest::newRow("quoted lf") << QByteArray("\"a\nb\",c\nd\n") << 2;
    QTest::newRow("last without lf") << QByteArray("a\nb") << 1;
    QTest::newRow("blank lines count") << QByteArray("a\n\n\nb\n") << 4;
    QTest::newRow("doubled quotes") << QByteArray("\"x\"\"\n\"\ny\n") << 2;
    QTest::newRow("empty") << QByteArray() << 0;
}

void TestCSVReader::totalRecordsCountsOutsideQuotes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QCOMPARE(totalRecords(&buffer), count);
}

void TestCSVReader::totalRecordsFromCurrentPosition()
{
    QBuffer buffer;
    buffer.setData(QByteArray("h1,h2,h3,h4\nr1\nr2\n"));
    buffer.open(QIODevice::ReadOnly);
    QStringList header;
    QVERIFY(readCSVRecordMinFields(&header, &buffer, 4));
    QCOMPARE(totalRecords(&buffer), 2);
}

void TestCSVReader::readFailureThrows()
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

void TestCSVReader::readerLeavesPositionAfterRecord()
{
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write("one,1\ntwo,2\nthree");
    file.seek(0);
    QStringList fields;
    QVERIFY(utf8CSVRow(&fields, &file, true));
    QCOMPARE(file.pos(), qint64(6));
    fields.clear();
    QVERIFY(utf8CSVRow(&fields, &file, false));
    QCOMPARE(fields, (QStringList{"two", "2"}));
    QCOMPARE(file.readAll(), QByteArray("three"));
}

void TestCSVReader::longRecordsAcrossChunks()
{
    const QByteArray longField(200000, 'x');
    QByteArray bytes = "\"" + longField + "\n" + longField + "\"," + longField + "\nend\n";
    const QList<Row> rows = readAll(bytes);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).fields.size(), 2);
    QCOMPARE(rows.at(0).fields.at(0), QString::fromLatin1(longField + "\n" + longField));
    QCOMPARE(rows.at(0).fields.at(1).size(), longField.size());
    QCOMPARE(rows.at(1).fields, QStringList{"end"});
}

void TestCSVReader::utf8AndZeroBytes()
{
    const QString text = QStringLiteral("Grüße 😀 мир");
    QByteArray bytes = text.toUtf8() + ",a" + QByteArray(1, '\0') + "b\n";
    const QList<Row> rows = readAll(bytes);
    QCOMPARE(rows.at(0).fields.at(0), text);
    // A zero byte does not cut the rest of its field away.
    QCOMPARE(rows.at(0).fields.at(1), QString::fromUtf8(QByteArray("a\0b", 3)));
}

void TestCSVReader::backslashEscapes()
{
    const QByteArray bytes("a,\"say \\\"hi\\\", ok \\\\\",\"end \\\"\"\nnext\\x,y\n");
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QStringList fields;
    QVERIFY(utf8CSVRow(&fields, &buffer, false, CSVEscapes::Backslash));
    QCOMPARE(fields, (QStringList{"a", "say \\\"hi\\\", ok \\\\", "end \\\""}));
    fields.clear();
    // Outside quotes a backslash is an ordinary character.
    QVERIFY(utf8CSVRow(&fields, &buffer, false, CSVEscapes::Backslash));
    QCOMPARE(fields, (QStringList{"next\\x", "y"}));

    QBuffer counted;
    counted.setData(QByteArray("\"x\\\"\ny\"\nz\n"));
    counted.open(QIODevice::ReadOnly);
    QCOMPARE(totalRecords(&counted, CSVEscapes::Backslash), 2);
}

QTEST_GUILESS_MAIN(TestCSVReader)
#include "tst_csvreader.moc"
