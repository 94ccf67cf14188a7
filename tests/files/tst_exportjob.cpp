// The export dialogue and job: save-dialog filters and suffix rules, formats on disk, unknown
// suffixes, cancel, write failures, progress, and the PDF export through the printer.

#include <QBuffer>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include "files/ExportSMS.h"
#include "files/FilesTestSupport.h"
#include "files/IBackupSMS.h"
#include "files/LocalBackupThread.h"
#include "files/ProgressThrottle.h"
#include "files/SMSPrinter.h"
#include "store/SMSListSource.h"

using namespace filestest;

namespace {
const QString csv = QStringLiteral("CSV Files(*.csv)");
const QString txt = QStringLiteral("Text Files(*.txt)");
const QString html = QStringLiteral("HTML Files(*.htm *.html)");
const QString word = QStringLiteral("Word Files(*.doc)");
const QString pdf = QStringLiteral("PDF Files(*.pdf)");
} // namespace

class TestExportJob : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(isolateInEnglish(m_home, m_translator)); }
    void init() { m_recorder.clear(); }
    void dialogAndCancel();
    void suffixRules_data();
    void suffixRules();
    void exportsEachFormat_data();
    void exportsEachFormat();
    void unknownSuffixLeavesExistingFile_data();
    void unknownSuffixLeavesExistingFile();
    void failuresRemoveFile_data();
    void failuresRemoveFile();
    void cancelRemovesFileAndProgressIsTruncated();
    void printer();
    void pdfExportHoldsEveryMessage();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    void runExport(const QList<SMSInfo>& list, const QString& name, const QString& filter)
    {
        m_recorder.queueFileName(path(name));
        m_recorder.queueSelectedFilter(filter);
        SMSListSource source(list);
        exportSMS(&source);
    }
    void expectOneBox(QMessageBox::Icon icon, const QString& text)
    {
        QCOMPARE(m_recorder.messages.size(), 1);
        QCOMPARE(m_recorder.messages.first().icon, icon);
        QVERIFY2(m_recorder.lastText().contains(text), qPrintable(m_recorder.lastText()));
    }

    QTemporaryDir m_home;
    QTemporaryDir m_dir;
    QTranslator m_translator;
    DialogRecorder m_recorder;
};

void TestExportJob::dialogAndCancel()
{
    SMSListSource source(generated(2));
    exportSMS(&source); // no file name answered: cancelled
    QCOMPARE(m_recorder.fileCaptions, QStringList{"Select file to export"});
    QCOMPARE(m_recorder.fileFilters,
             QStringList{csv + ";;" + txt + ";;" + html + ";;" + word + ";;" + pdf});
    QVERIFY(m_recorder.messages.isEmpty());
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList());
}

void TestExportJob::suffixRules_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("isPdf");
    QTest::newRow("pdf adds .pdf") << "/t/out" << pdf << "/t/out.pdf" << true;
    QTest::newRow("pdf filter, .csv typed") << "/t/out.csv" << pdf << "/t/out.csv" << true;
    QTest::newRow("csv filter, .pdf typed") << "/t/out.pdf" << csv << "/t/out.pdf" << false;
    QTest::newRow("no filter") << "/t/out" << QString() << "/t/out" << false;
    QTest::newRow("dot in folder only") << "/t/a.b/out" << txt << "/t/a.b/out.txt" << false;
}

void TestExportJob::suffixRules()
{
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QFETCH(bool, isPdf);
    const ExportTarget target = exportTargetFor(typed, filter);
    QCOMPARE(target.fileName, expected);
    QCOMPARE(target.pdf, isPdf);
}

void TestExportJob::exportsEachFormat_data()
{
    // The file holds what the writer of its format writes (tested byte for byte elsewhere).
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("count");
    QTest::newRow("csv") << "a" << csv << "a.csv"
                         << "csv" << 2;
    QTest::newRow("txt") << "b" << txt << "b.txt"
                         << "txt" << 2;
    QTest::newRow("htm") << "c" << html << "c.htm"
                         << "htm" << 2;
    QTest::newRow("doc") << "d" << word << "d.doc"
                         << "htm" << 2;
    QTest::newRow("typed suffix kept") << "e.html" << csv << "e.html"
                                       << "htm" << 2;
    QTest::newRow("csv, none") << "f" << csv << "f.csv"
                               << "csv" << 0;
    QTest::newRow("txt, none") << "g" << txt << "g.txt"
                               << "txt" << 0;
    QTest::newRow("htm, none") << "h" << html << "h.htm"
                               << "htm" << 0;
}

void TestExportJob::exportsEachFormat()
{
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, written);
    QFETCH(QString, format);
    QFETCH(int, count);
    const QList<SMSInfo> list = awkwardMessages().mid(0, count);
    runExport(list, typed, filter);
    QBuffer expected;
    expected.open(QIODevice::WriteOnly);
    const std::unique_ptr<IBackupSMS> writer = backupWriterForSuffix(format);
    writer->writeHeader(&expected);
    for (const SMSInfo& sms : list)
        writer->writeSMS(&expected, sms);
    QCOMPARE(readFile(path(written)), expected.data());
    expectOneBox(QMessageBox::Information,
                 QStringLiteral("Successfully export %1 SMS.").arg(count));
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
    // The format is known before the file is opened: nothing is truncated or created.
    QFETCH(QString, name);
    writeFile(path(name), "earlier content");
    runExport(generated(3), name, csv);
    QCOMPARE(readFile(path(name)), QByteArray("earlier content"));
    expectOneBox(QMessageBox::Critical, QStringLiteral("Unknown exporting format."));
    runExport(generated(3), "fresh-" + name, csv);
    QVERIFY(!QFile::exists(path("fresh-" + name)));
}

