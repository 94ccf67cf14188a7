// The other-phone importer: the plug-in's formats on made-up sample files through the whole
// preview path, the wrapper's loading rules, and the import-from-other-phone flow.

#include <QPushButton>
#include <QtTest>

#include "ImportFormats.h"
#include "core/format/CSVImporterPlugin.h"
#include "core/format/CSVReader.h"
#include "gui/files/CSVImportFlows.h"
#include "gui/files/CSVPreviewForm.h"
#include "support/DialogRecorder.h"
#include "support/FilesTestSupport.h"
#include "support/GuiTestSupport.h"

using namespace filestest;
using guitest::whenModal;

namespace {

const QString pluginDir = QStringLiteral(TB_CSVIMPORTER_DIR);
const QString pluginPath = QDir(pluginDir).filePath(QStringLiteral("csvimporter"));

QString sample(const QString& name)
{
    return QDir(QStringLiteral(TB_FILES_DATA_DIR)).filePath(name);
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

QDateTime ms(qint64 value)
{
    return QDateTime::fromMSecsSinceEpoch(value);
}

// Sets the folder the wrapper looks in first for the lifetime of a test.
struct SearchDirectory
{
    SearchDirectory() { CSVImporterPlugin::setSearchDirectory(pluginDir); }
    ~SearchDirectory() { CSVImporterPlugin::setSearchDirectory(QString()); }
};

} // namespace

class TestCSVImporter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sampleFiles_data();
    void sampleFiles();
    void dates_data();
    void dates();
    void wrapper();
    void flows();

private:
    TestAccount m_account;
};

void TestCSVImporter::initTestCase()
{
    QVERIFY(m_account.open());
}

void TestCSVImporter::sampleFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("header");
    QTest::addColumn<bool>("backslash");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<SMSInfo>>("expected");
    QTest::newRow("phone suite") << "phone-suite.csv" << false << false
                                 << "Successfully load 4 SMS. Found 1 invalid sms."
                                 << QList<SMSInfo>{
                                        makeSMS("+4917012345678", "", "Hello from the suite", false,
                                                at(2010, 2, 19, 3, 18, 0)),
                                        makeSMS("+4917012345678", "", "Reply, with a comma", true,
                                                at(2010, 2, 19, 3, 20, 45)),
                                        makeSMS("5550001", "", "Quoted \"body\" here", false,
                                                at(2010, 2, 9, 7, 5, 0)),
                                        makeSMS("5550001", "", "Unquoted body, with commas, kept",
                                                true, at(2010, 2, 9, 7, 6, 0))};
    QTest::newRow("android database")
        << "android-database.csv" << false << true << "Successfully load 6 SMS."
        << QList<SMSInfo>{
               makeSMS("+15551230001", "", "Plain message", false, ms(1266567484000)),
               makeSMS("+15551230001", "", "He said \"hi\", then left", true, ms(1266567600000)),
               makeSMS("5550002", "", "Line one\nLine two \\ backslash", false, ms(1266567700000)),
               makeSMS("5550002", "", "Say \"no\" now", true, ms(1266567800000)),
               makeSMS("5550002", "", "Tabs\r\nand, commas", true, ms(1266567900000)),
               makeSMS("5550002", "", "Ends with a quote \"", false, ms(1266568000000))};
    QTest::newRow("handheld")
        << "handheld.csv" << false << false << "Successfully load 3 SMS. Found 1 invalid sms."
        << QList<SMSInfo>{
               makeSMS("+15551230003", "", "Received on the handheld", false,
                       utc(2010, 2, 19, 8, 18, 9)),
               makeSMS("+15551230003", "", "Sent, with a comma", true, utc(2010, 2, 19, 8, 25, 0)),
               makeSMS("5550003", "", "Unquoted, commas, too", false, utc(2010, 7, 3, 21, 0, 2))};
    QTest::newRow("android columns")
        << "android-columns.csv" << true << false << "Successfully load 3 SMS. Found 1 invalid sms."
        << QList<SMSInfo>{
               makeSMS("+15551230004", "Carol", "Hello, from columns", false, ms(1266567484000)),
               makeSMS("+15551230004", "Carol", "Reply", true, ms(1266567500000)),
               makeSMS("5550004", "", "Two\nlines", false, ms(1266567700000))};
}

void TestCSVImporter::sampleFiles()
{
    QFETCH(QString, file);
    QFETCH(bool, header);
    QFETCH(bool, backslash);
    QFETCH(QString, text);
    QFETCH(QList<SMSInfo>, expected);
    CSVImporterPlugin plugin(pluginPath);
    QVERIFY(plugin.chooseFormatOf(sample(file)));
    QCOMPARE(plugin.hasHeader(), header);
    QCOMPARE(plugin.escapes(), backslash ? CSVEscapes::Backslash : CSVEscapes::DoubledQuotes);
    const PreviewResult outcome = previewFile(sample(file), &plugin);
    QVERIFY(outcome.succeeded());
    QCOMPARE(outcome.text, text);
    QCOMPARE(keys(outcome.list), keys(expected));
}

