// The other-phone importer: the plug-in's formats on made-up sample files through the whole
// preview path, the wrapper's loading rules, and the import-from-other-phone flow.

#include <QPushButton>
#include <QTranslator>
#include <QtTest>

#include "ImportFormats.h"
#include "app/ProgressForm.h"
#include "common/DialogRecorder.h"
#include "files/CSVImportFlows.h"
#include "files/CSVImporterPlugin.h"
#include "files/CSVPreviewForm.h"
#include "files/CSVReader.h"
#include "files/FilesTestSupport.h"
#include "files/LocalPreviewCSVThread.h"

using namespace filestest;

namespace {

const QString pluginDir = QStringLiteral(TB_CSVIMPORTER_DIR);
const QString dataDir = QStringLiteral(TB_FILES_DATA_DIR);

QString pluginPath()
{
    return QDir(pluginDir).filePath(QStringLiteral("csvimporter"));
}

QString sample(const char* name)
{
    return QDir(dataDir).filePath(QLatin1String(name));
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

QDateTime ms(qint64 value)
{
    return QDateTime::fromMSecsSinceEpoch(value);
}

// The two sample records the main window hands to the plug-in.
bool chooseFor(CSVImporterPlugin& plugin, const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QStringList first;
    QStringList second;
    if (readCSVRecordMinFields(&first, &f, 4))
        utf8CSVRow(&second, &f, false);
    return plugin.chooseFormat(first, second.size() < 2 ? first : second);
}

struct Preview
{
    int result = -1;
    QList<SMSInfo> list;
    int invalid = -1;
    QString box;
};

Preview previewWith(CSVImporterPlugin& plugin, const QString& file)
{
    DialogRecorder recorder;
    Preview preview;
    ProgressForm form(QStringLiteral("preview"));
    LocalPreviewCSVThread job(file, &form, &plugin);
    preview.result = runJob(form, job);
    preview.list = job.smsList();
    preview.invalid = job.invalidCount();
    preview.box = recorder.lastText();
    return preview;
}

void compareSMS(const SMSInfo& sms, bool isSend, const QDateTime& date, const QString& address,
                const QString& person, const QString& body)
{
    QCOMPARE(sms.isSend, isSend);
    QCOMPARE(sms.date, date);
    QCOMPARE(sms.address, address);
    QCOMPARE(sms.person, person);
    QCOMPARE(sms.body, body);
    QCOMPARE(sms.smsId, 0);
}

} // namespace

class TestCSVImporter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void phoneSuiteFile();
    void androidDatabaseFile();
    void handheldFile();
    void androidColumnsFile();
    void unknownFormatNotChosen();
    void phoneSuiteDates_data();
    void phoneSuiteDates();
    void handheldDates();
    void androidBodies_data();
    void androidBodies();
    void wrapperWithoutFormat();
    void wrapperLoadFailures();
    void wrapperFindsLibraryInSearchDirectory();
    void flowWarnsWhenNoFormatMatches();
    void flowPreviewsAndImports();
    void flowReportsUnreadableFile();
    void ownFormatFlowPreviewsAndImports();
    void ownFormatFlowCancelledDialog();

private:
    QTemporaryDir m_home;
    QTranslator m_translator;
};

void TestCSVImporter::initTestCase()
{
    storetest::isolateHome(m_home);
    QVERIFY(m_translator.load(QStringLiteral(":/en.qm")));
    QCoreApplication::installTranslator(&m_translator);
    QVERIFY(openFreshAccount(QStringLiteral("other.db")));
}

void TestCSVImporter::phoneSuiteFile()
{
    CSVImporterPlugin plugin(pluginPath());
    QVERIFY(chooseFor(plugin, sample("phone-suite.csv")));
    QVERIFY(!plugin.hasHeader());
    QCOMPARE(plugin.escapes(), CSVEscapes::DoubledQuotes);
    const Preview p = previewWith(plugin, sample("phone-suite.csv"));
    QCOMPARE(p.result, int(QDialog::Accepted));
    QCOMPARE(p.box, QStringLiteral("Successfully load 4 SMS. Found 1 invalid sms."));
    QCOMPARE(p.list.size(), 4);
    compareSMS(p.list[0], false, at(2010, 2, 19, 3, 18, 0), "+4917012345678", "",
               "Hello from the suite");
    compareSMS(p.list[1], true, at(2010, 2, 19, 3, 20, 45), "+4917012345678", "",
               "Reply, with a comma");
    compareSMS(p.list[2], false, at(2010, 2, 9, 7, 5, 0), "5550001", "", "Quoted \"body\" here");
    compareSMS(p.list[3], true, at(2010, 2, 9, 7, 6, 0), "5550001", "",
               "Unquoted body, with commas, kept");
}

