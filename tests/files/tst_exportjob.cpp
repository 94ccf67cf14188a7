// The export dialogue and job: save-dialog filters and suffix rules, formats on disk, unknown
// suffixes, cancel, write failures, progress, and the PDF export through the printer.

#include <QLabel>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QTranslator>
#include <QtTest>

#include "app/ProgressForm.h"
#include "common/DialogRecorder.h"
#include "files/ExportSMS.h"
#include "files/FilesTestSupport.h"
#include "files/LocalBackupThread.h"
#include "files/ProgressThrottle.h"
#include "files/SMSPrinter.h"
#include "store/SMSListSource.h"

using namespace filestest;

namespace {

const QString csvFilter = QStringLiteral("CSV Files(*.csv)");
const QString txtFilter = QStringLiteral("Text Files(*.txt)");
const QString htmlFilter = QStringLiteral("HTML Files(*.htm *.html)");
const QString wordFilter = QStringLiteral("Word Files(*.doc)");
const QString pdfFilter = QStringLiteral("PDF Files(*.pdf)");

QString pdfText(const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    if (!process.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestExportJob : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void dialogCaptionAndFilters();
    void suffixRules_data();
    void suffixRules();
    void exportsEachFormat_data();
    void exportsEachFormat();
    void emptySource_data();
    void emptySource();
    void unknownSuffixLeavesExistingFile_data();
    void unknownSuffixLeavesExistingFile();
    void cancelRemovesFile();
    void failedWriteRemovesFile();
    void openFailureReported();
    void progressIsTruncated();
    void progressReportsEveryPercent();
    void cancelledDialogWritesNothing();
    void printerDocument();
    void printerPreviewOpens();
    void pdfExportHoldsEveryMessage();
    void pdfExportToUnwritablePlace();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    // Runs exportSMS with the dialog answered by the given name and filter.
    void runExport(const QList<SMSInfo>& list, const QString& name, const QString& filter);

    QTemporaryDir m_home;
    QTemporaryDir m_dir;
    QTranslator m_translator;
    DialogRecorder* m_recorder = nullptr;
    std::unique_ptr<DialogRecorder> m_recorderOwner;
};

void TestExportJob::initTestCase()
{
    storetest::isolateHome(m_home);
    QVERIFY(m_translator.load(QStringLiteral(":/en.qm")));
    QCoreApplication::installTranslator(&m_translator);
}

void TestExportJob::init()
{
    m_recorderOwner.reset(); // uninstall before installing the next one
    m_recorderOwner = std::make_unique<DialogRecorder>();
    m_recorder = m_recorderOwner.get();
}

void TestExportJob::runExport(const QList<SMSInfo>& list, const QString& name,
                              const QString& filter)
{
    m_recorder->queueFileName(name);
    m_recorder->queueSelectedFilter(filter);
    SMSListSource source(list);
    exportSMS(&source);
}

void TestExportJob::dialogCaptionAndFilters()
{
    SMSListSource source({});
    exportSMS(&source); // no answer: cancelled
    QCOMPARE(m_recorder->fileCaptions, QStringList{"Select file to export"});
    QCOMPARE(m_recorder->fileFilters,
             QStringList{"CSV Files(*.csv);;Text Files(*.txt);;HTML Files(*.htm *.html);;Word "
                         "Files(*.doc);;PDF Files(*.pdf)"});
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestExportJob::suffixRules_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("pdf");
    QTest::newRow("csv adds .csv") << "/t/out" << csvFilter << "/t/out.csv" << false;
    QTest::newRow("text adds .txt") << "/t/out" << txtFilter << "/t/out.txt" << false;
    QTest::newRow("html adds .htm") << "/t/out" << htmlFilter << "/t/out.htm" << false;
    QTest::newRow("word adds .doc") << "/t/out" << wordFilter << "/t/out.doc" << false;
    QTest::newRow("pdf adds .pdf") << "/t/out" << pdfFilter << "/t/out.pdf" << true;
    QTest::newRow("typed suffix kept") << "/t/out.txt" << csvFilter << "/t/out.txt" << false;
    QTest::newRow("csv filter, .pdf typed") << "/t/out.pdf" << csvFilter << "/t/out.pdf" << false;
    QTest::newRow("pdf filter, .csv typed") << "/t/out.csv" << pdfFilter << "/t/out.csv" << true;
    QTest::newRow("no filter reported") << "/t/out"
                                        << ""
                                        << "/t/out" << false;
    QTest::newRow("dot in folder only") << "/t/a.b/out" << txtFilter << "/t/a.b/out.txt" << false;
}

void TestExportJob::suffixRules()
{
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QFETCH(bool, pdf);
    const ExportTarget target = exportTargetFor(typed, filter);
    QCOMPARE(target.fileName, expected);
    QCOMPARE(target.pdf, pdf);
}

void TestExportJob::exportsEachFormat_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray csv = "send,date,number,person,content\n"
                           "0,2012-03-04 05:06:07,5551234,,\"a,b\"\n"
                           "1,2012-03-04 05:06:08,777,Ann,x\n";
    const QByteArray txt = "Time:2012-03-04 05:06:07\r\nFrom:5551234\r\na,b\r\n\r\n"
                           "Time:2012-03-04 05:06:08\r\nTo:777 (Ann)\r\nx\r\n\r\n";
    QTest::newRow("csv") << csvFilter << ".csv" << csv;
    QTest::newRow("txt") << txtFilter << ".txt" << txt;
    QTest::newRow("htm") << htmlFilter << ".htm" << QByteArray();
    QTest::newRow("doc") << wordFilter << ".doc" << QByteArray();
}

void TestExportJob::exportsEachFormat()
{
    QFETCH(QString, filter);
    QFETCH(QString, suffix);
    QFETCH(QByteArray, expected);
    const QList<SMSInfo> list = {makeSMS("5551234", "", "a,b", false, at(2012, 3, 4, 5, 6, 7)),
                                 makeSMS("777", "Ann", "x", true, at(2012, 3, 4, 5, 6, 8))};
    const QString base = path(QStringLiteral("each-") + QTest::currentDataTag());
    runExport(list, base, filter);
    const QByteArray bytes = readFile(base + suffix);
    if (expected.isEmpty()) {
        QVERIFY(bytes.startsWith("<!DOCTYPE html PUBLIC"));
        QVERIFY(bytes.endsWith("<div>x</div><br/>"));
        QCOMPARE(bytes.count("<div style="), 2);
    } else {
        QCOMPARE(bytes, expected);
    }
    QCOMPARE(m_recorder->messages.size(), 1);
    QCOMPARE(m_recorder->messages.first().icon, QMessageBox::Information);
    QCOMPARE(m_recorder->lastText(), QStringLiteral("Successfully export 2 SMS."));
}

void TestExportJob::emptySource_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("csv") << csvFilter << ".csv" << QByteArray("send,date,number,person,content\n");
    QTest::newRow("txt") << txtFilter << ".txt" << QByteArray();
    QTest::newRow("htm") << htmlFilter << ".htm" << QByteArray("<!DOCTYPE");
}