void TestExportJob::failuresRemoveFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("error");
    QTest::newRow("disk full") << "full.csv" << csv << "No space left on device";
    QTest::newRow("missing folder") << "none/out.csv" << csv << "";
    // The printer reports nothing; a PDF that cannot be written must not report success.
    QTest::newRow("pdf, missing folder") << "none/out.pdf" << pdf << "";
}

void TestExportJob::failuresRemoveFile()
{
    QFETCH(QString, name);
    QFETCH(QString, filter);
    QFETCH(QString, error);
    if (name == "full.csv" && !QFile::link(QStringLiteral("/dev/full"), path(name)))
        QSKIP("no /dev/full on this system");
    runExport(generated(2000), name, filter);
    expectOneBox(QMessageBox::Critical, error);
    QVERIFY(!QFileInfo::exists(path(name))); // the partial file is gone
}

void TestExportJob::cancelRemovesFileAndProgressIsTruncated()
{
    // Truncated, never rounded up: 1 of 3 is 33, 2 of 3 is 66.
    QStringList texts;
    const QString file = path(QStringLiteral("export.csv"));
    for (int total : {3, 500}) {
        SMSListSource source(generated(total));
        ProgressForm form(QStringLiteral("export"));
        LocalBackupThread job(&source, file, &form);
        connect(
            &job, &JobThread::updateProgress, &job,
            [&](int value, const QString& text) {
                texts.append(QString::number(value) + ' ' + text);
                if (text == QStringLiteral("SMS 50:500")) { // cancelled as the close button does
                    job.onProgressClose(0);
                    QMetaObject::invokeMethod(&form, "reject", Qt::QueuedConnection);
                }
            },
            Qt::DirectConnection);
        QCOMPARE(runJob(form, job), int(total == 3 ? QDialog::Accepted : QDialog::Rejected));
    }
    QCOMPARE(texts.mid(0, 3), (QStringList{"33 SMS 1:3", "66 SMS 2:3", "100 SMS 3:3"}));
    QVERIFY(!QFile::exists(file));
    QCOMPARE(m_recorder.messages.size(), 1); // the success of the first run only

    // Steps that move no per-cent may be left out; a change of it and the last step never are.
    ProgressThrottle throttle(1000);
    QSet<int> reported;
    for (int done = 1; done <= 1000; ++done) {
        if (throttle.shouldReport(done))
            reported.insert(JobThread::percentOf(done, 1000));
    }
    QCOMPARE(reported.size(), 101);
    QVERIFY(ProgressThrottle(0).shouldReport(1)); // past a counted total of 0
}

void TestExportJob::printer()
{
    SMSListSource source({makeSMS("555", "Ann", "a<b>&c\nd", true, at(2012, 3, 4, 5, 6, 7)),
                          makeSMS("", "", "x", false, at(2012, 3, 4, 5, 6, 8))});
    SMSPrinter printer(&source);
    QString title;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
            title = preview->windowTitle();
            preview->reject();
        }
    });
    poll.start(10);
    printer.printSMS(QString()); // no printer installed here: the preview renders for PDF
    QCOMPARE(title, QStringLiteral("Print SMS"));
    // Markup printed literally, line breaks kept, a separator after every message.
    const QString html = printer.documentHtml();
    QVERIFY(html.contains("color:#008040; font-style:italic;\">To Ann(555):  </span><span "
                          "style=\"font-size:12px;\">a&lt;b&gt;&amp;c<br/>d</span><br/>"));
    QVERIFY(html.contains("color:#0000FF; font-style:italic;\">Unknown:  </span>"));
    QVERIFY(html.endsWith("sent:2012-03-04 05:06:08</span><br/><br/>"));
    QCOMPARE(html.count("<br/><br/>"), 2);
}

void TestExportJob::pdfExportHoldsEveryMessage()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QList<SMSInfo> list = generated(150, QStringLiteral("pdfmsg"));
    list.append(makeSMS("555", "Bob & Co", "<tag> stays literal", false, at(2012, 1, 1, 1, 1, 1)));
    runExport(list, QStringLiteral("conversation"), pdf);
    expectOneBox(QMessageBox::Information, QStringLiteral("Successfully export 151 SMS."));
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {"-enc", "UTF-8", path("conversation.pdf"), "-"});
    QVERIFY(process.waitForFinished(60000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    for (int i = 0; i < 150; ++i)
        QVERIFY2(text.contains(QStringLiteral("pdfmsg %1\n").arg(i)), qPrintable(text.left(200)));
    QVERIFY(text.contains(QStringLiteral("<tag> stays literal")));
    QVERIFY(text.contains(QStringLiteral("Bob & Co(555)")));
    QCOMPARE(text.count(QStringLiteral("sent:")), 151);
}

QTEST_MAIN(TestExportJob)
#include "tst_exportjob.moc"
