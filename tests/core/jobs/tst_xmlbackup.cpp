// The XML backup format read back: one table of files, each previewed and imported, which must
// agree (the same records, or the same error, and nothing stored after an error); the round
// trip through export and import; cancelling the streaming import.

#include <QBuffer>
#include <QtTest>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

#include "core/format/SurrogateJoiningDevice.h"
#include "core/jobs/ExportJob.h"
#include "core/jobs/XMLImportJob.h"
#include "core/jobs/XMLPreviewJob.h"
#include "core/store/ConversationQuery.h"
#include "core/store/MMSStore.h"
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

// A part as the app writes one; `more` adds text or data.
QByteArray part(const QByteArray& ct, const QByteArray& name, const QByteArray& more)
{
    return "      <part seq=\"0\" ct=\"" + ct + "\" name=\"" + name +
           "\" chset=\"null\" cd=\"null\" fn=\"null\" cid=\"&lt;" + name + "&gt;\" cl=\"" + name +
           "\" ctt_s=\"null\" ctt_t=\"null\" " + more + " />\n";
}

QByteArray addr(const QByteArray& address, const QByteArray& type)
{
    return "      <addr address=\"" + address + "\" type=\"" + type + "\" charset=\"106\" />\n";
}

QByteArray mmsElement(const QByteArray& parts, const QByteArray& address = "+4917011111",
                      const QByteArray& box = "1", const QByteArray& date = "1331010369000")
{
    QByteArray addrs;
    for (const QByteArray& party : address.split('~'))
        addrs += party.isEmpty() ? QByteArray() : addr(party, box == "2" ? "151" : "137");
    return "  <mms date=\"" + date + "\" msg_box=\"" + box + "\" address=\"" + address +
           "\" m_type=\"132\" ct_t=\"application/vnd.wap.multipart.related\" sub=\"null\" "
           "read=\"1\" contact_name=\"(Unknown)\">\n    <parts>\n" +
           parts + "    </parts>\n    <addrs>\n" + addrs + "    </addrs>\n  </mms>\n";
}

// Stored MMS, one line each: number, conversation, text, and each part's type and data size.
QStringList storedMMS(Sqlite3DB* db = currentDatabase())
{
    QStringList rows;
    Sqlite3Cursor cursor = db->queryThrow(Sqlite3Sql(
        "select s.address || '|' || s.suffix || '|' || s.body || '|' || ifnull((select "
        "group_concat(ct || '=' || ifnull(length(data), '-'), ',') from mms_part p where "
        "p.sms_id = s.sms_id), '') from sms s join mms m on m.sms_id = s.sms_id order by 1"));
    while (cursor.moveNext())
        rows.append(cursor.getText(0));
    return rows;
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
    void importMMS_data();
    void importMMS();
    void mmsRoundTrip();

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
             smsElement("queued", "6") + smsElement("no type", "") + "</smses>\n",
         {received("Hi 😀 there\nsecond, \"line\"", 1331010367000, "Ann & Bob"),
          makeSMS("+4917012345", "", "😀 привет <b> & 你好", true,
                  QDateTime::fromMSecsSinceEpoch(1331010368999))},
         otherTypes.arg(5));
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

    XMLPreviewJob preview(file);
    const jobtest::RunResult previewed = jobtest::runRecorded(preview);
    XMLImportJob import(file);
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
    ExportJob exportJob(&source, file);
    QVERIFY(jobtest::runRecorded(exportJob).succeeded());
    QVERIFY(!readFile(file).contains("&#55")); // real UTF-8, no surrogate references

    QVERIFY(m_account.open(QStringLiteral("round-trip.db")));
    for (int round = 0; round < 2; ++round) {
        XMLImportJob import(file);
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
    ExportJob exportJob(&source, file);
    QVERIFY(jobtest::runRecorded(exportJob).succeeded());
    XMLImportJob import(file);
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
    XMLPreviewJob preview(file);
    XMLImportJob import(file);
    for (JobThread* job : {static_cast<JobThread*>(&preview), static_cast<JobThread*>(&import)}) {
        jobtest::RunResult run;
        QVERIFY(jobtest::cancelAfter(*job, 20, &run) < 1000);
        QCOMPARE(run.kind, JobOutcome::Cancelled);
    }
}

