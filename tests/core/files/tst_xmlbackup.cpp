// The XML backup format read back: one table of files, each previewed and imported, which must
// agree (the same records, or the same error, and nothing stored after an error); the round
// trip through export and import; cancelling the streaming import.

#include <QBuffer>
#include <QtTest>

#include "core/files/LocalBackupThread.h"
#include "core/files/LocalImportXMLThread.h"
#include "core/files/LocalPreviewXMLThread.h"
#include "core/files/SurrogateJoiningDevice.h"
#include "core/store/SMSCursorSource.h"
#include "core/store/SMSListSource.h"
#include "core/store/StoreSMS.h"
#include "support/FilesTestSupport.h"

using namespace filestest;

namespace {

const QByteArray declaration = "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n";

// One message as a phone writes it; `body` and `date` go in as written.
QByteArray smsElement(const QByteArray& body, const QByteArray& type = "1",
                      const QByteArray& date = "1331010367000",
                      const QByteArray& name = "(Unknown)")
{
    return "  <sms protocol=\"0\" address=\"+4917012345\" date=\"" + date + "\" type=\"" + type +
           "\" subject=\"null\" body=\"" + body +
           "\" toa=\"null\" sc_toa=\"null\" service_center=\"null\" read=\"1\" status=\"-1\" "
           "locked=\"0\" date_sent=\"0\" sub_id=\"1\" readable_date=\"Mar 6, 2012 6:06:07 AM\" "
           "contact_name=\"" +
           name + "\" />\n";
}

// The same text in UTF-16, with its byte-order mark.
QByteArray utf16(QByteArray utf8, bool bigEndian)
{
    QStringEncoder encoder(bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                           QStringConverter::Flag::WriteBom);
    return encoder(QString::fromUtf8(utf8.replace("'UTF-8'", "'UTF-16'")));
}

QByteArray backup(const QByteArray& elements, const QByteArray& root = "<smses count=\"9\">")
{
    return declaration + root + "\n" + elements + "</smses>\n";
}

SMSInfo received(const QString& body, qint64 millis = 1331010367000, const QString& person = {})
{
    return makeSMS("+4917012345", person, body, false, QDateTime::fromMSecsSinceEpoch(millis));
}

} // namespace

class TestXMLBackup : public QObject
{
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_account.open(QStringLiteral("x%1.db").arg(++m_accounts))); }
    void readFiles_data();
    void readFiles();
    void roundTrip();
    void cancelledImportStoresNothing();
    void longRunStopsReading();
    void cancelWhileSkipping();

private:
    TestAccount m_account;
    QTemporaryDir m_dir;
    int m_accounts = 0;
};