void TestCSVImporter::androidDatabaseFile()
{
    CSVImporterPlugin plugin(pluginPath());
    QVERIFY(chooseFor(plugin, sample("android-database.csv")));
    QVERIFY(!plugin.hasHeader());
    const Preview p = previewWith(plugin, sample("android-database.csv"));
    QCOMPARE(plugin.escapes(), CSVEscapes::Backslash);
    QCOMPARE(p.box, QStringLiteral("Successfully load 6 SMS."));
    QCOMPARE(p.list.size(), 6);
    compareSMS(p.list[0], false, ms(1266567484000), "+15551230001", "", "Plain message");
    compareSMS(p.list[1], true, ms(1266567600000), "+15551230001", "", "He said \"hi\", then left");
    compareSMS(p.list[2], false, ms(1266567700000), "5550002", "",
               "Line one\nLine two \\ backslash");
    compareSMS(p.list[3], true, ms(1266567800000), "5550002", "", "Say \"no\" now");
    compareSMS(p.list[4], true, ms(1266567900000), "5550002", "", "Tabs\r\nand, commas");
    compareSMS(p.list[5], false, ms(1266568000000), "5550002", "", "Ends with a quote \"");
}

void TestCSVImporter::handheldFile()
{
    CSVImporterPlugin plugin(pluginPath());
    QVERIFY(chooseFor(plugin, sample("handheld.csv")));
    const Preview p = previewWith(plugin, sample("handheld.csv"));
    QCOMPARE(p.box, QStringLiteral("Successfully load 3 SMS. Found 1 invalid sms."));
    QCOMPARE(p.invalid, 1);
    QCOMPARE(p.list.size(), 3);
    compareSMS(p.list[0], false, utc(2010, 2, 19, 8, 18, 9), "+15551230003", "",
               "Received on the handheld");
    compareSMS(p.list[1], true, utc(2010, 2, 19, 8, 25, 0), "+15551230003", "",
               "Sent, with a comma");
    compareSMS(p.list[2], false, utc(2010, 7, 3, 21, 0, 2), "5550003", "", "Unquoted, commas, too");
}

void TestCSVImporter::androidColumnsFile()
{
    CSVImporterPlugin plugin(pluginPath());
    QVERIFY(chooseFor(plugin, sample("android-columns.csv")));
    QVERIFY(plugin.hasHeader());
    const Preview p = previewWith(plugin, sample("android-columns.csv"));
    QCOMPARE(p.box, QStringLiteral("Successfully load 3 SMS. Found 1 invalid sms."));
    QCOMPARE(p.list.size(), 3);
    compareSMS(p.list[0], false, ms(1266567484000), "+15551230004", "Carol", "Hello, from columns");
    compareSMS(p.list[1], true, ms(1266567500000), "+15551230004", "Carol", "Reply");
    compareSMS(p.list[2], false, ms(1266567700000), "5550004", "", "Two\nlines");
}

void TestCSVImporter::unknownFormatNotChosen()
{
    CSVImporterPlugin plugin(pluginPath());
    QVERIFY(!chooseFor(plugin, sample("unknown-format.csv")));
    // A program's own export is not another phone's format either.
    QVERIFY(!plugin.chooseFormat({"send", "date", "number", "person", "content"},
                                 {"0", "2012-03-04 05:06:07", "1", "", "x"}));
    QVERIFY(!plugin.hasHeader());
}