void TestXMLBackup::importMMS_data()
{
    // The result's text (or error) and the MMS stored.
    QTest::addColumn<QByteArray>("elements");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QStringList>("stored");
    const QByteArray text = part("text/plain", "text_0.txt", "text=\"Hi &#55357;&#56832;\"");
    const QByteArray picture = part("image/jpeg", "IMG_1.jpg", "data=\"/9j/4AAQ\"");
    const QString ok = QStringLiteral("Successfully import 0 SMS. Imported %1 MMS.");
    QTest::newRow("text and picture")
        << mmsElement(text + picture) << ok.arg(1)
        << QStringList{"+4917011111|917011111|Hi 😀|text/plain=-,image/jpeg=6"};
    // Wrapped Base64 in UTF-16: decoded as in UTF-8, a lone half replaced and counted.
    QTest::newRow("UTF-16BE, lone half")
        << utf16(backup(mmsElement(part("text/plain", "t.txt", "text=\"Hi &#55357;\"") +
                                   part("image/png", "b.png", "data=\"QUJD\nREVG\""))),
                 true)
        << ok.arg(1) + " Replaced 1 broken characters (halves of UTF-16 surrogate pairs) with "
                       "U+FFFD in 1 messages."
        << QStringList{"+4917011111|917011111|Hi \uFFFD|text/plain=-,image/png=6"};
    QTest::newRow("group, sent, twice")
        << mmsElement(text, "+4917011111~0170 22222~Bank").repeated(2) << ok.arg(2)
        << QStringList{"+4917011111, 0170 22222, Bank|017022222,917011111,Bank|Hi 😀|text/plain=-"};
    QTest::newRow("broken Base64, data on a text part")
        << mmsElement(part("image/png", "a.png", "data=\"AB$C\"") +
                      part("text/plain", "t.txt", "data=\"aGVsbG8=\"") +
                      part("image/png", "b.png", "data=\"QUJD&#10;RE\nVG\"") +
                      part("image/png", "c.png", "data=\"&" + QByteArray(100, 'A') + "\""))
        << ok.arg(1) + " Kept 1 MMS without 2 attachments whose data was broken or too large."
        << QStringList{"+4917011111|917011111|hello|text/plain=5,image/png=6"};
    QTest::newRow("no addresses, large attachment")
        << mmsElement(part("video/mp4", "v.mp4", "data=\"" + QByteArray(3 << 20, 'A') + "\""), "")
        << ok.arg(1) << QStringList{"Unknown|Unknown||video/mp4=2359296"};
    QTest::newRow("text parts together over 1 MiB")
        << mmsElement(part("text/plain", "a.txt", "text=\"" + QByteArray(1 << 19, 'a') + "\"") +
                      part("text/plain", "b.txt", "text=\"" + QByteArray(1 << 19, 'b') + "\""))
        << QStringLiteral("Successfully import 0 SMS. Skipped 1 SMS whose text is larger than "
                          "1 MiB.")
        << QStringList{};
    QTest::newRow("draft, date not a number")
        << mmsElement(text, "1", "3") + mmsElement(text, "1", "1", "soon")
        << QStringLiteral("Successfully import 0 SMS. Skipped 2 MMS that were neither received "
                          "nor sent or whose date is not a number.")
        << QStringList{};
    QTest::newRow("truncated") << smsElement("one") + mmsElement(picture).left(300)
                               << QStringLiteral("mms.xml: Error in the XML file at line 6, "
                                                 "column 122: Premature end of document.")
                               << QStringList{};
    const QByteArray wrapped = mmsElement(part("image/png", "b.png", "data=\"QUJD\nREVG\nQU"));
    QTest::newRow("cut off in wrapped data")
        << smsElement("one") + wrapped.left(wrapped.indexOf("\nQU ") + 3)
        << QStringLiteral("mms.xml: Error in the XML file at line 8, column 0: Premature end of "
                          "document.")
        << QStringList{};
}

void TestXMLBackup::importMMS()
{
    QFETCH(QByteArray, elements);
    QFETCH(QString, result);
    QFETCH(QStringList, stored);
    const QByteArray bytes = elements.startsWith("\xFE\xFF") ? elements
                             : elements.endsWith(">\n")      ? backup(elements)
                                                             : declaration + "<smses>\n" + elements;
    const QString file = writeFile(m_dir.filePath(QStringLiteral("mms.xml")), bytes);
    XMLImportJob import(file);
    const QString text = jobtest::runRecorded(import).text;
    QVERIFY2(text == result || text.endsWith(QDir::separator() + result), qPrintable(text));
    // The preview's page holds no MMS, and it says so.
    XMLPreviewJob preview(file);
    QCOMPARE(jobtest::runRecorded(preview).text.contains(" MMS (multimedia messages are not "
                                                         "previewed)."),
             result.startsWith(u"Successfully"));
    QCOMPARE(storedMMS(), stored);
    QCOMPARE(scalar("select count(*) from sms"), stored.size());
}