void TestExportJob::emptySource()
{
    QFETCH(QString, filter);
    QFETCH(QString, suffix);
    QFETCH(QByteArray, expected);
    const QString base = path(QStringLiteral("empty-") + QTest::currentDataTag());
    runExport({}, base, filter);
    QVERIFY(QFile::exists(base + suffix));
    const QByteArray bytes = readFile(base + suffix);
    if (suffix == ".htm") {
        QVERIFY(bytes.startsWith(expected));
        QVERIFY(bytes.endsWith("<body style=\"width:595\">"));
    } else {
        QCOMPARE(bytes, expected);
    }
    QCOMPARE(m_recorder->lastText(), QStringLiteral("Successfully export 0 SMS."));
}

void TestExportJob::unknownSuffixLeavesExistingFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("pdf typed under csv filter") << "keep.pdf";
    QTest::newRow("upper-case suffix") << "keep.TXT";
    QTest::newRow("other suffix") << "keep.xls";
}

void TestExportJob::unknownSuffixLeavesExistingFile()
{
    QFETCH(QString, name);
    const QByteArray earlier("earlier content that must survive");
    QVERIFY(writeFile(path(name), earlier));
    runExport(generated(3), path(name), csvFilter);
    QCOMPARE(readFile(path(name)), earlier);
    QCOMPARE(m_recorder->messages.size(), 1);
    QCOMPARE(m_recorder->messages.first().icon, QMessageBox::Critical);
    QVERIFY2(m_recorder->lastText().contains(QStringLiteral("Unknown exporting format.")),
             qPrintable(m_recorder->lastText()));

    // Nor is a missing file of that name created.
    const QString fresh = path(QStringLiteral("fresh-") + name);
    runExport(generated(3), fresh, csvFilter);
    QVERIFY(!QFile::exists(fresh));
}

void TestExportJob::cancelRemovesFile()
{
    const QString file = path(QStringLiteral("cancelled.csv"));
    GateSource source(generated(10), 3);
    ProgressForm form(QStringLiteral("export"));
    LocalBackupThread job(&source, file, &form);
    whenModal(QStringLiteral("ProgressForm"), [&](QWidget* dialog) {
        QTRY_VERIFY(source.reached.load());
        static_cast<QDialog*>(dialog)->reject(); // what the close button does
        source.release();
    });
    const int result = runJob(form, job);
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY(!QFile::exists(file));
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestExportJob::failedWriteRemovesFile()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full on this system");
    const QString link = path(QStringLiteral("full.csv"));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), link));
    runExport(generated(2000), link, csvFilter);
    QCOMPARE(m_recorder->messages.size(), 1);
    QCOMPARE(m_recorder->messages.first().icon, QMessageBox::Critical);
    QVERIFY2(m_recorder->lastText().contains(QStringLiteral("No space left on device")),
             qPrintable(m_recorder->lastText()));
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestExportJob::openFailureReported()
{
    const QString file = path(QStringLiteral("missing-folder/out.csv"));
    runExport(generated(2), file, csvFilter);
    QCOMPARE(m_recorder->messages.size(), 1);
    QCOMPARE(m_recorder->messages.first().icon, QMessageBox::Critical);
    QVERIFY(!QFile::exists(file));
}