void TestCSVImporter::phoneSuiteDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("date");
    QTest::newRow("minutes") << "2010.02.19 03:18" << at(2010, 2, 19, 3, 18, 0);
    QTest::newRow("seconds") << "2010.02.19 03:18:04" << at(2010, 2, 19, 3, 18, 4);
    QTest::newRow("padded") << " 2010. 2. 9  7:05 " << at(2010, 2, 9, 7, 5, 0);
    QTest::newRow("impossible day") << "2010.02.30 03:18" << QDateTime();
    QTest::newRow("other pattern") << "19/02/2010 03:18" << QDateTime();
}

void TestCSVImporter::phoneSuiteDates()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, date);
    QCOMPARE(parsePhoneSuiteDate(text), date);
}

void TestCSVImporter::handheldDates()
{
    QCOMPARE(parseHandheldDate("Fri Feb 19 03:18:04 EST 2010"), utc(2010, 2, 19, 8, 18, 4));
    QCOMPARE(parseHandheldDate("Mon Mar 01 10:00:00 CET 2010"), utc(2010, 3, 1, 9, 0, 0));
    QCOMPARE(parseHandheldDate("Mon Mar 01 10:00:00 GMT 2010"), utc(2010, 3, 1, 10, 0, 0));
    QCOMPARE(parseHandheldDate("Mon Mar 01 10:00:00 2010"), at(2010, 3, 1, 10, 0, 0));
    QCOMPARE(parseHandheldDate("Mon Mar 01 10:00:00 XYZ 2010"), at(2010, 3, 1, 10, 0, 0));
    QVERIFY(!parseHandheldDate("Mon Foo 01 10:00:00 EST 2010").isValid());
    QVERIFY(!parseHandheldDate("").isValid());
}

void TestCSVImporter::androidBodies_data()
{
    // What the program's reader hands over for a quoted body with backslash escapes: the
    // first escaped quote closes the quoted section and loses its quote.
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("body");
    QTest::newRow("no escapes") << "plain"
                                << "plain";
    QTest::newRow("escapes") << "a\\nb\\rc\\\\d"
                             << "a\nb\rc\\d";
    QTest::newRow("quote pair") << "He said \\hi\\\", then left\""
                                << "He said \"hi\", then left";
    QTest::newRow("quote before n") << "Say \\no\\\" now\""
                                    << "Say \"no\" now";
    QTest::newRow("single quote") << "5\\' tall\""
                                  << "5\"' tall";
    QTest::newRow("unknown escape kept") << "a\\tb"
                                         << "a\\tb";
}

void TestCSVImporter::androidBodies()
{
    QFETCH(QString, field);
    QFETCH(QString, body);
    QCOMPARE(unescapeAndroidBody(field), body);
}

void TestCSVImporter::wrapperWithoutFormat()
{
    CSVImporterPlugin plugin(pluginPath());
    QVERIFY(!plugin.hasHeader());
    QVERIFY(plugin.getSMS({}, {"a", "b"}).isEmpty());
    QVERIFY(chooseFor(plugin, sample("android-columns.csv")));
    QVERIFY(plugin.hasHeader());
    plugin.unload();
    QVERIFY(!plugin.hasHeader());
    QVERIFY(plugin.getSMS({}, {"a", "b"}).isEmpty());
    QVERIFY(!plugin.chooseFormat({"sms", "deliver", "1", "", "", "2010.02.19 03:18", "", "x"}, {}));
}

void TestCSVImporter::wrapperLoadFailures()
{
    try {
        CSVImporterPlugin missing(QDir(m_home.path()).filePath("nothing-here"));
        QFAIL("loaded a library that does not exist");
    } catch (const std::runtime_error& e) {
        QVERIFY(!QString::fromUtf8(e.what()).isEmpty());
    }
    // A library that loads but lacks the importer's functions.
    try {
        CSVImporterPlugin wrong(QStringLiteral("sqlite3"));
        QFAIL("accepted a library without the importer's functions");
    } catch (const std::runtime_error& e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("version")), e.what());
    }
}

void TestCSVImporter::wrapperFindsLibraryInSearchDirectory()
{
    CSVImporterPlugin::setSearchDirectory(pluginDir);
    CSVImporterPlugin plugin;
    QVERIFY(plugin.libraryFileName().startsWith(pluginDir));
    CSVImporterPlugin::setSearchDirectory(QString());
}