void TestXMLBackup::readFiles_data()
{
    // Either the records read and what was said about the skipped ones, or the error.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<SMSInfo>>("records");
    QTest::addColumn<QString>("skipped");
    QTest::addColumn<QString>("error");
    const auto read = [](const char* name, const QByteArray& bytes, const QList<SMSInfo>& records,
                         const QString& skipped = {}) {
        QTest::newRow(name) << bytes << records << skipped << QString();
    };
    const auto refused = [](const char* name, const QByteArray& bytes, const QString& error) {
        QTest::newRow(name) << bytes << QList<SMSInfo>{} << QString() << error;
    };
    const QString otherTypes = QStringLiteral("Skipped %1 SMS that were neither received nor sent "
                                              "(drafts, outbox, failed or queued).");
    const QString at = QStringLiteral("Error in the XML file at line %1, column %2: ");
    const QString replaced = QStringLiteral("Replaced %1 broken characters (halves of UTF-16 "
                                            "surrogate pairs) with U+FFFD in %2 messages.");

    read("phone file",
         declaration + "<!-- made on a phone -->\n<smses count=\"8\" backup_set=\"b1\">\n" +
             smsElement("Hi &#55357;&#56832; there&#10;second, &quot;line&quot;", "1",
                        "1331010367000", "Ann &amp; Bob") +
             smsElement("&#xD83D;&#xDE00; привет &lt;b&gt; &amp; 你好", "2", "1331010368999") +
             smsElement("draft", "3") + smsElement("outbox", "4") + smsElement("failed", "5") +
             smsElement("queued", "6") + smsElement("no type", "") +
             "  <mms date=\"1331010369000\" msg_box=\"1\">\n    <parts>\n      <part seq=\"0\" "
             "ct=\"text/plain\" text=\"hello\" data=\"AAAA\" />\n    </parts>\n  </mms>\n"
             "</smses>\n",
         {received("Hi 😀 there\nsecond, \"line\"", 1331010367000, "Ann & Bob"),
          makeSMS("+4917012345", "", "😀 привет <b> & 你好", true,
                  QDateTime::fromMSecsSinceEpoch(1331010368999))},
         otherTypes.arg(5) + " Skipped 1 MMS (multimedia messages are not imported).");
    read("date not a number",
         backup(smsElement("one") + smsElement("bad", "1", "yesterday") +
                smsElement("bad too", "2", "") + smsElement("two", "1", "1331010367001")),
         {received("one"), received("two", 1331010367001)},
         "Skipped 2 SMS whose date is not a number.");
    read("no count, nothing in it", backup("", "<smses>"), {});
    read("1 MiB body, and one more byte",
         backup(smsElement(QByteArray(1 << 20, 'x')) +
                smsElement(QByteArray((1 << 20) - 1, 'x') + "&#252;")),
         {received(QString(1 << 20, u'x'))}, "Skipped 1 SMS whose text is larger than 1 MiB.");
    read("lone halves replaced",
         backup(smsElement("one") + smsElement("ab&#55357;cd") +
                smsElement("&#56832;&#xd83d;&#65;")),
         {received("one"), received("ab\uFFFDcd"), received("\uFFFD\uFFFDA")},
         replaced.arg(3).arg(2));
    // UTF-16 in both byte orders: units whose bytes read "&#56832;" are no reference.
    const QByteArray utf16Body = "\u2326\u3635\u3338\u3B32 &#55357;&#56832;";
    for (bool bigEndian : {false, true})
        read(bigEndian ? "UTF-16BE" : "UTF-16LE", utf16(backup(smsElement(utf16Body)), bigEndian),
             {received("\u2326\u3635\u3338\u3B32 😀")});
    // Bodies that put the surrogate pair of "😀" a few bytes before the end of the first chunk the
    // filter reads, and the two bytes of "ü" across the end of the second.
    const QByteArray head = declaration + "<smses count=\"1\">\n" + smsElement("");
    for (int offset : {1, 4, 8, 9, 15}) {
        const qsizetype start = head.indexOf("body=\"") + 6;
        const QByteArray body = QByteArray(65536 - offset - start, 'x') + "&#55357;&#56832;" +
                                QByteArray(offset - 16 + 65535, 'y') + "üz";
        read(qPrintable(QStringLiteral("pair %1 bytes before a chunk's end").arg(offset)),
             backup(smsElement(body), "<smses count=\"1\">"),
             {received(QString(65536 - offset - start, u'x') + "😀" +
                       QString(offset - 16 + 65535, u'y') + "üz")});
    }

    // Malformed or missing: an error naming the file (and line and column), nothing stored.
    refused("truncated", backup(smsElement("one") + smsElement("two")).left(400),
            at.arg(4).arg(56) + "Premature end of document.");
    refused("no such file", "(none)", "No such file or directory");
    refused("empty file", QByteArray(), at.arg(1).arg(0) + "Premature end of document.");
    refused("CSV file", "send,date,number,person,content\n",
            at.arg(1).arg(1) + "Start tag expected.");
    refused("another XML format", declaration + "<html><body>hello</body></html>",
            "This XML file is not an SMS backup: its root element is <html>, not <smses>.");
    refused("billion laughs",
            declaration +
                "<!DOCTYPE smses [<!ENTITY a \"aaaaaaaaaa\">"
                "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>\n" +
                "<smses count=\"1\">" + smsElement("&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;") + "</smses>",
            at.arg(2).arg(175) +
                "An SMS backup has no document type declaration; its entities are not read.");
    // The column counts the pair before it as written.
    refused("undeclared entity after a pair",
            backup(smsElement("one") + smsElement("&#55357;&#56832;&lol;")),
            at.arg(4).arg(114) + "Entity 'lol' not declared.");
    refused("UTF-16, undeclared entity after a pair",
            utf16(backup(smsElement("one") + smsElement("&#55357;&#56832;&lol;")), false),
            at.arg(4).arg(114) + "Entity 'lol' not declared.");
    refused("second root", backup(smsElement("one")) + "<smses/>\n",
            at.arg(5).arg(8) + "Extra content at end of document.");
}