void TestExportJob::progressIsTruncated()
{
    SMSListSource source(generated(3));
    ProgressForm form(QStringLiteral("export"));
    LocalBackupThread job(&source, path(QStringLiteral("progress.csv")), &form);
    QList<int> values;
    QStringList texts;
    connect(&job, &JobThread::updateProgress, this, [&](int value, const QString& text) {
        values.append(value);
        texts.append(text);
    });
    runJob(form, job);
    QCoreApplication::processEvents();
    QCOMPARE(values, (QList<int>{33, 66, 100}));
    QCOMPARE(texts, (QStringList{"SMS 1:3", "SMS 2:3", "SMS 3:3"}));
    QCOMPARE(form.progressLabel()->text(), QStringLiteral("SMS 3:3"));
}

void TestExportJob::progressReportsEveryPercent()
{
    // Steps that move no per-cent may be left out; a change of the per-cent and the last
    // step never are.
    ProgressThrottle throttle(1000);
    QList<int> reported;
    QSet<int> allPercents;
    QSet<int> reportedPercents;
    for (int done = 1; done <= 1000; ++done) {
        allPercents.insert(JobThread::percentOf(done, 1000));
        if (throttle.shouldReport(done)) {
            reported.append(done);
            reportedPercents.insert(JobThread::percentOf(done, 1000));
        }
    }
    QCOMPARE(reported.first(), 1);
    QCOMPARE(reported.last(), 1000);
    QCOMPARE(reportedPercents, allPercents);
    ProgressThrottle empty(0);
    QVERIFY(empty.shouldReport(1)); // past the counted total: the last step
}

void TestExportJob::cancelledDialogWritesNothing()
{
    const int before = QDir(m_dir.path()).count();
    SMSListSource source(generated(2));
    exportSMS(&source);
    QCOMPARE(int(QDir(m_dir.path()).count()), before);
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestExportJob::printerDocument()
{
    SMSListSource source({makeSMS("555", "Ann", "a<b>&c\nd", true, at(2012, 3, 4, 5, 6, 7)),
                          makeSMS("", "", "x", false, at(2012, 3, 4, 5, 6, 8))});
    SMSPrinter printer(&source);
    printer.printSMS(path(QStringLiteral("doc.pdf")));
    QCOMPARE(printer.documentHtml(),
             QStringLiteral(
                 "<span style=\"font-size:15px; color:#008040; font-style:italic;\">To "
                 "Ann(555):  </span><span style=\"font-size:12px;\">a&lt;b&gt;&amp;c<br/>d</span>"
                 "<br/><span style=\"font-size:12px;color:#E13C02; font-style:italic;\">sent:"
                 "2012-03-04 05:06:07</span><br/><br/>"
                 "<span style=\"font-size:15px; color:#0000FF; font-style:italic;\">Unknown:  "
                 "</span><span style=\"font-size:12px;\">x</span><br/><span "
                 "style=\"font-size:12px;color:#E13C02; font-style:italic;\">sent:2012-03-04 "
                 "05:06:08</span><br/><br/>"));
}

void TestExportJob::printerPreviewOpens()
{
    SMSListSource source(generated(3));
    SMSPrinter printer(&source);
    QString title;
    bool seen = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
            seen = true;
            title = preview->windowTitle();
            preview->reject();
        }
    });
    poll.start(10);
    printer.printSMS(QString());
    QVERIFY(seen);
    QCOMPARE(title, QStringLiteral("Print SMS"));
    QVERIFY(printer.documentHtml().contains(QStringLiteral("msg 2")));
}

void TestExportJob::pdfExportHoldsEveryMessage()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QList<SMSInfo> list = generated(150, QStringLiteral("pdfmsg"));
    list.append(makeSMS("555", "Bob & Co", "<tag> stays literal", false, at(2012, 1, 1, 1, 1, 1)));
    const QString base = path(QStringLiteral("conversation"));
    runExport(list, base, pdfFilter);
    QCOMPARE(m_recorder->lastText(), QStringLiteral("Successfully export 151 SMS."));
    const QString text = pdfText(base + QStringLiteral(".pdf"));
    QVERIFY(!text.isEmpty());
    for (int i = 0; i < 150; ++i)
        QVERIFY2(text.contains(QStringLiteral("pdfmsg %1\n").arg(i)),
                 qPrintable(QString::number(i)));
    QVERIFY(text.contains(QStringLiteral("<tag> stays literal")));
    QVERIFY(text.contains(QStringLiteral("Bob & Co(555)")));
    QVERIFY(text.count(QStringLiteral("sent:")) == 151);
}

void TestExportJob::pdfExportToUnwritablePlace()
{
    runExport(generated(2), path(QStringLiteral("no-such-folder/out")), pdfFilter);
    QCOMPARE(m_recorder->messages.size(), 1);
    QCOMPARE(m_recorder->messages.first().icon, QMessageBox::Critical);
    QVERIFY(!m_recorder->lastText().contains(QStringLiteral("Successfully")));
}

QTEST_MAIN(TestExportJob)
#include "tst_exportjob.moc"