void TestCSVImporter::dates_data()
{
    QTest::addColumn<bool>("handheld");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("date");
    QTest::newRow("suite, minutes") << false << "2010.02.19 03:18" << at(2010, 2, 19, 3, 18, 0);
    QTest::newRow("suite, padded") << false << " 2010. 2. 9  7:05 " << at(2010, 2, 9, 7, 5, 0);
    QTest::newRow("suite, impossible day") << false << "2010.02.30 03:18" << QDateTime();
    QTest::newRow("suite, other pattern") << false << "19/02/2010 03:18" << QDateTime();
    QTest::newRow("handheld, EST")
        << true << "Fri Feb 19 03:18:04 EST 2010" << utc(2010, 2, 19, 8, 18, 4);
    QTest::newRow("handheld, CET")
        << true << "Mon Mar 01 10:00:00 CET 2010" << utc(2010, 3, 1, 9, 0, 0);
    QTest::newRow("handheld, unknown zone")
        << true << "Mon Mar 01 10:00:00 XYZ 2010" << at(2010, 3, 1, 10, 0, 0);
    QTest::newRow("handheld, bad month") << true << "Mon Foo 01 10:00:00 EST 2010" << QDateTime();
}

void TestCSVImporter::dates()
{
    QFETCH(bool, handheld);
    QFETCH(QString, text);
    QFETCH(QDateTime, date);
    QCOMPARE(handheld ? parseHandheldDate(text) : parsePhoneSuiteDate(text), date);
}

void TestCSVImporter::wrapper()
{
    CSVImporterPlugin plugin(pluginPath);
    QVERIFY(!plugin.hasHeader()); // no format chosen yet
    QVERIFY(plugin.getSMS({}, {"a", "b"}).isEmpty());
    QVERIFY(!plugin.chooseFormatOf(sample("unknown-format.csv")));
    // A program's own export is not another phone's format either.
    QVERIFY(!plugin.chooseFormat({"send", "date", "number", "person", "content"},
                                 {"0", "2012-03-04 05:06:07", "1", "", "x"}));
    QVERIFY(plugin.chooseFormatOf(sample("android-columns.csv")));
    plugin.unload();
    QVERIFY(!plugin.hasHeader());
    QVERIFY(!plugin.chooseFormat({"sms", "deliver", "1", "", "", "2010.02.19 03:18", "", "x"}, {}));

    // No library there; one without the importer's functions; the importer built with an
    // interface version this program does not know.
    for (const auto& library : {std::pair{QDir(m_account.home()).filePath("nothing-here"), ""},
                                std::pair{QStringLiteral("sqlite3"), "version"},
                                std::pair{QStringLiteral(TB_CSVIMPORTER_V99), "has version 99"}}) {
        const QString failure = failureOf([&] { CSVImporterPlugin(library.first); });
        QVERIFY2(failure != "<no exception>" && failure.contains(library.second),
                 qPrintable(failure));
    }
    SearchDirectory directory;
    QVERIFY(CSVImporterPlugin().libraryFileName().startsWith(pluginDir));
}

void TestCSVImporter::flows()
{
    // A file previewed and imported, one of no known format, one that does not open.
    SearchDirectory directory;
    DialogRecorder recorder;
    recorder.queueFileName(sample("handheld.csv"));
    recorder.queueFileName(sample("unknown-format.csv"));
    recorder.queueFileName(QDir(m_account.home()).filePath("missing.csv"));
    int rows = -1;
    whenModal(QStringLiteral("CSVPreviewForm"), [&](QWidget* dialog) {
        rows = static_cast<CSVPreviewForm*>(dialog)->model().rowCount();
        dialog->findChild<QPushButton*>(QStringLiteral("btnImportToLocal"))->pressed();
    });
    const qsizetype before = storedMessages().size();
    for (int file = 0; file < 3; ++file)
        importCSVFromOtherPhone(nullptr);
    QCOMPARE(rows, 3);
    QCOMPARE(storedMessages().size(), before + 3);
    QCOMPARE(recorder.fileFilters, QStringList(3, "CSV Files(*.csv)"));
    QCOMPARE(recorder.messages.size(), 4);
    QCOMPARE(recorder.messages[0].text,
             QStringLiteral("Successfully load 3 SMS. Found 1 invalid sms."));
    QCOMPARE(recorder.messages[1].text, QStringLiteral("Successfully import 3 SMS."));
    QCOMPARE(recorder.messages[2].icon, QMessageBox::Warning);
    QVERIFY2(recorder.messages[2].text.startsWith("The CSV file format did not match."),
             qPrintable(recorder.messages[2].text));
    QCOMPARE(recorder.messages[3].icon, QMessageBox::Critical);
}

QTEST_MAIN(TestCSVImporter)
#include "tst_csvimporter.moc"