void TestXMLBackup::mmsRoundTrip()
{
    // Pictures, audio and a group, among SMS: imported, exported, imported into a second
    // account and exported again give the same file; the attachments keep their bytes.
    QList<QByteArray> blobs;
    QByteArray elements = smsElement("before");
    for (int i = 0; i < 4; ++i) {
        QByteArray bytes(i * 150000 + 7, Qt::Uninitialized);
        for (qsizetype b = 0; b < bytes.size(); ++b)
            bytes[b] = char((b * 7 + i) % 251);
        blobs.append(bytes);
        const QByteArray name = "IMG_" + QByteArray::number(i) + (i % 2 ? ".jpg" : ".amr");
        elements += mmsElement(part("application/smil", "smil.xml", "text=\"&lt;smil/&gt;\"") +
                                   part(i % 2 ? "image/jpeg" : "audio/amr", name,
                                        "text=\"null\" data=\"" + bytes.toBase64() + "\""),
                               i == 3 ? "555~666" : "555", i == 2 ? "2" : "1",
                               QByteArray::number(1331010369000 + i * 1000));
    }
    // An SMS through another SIM: its subscription id comes back too.
    elements += smsElement("after", "1", "1331010999000").replace("sub_id=\"1\"", "sub_id=\"2\"");
    const QString original = writeFile(m_dir.filePath(QStringLiteral("app.xml")), backup(elements));
    QStringList exported;
    for (const QString& from : {original, m_dir.filePath(QStringLiteral("out0.xml"))}) {
        QVERIFY(m_account.open(QStringLiteral("rt%1.db").arg(exported.size())));
        XMLImportJob import(from);
        QCOMPARE(jobtest::runRecorded(import).text,
                 QStringLiteral("Successfully import 2 SMS. Imported 4 MMS."));
        for (int i = 0; i < blobs.size(); ++i)
            QCOMPARE(mmsPartBytes(currentDatabase(),
                                  scalar(QStringLiteral(
                                             "select part_id from mms_part where length(data) = %1")
                                             .arg(blobs[i].size()))),
                     blobs[i]);
        SMSCursorSource source(
            currentDatabase()->queryThrow(Sqlite3Sql("select * from view_sms order by date asc")));
        exported.append(m_dir.filePath(QStringLiteral("out%1.xml").arg(exported.size())));
        ExportJob exportJob(&source, exported.last());
        QVERIFY(jobtest::runRecorded(exportJob).succeeded());
    }
    QCOMPARE(withoutBackupSet(readFile(exported[1])), withoutBackupSet(readFile(exported[0])));
    for (const char* subId : {"1", "2"})
        QVERIFY(readFile(exported[0]).contains(QByteArray("date_sent=\"0\" sub_id=\"") + subId));
    // Text formats: the text and a placeholder per attachment.
    SMSCursorSource source(currentDatabase(), wholeAccountQuery());
    ExportJob textExport(&source, m_dir.filePath(QStringLiteral("out.csv")));
    QCOMPARE(jobtest::runRecorded(textExport).text,
             QStringLiteral("Successfully export 2 SMS and 4 MMS."));
    QVERIFY(readFile(m_dir.filePath(QStringLiteral("out.csv")))
                .contains("0,2012-03-06 05:06:12,\"555, 666\",,[image: IMG_3.jpg]\n"));
    QVERIFY(
        readFile(exported[0]).contains("<addr address=\"666\" type=\"137\" charset=\"106\" />"));
    // A write the system takes in part (a full disk) inside an attachment: the file and why.
    rlimit usual{};
    getrlimit(RLIMIT_FSIZE, &usual);
    rlimit small = usual;
    small.rlim_cur = 64 * 1024;
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    SMSCursorSource again(currentDatabase(), wholeAccountQuery());
    ExportJob full(&again, m_dir.filePath(QStringLiteral("full.xml")));
    const QString failure = jobtest::runRecorded(full).text;
    setrlimit(RLIMIT_FSIZE, &usual);
    QCOMPARE(failure, m_dir.filePath(QStringLiteral("full.xml: ")) +
                          QString::fromLocal8Bit(std::strerror(EFBIG)));
}

QTEST_GUILESS_MAIN(TestXMLBackup)
#include "tst_xmlbackup.moc"