void TestCSVImporter::flowWarnsWhenNoFormatMatches()
{
    CSVImporterPlugin::setSearchDirectory(pluginDir);
    DialogRecorder recorder;
    recorder.queueFileName(sample("unknown-format.csv"));
    importCSVFromOtherPhone(nullptr);
    QCOMPARE(recorder.fileCaptions, QStringList{"Select CSV file to import."});
    QCOMPARE(recorder.fileFilters, QStringList{"CSV Files(*.csv)"});
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages.first().icon, QMessageBox::Warning);
    QVERIFY2(recorder.lastText().startsWith(QStringLiteral("The CSV file format did not match.")),
             qPrintable(recorder.lastText()));
    CSVImporterPlugin::setSearchDirectory(QString());
}

void TestCSVImporter::flowPreviewsAndImports()
{
    CSVImporterPlugin::setSearchDirectory(pluginDir);
    DialogRecorder recorder;
    recorder.queueFileName(sample("handheld.csv"));
    int rows = -1;
    whenModal(QStringLiteral("CSVPreviewForm"), [&](QWidget* dialog) {
        rows = static_cast<CSVPreviewForm*>(dialog)->model().rowCount();
        dialog->findChild<QPushButton*>(QStringLiteral("btnImportToLocal"))->pressed();
    });
    const long long before =
        storetest::scalar(*currentDatabase(), QStringLiteral("select count(*) from sms"));
    importCSVFromOtherPhone(nullptr);
    QCOMPARE(rows, 3);
    QCOMPARE(recorder.messages.size(), 2);
    QCOMPARE(recorder.messages[0].text,
             QStringLiteral("Successfully load 3 SMS. Found 1 invalid sms."));
    QCOMPARE(recorder.messages[1].text, QStringLiteral("Successfully import 3 SMS."));
    QCOMPARE(storetest::scalar(*currentDatabase(), QStringLiteral("select count(*) from sms")),
             before + 3);
    CSVImporterPlugin::setSearchDirectory(QString());
}

void TestCSVImporter::flowReportsUnreadableFile()
{
    DialogRecorder recorder;
    recorder.queueFileName(QDir(m_home.path()).filePath("missing.csv"));
    importCSVFromOtherPhone(nullptr);
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages.first().icon, QMessageBox::Critical);
}

void TestCSVImporter::ownFormatFlowPreviewsAndImports()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("own.csv");
    QVERIFY(writeFile(file, "send,date,number,person,content\n"
                            "1,2012-03-04 05:06:07,5559999,Own,first own\n"
                            "0,2012-03-04 05:06:08,5559999,Own,second own\n"));
    DialogRecorder recorder;
    recorder.queueFileName(file);
    QString title;
    whenModal(QStringLiteral("CSVPreviewForm"), [&](QWidget* dialog) {
        title = dialog->windowTitle();
        dialog->findChild<QPushButton*>(QStringLiteral("btnImportToLocal"))->pressed();
    });
    importCSVFromFile(nullptr);
    QCOMPARE(title, QStringLiteral("Tallowbrook - Preview CSV File"));
    QCOMPARE(recorder.fileCaptions, QStringList{"Select CSV file to import."});
    QCOMPARE(recorder.messages.size(), 2);
    QCOMPARE(recorder.messages[0].text, QStringLiteral("Successfully load 2 SMS."));
    QCOMPARE(recorder.messages[1].text, QStringLiteral("Successfully import 2 SMS."));
    QCOMPARE(storetest::scalar(*currentDatabase(),
                               QStringLiteral("select count(*) from sms where person = 'Own'")),
             2);
}

void TestCSVImporter::ownFormatFlowCancelledDialog()
{
    DialogRecorder recorder; // answers the file dialog with nothing
    importCSVFromFile(nullptr);
    importCSVFromOtherPhone(nullptr);
    QCOMPARE(recorder.fileCaptions.size(), 2);
    QVERIFY(recorder.messages.isEmpty());
}

QTEST_MAIN(TestCSVImporter)
#include "tst_csvimporter.moc"