void TestXMLBackup::readFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<SMSInfo>, records);
    QFETCH(QString, skipped);
    QFETCH(QString, error);
    const QString file = bytes == "(none)" ? m_dir.filePath(QStringLiteral("none.xml"))
                                           : writeFile(m_dir.filePath("backup.xml"), bytes);
    const QString suffix = skipped.isEmpty() ? QString() : QLatin1Char(' ') + skipped;

    LocalPreviewXMLThread preview(file);
    const jobtest::RunResult previewed = jobtest::runRecorded(preview);
    LocalImportXMLThread import(file);
    const jobtest::RunResult imported = jobtest::runRecorded(import);
    if (!error.isEmpty()) {
        QCOMPARE(previewed.kind, JobOutcome::Failed);
        QCOMPARE(previewed.text, file + ": " + error);
        QCOMPARE(imported.kind, JobOutcome::Failed);
        QCOMPARE(imported.text, previewed.text);
        QVERIFY(preview.smsList().isEmpty());
        QCOMPARE(storedBodies(), QStringList());
        return;
    }
    QCOMPARE(previewed.text,
             QStringLiteral("Successfully load %1 SMS.").arg(records.size()) + suffix);
    QCOMPARE(keys(preview.smsList()), keys(records));
    QCOMPARE(imported.text,
             QStringLiteral("Successfully import %1 SMS.").arg(records.size()) + suffix);
    QCOMPARE(import.storedCount(), records.size());
    QCOMPARE(previewed.percents().last(), 100);
    QCOMPARE(imported.percents().last(), 100);
    QCOMPARE(keys(storedMessages()), keys(records));
}

void TestXMLBackup::roundTrip()
{
    // Stored, exported, imported into a second account: the same rows; the same file again
    // stores nothing and reports every record.
    QList<SMSInfo> messages = awkwardMessages();
    messages.append(
        makeSMS("555", "Tab\there", "cr\ronly, tab\t, 𝄞 ∑ ☃", true, at(2019, 5, 6, 7, 8, 9)));
    QVERIFY(importList(messages).succeeded());
    const QString rows = dump();
    const QString file = m_dir.filePath(QStringLiteral("round.xml"));
    SMSCursorSource source(
        currentDatabase()->queryThrow(Sqlite3Sql("select * from sms order by sms_id")));
    LocalBackupThread exportJob(&source, file);
    QVERIFY(jobtest::runRecorded(exportJob).succeeded());
    QVERIFY(!readFile(file).contains("&#55")); // real UTF-8, no surrogate references

    QVERIFY(m_account.open(QStringLiteral("round-trip.db")));
    for (int round = 0; round < 2; ++round) {
        LocalImportXMLThread import(file);
        const jobtest::RunResult run = jobtest::runRecorded(import);
        QCOMPARE(run.text, QStringLiteral("Successfully import %1 SMS.").arg(messages.size()));
        QCOMPARE(import.storedCount(), round == 0 ? messages.size() : 0);
        QCOMPARE(dump(), rows);
    }
}

void TestXMLBackup::cancelledImportStoresNothing()
{
    importList(generated(3, "earlier"));
    const QString before = dump();
    const QString file = m_dir.filePath(QStringLiteral("cancel.xml"));
    SMSListSource source(generated(5000));
    LocalBackupThread exportJob(&source, file);
    QVERIFY(jobtest::runRecorded(exportJob).succeeded());
    LocalImportXMLThread import(file);
    connect(&import, &JobThread::updateProgress, &import, &JobThread::requestCancel,
            Qt::DirectConnection);
    QCOMPARE(jobtest::runRecorded(import).kind, JobOutcome::Cancelled);
    QCOMPARE(dump(), before);
}

void TestXMLBackup::longRunStopsReading()
{
    // An element longer than the limit is not handed to the XML reader, which would hold it
    // whole; the data ends before it.
    QByteArray bytes = "<smses>\n  <sms body=\"" + QByteArray(40, 'x') + "\"/>\n  <sms body=\"";
    const qsizetype cut = bytes.lastIndexOf('<');
    bytes += QByteArray(200, 'x') + "\"/>\n</smses>\n";
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    SurrogateJoiningDevice device(&file, 100);
    QCOMPARE(device.readAll(), bytes.left(cut));
    QCOMPARE(device.error(), SurrogateJoiningDevice::Error::RunTooLong);
    QCOMPARE(device.errorLine(), 3);
    QCOMPARE(device.errorColumn(), 3);
}

void TestXMLBackup::cancelWhileSkipping()
{
    // Nothing but records to skip: no message to hand out, and still a cancel ends the jobs.
    const QString file = writeFile(m_dir.filePath(QStringLiteral("mms.xml")),
                                   backup(QByteArray("  <mms/>\n").repeated(1000000)));
    LocalPreviewXMLThread preview(file);
    LocalImportXMLThread import(file);
    for (JobThread* job : {static_cast<JobThread*>(&preview), static_cast<JobThread*>(&import)}) {
        jobtest::RunResult run;
        QVERIFY(jobtest::cancelAfter(*job, 20, &run) < 1000);
        QCOMPARE(run.kind, JobOutcome::Cancelled);
    }
}

QTEST_GUILESS_MAIN(TestXMLBackup)
#include "tst_xmlbackup.moc"
