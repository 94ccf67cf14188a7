// Export and print from the window: save-dialog filters and suffix rules, formats on disk,
// unknown suffixes, cancel, write failures, progress, the PDF export and the print preview.

#include <QBuffer>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

#include "core/format/IBackupSMS.h"
#include "core/frame/ProgressThrottle.h"
#include "core/jobs/ExportJob.h"
#include "core/print/SMSPrinter.h"
#include "core/store/Accounts.h"
#include "core/store/ConversationQuery.h"
#include "core/store/SMSCursorSource.h"
#include "core/store/SMSListSource.h"
#include "core/store/Sqlite3DB.h"
#include "gui/files/ExportSMS.h"
#include "gui/files/PrintPreview.h"
#include "support/DialogRecorder.h"
#include "support/FilesTestSupport.h"
#include "support/GuiTestSupport.h"

using namespace filestest;

namespace {
const QString csv = QStringLiteral("CSV Files(*.csv)");
const QString txt = QStringLiteral("Text Files(*.txt)");
const QString html = QStringLiteral("HTML Files(*.htm *.html)");
const QString word = QStringLiteral("Word Files(*.doc)");
const QString pdf = QStringLiteral("PDF Files(*.pdf)");
const QString xml = QStringLiteral("XML Files(*.xml)");

} // namespace

class TestExportDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void dialogAndCancel();
    void suffixRules_data();
    void suffixRules();
    void exportsEachFormat_data();
    void exportsEachFormat();
    void failuresKeepTheEarlierFile_data();
    void failuresKeepTheEarlierFile();
    void cancelKeepsTheEarlierFileAndProgressIsTruncated();
    void printer();
    void pdfExportHoldsEveryMessage();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    void runExport(const QList<SMSInfo>& list, const QString& name, const QString& filter)
    {
        m_recorder->queueFileName(path(name));
        m_recorder->queueSelectedFilter(filter);
        SMSListSource source(list);
        exportSMS(&source);
    }
    void expectOneBox(QMessageBox::Icon icon, const QString& text)
    {
        QCOMPARE(m_recorder->messages.size(), 1);
        QCOMPARE(m_recorder->messages.first().icon, icon);
        QVERIFY2(m_recorder->lastText().contains(text), qPrintable(m_recorder->lastText()));
    }

    TestAccount m_account;
    QTemporaryDir m_dir;
    std::unique_ptr<DialogRecorder> m_recorder;
    int m_accounts = 0;
};

void TestExportDialog::init()
{
    m_recorder.reset(); // uninstall before installing the next one
    m_recorder = std::make_unique<DialogRecorder>();
    QVERIFY(m_account.open(QStringLiteral("a%1.db").arg(++m_accounts)));
}

void TestExportDialog::dialogAndCancel()
{
    SMSListSource source(generated(2));
    exportSMS(&source); // no file name answered: cancelled
    QCOMPARE(m_recorder->fileCaptions, QStringList{"Select file to export"});
    QCOMPARE(m_recorder->fileFilters,
             QStringList{csv + ";;" + txt + ";;" + html + ";;" + word + ";;" + pdf + ";;" + xml});
    QVERIFY(m_recorder->messages.isEmpty());
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList());
}

void TestExportDialog::suffixRules_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("isPdf");
    QTest::newRow("pdf adds .pdf") << "/t/out" << pdf << "/t/out.pdf" << true;
    QTest::newRow("pdf filter, .csv typed") << "/t/out.csv" << pdf << "/t/out.csv" << true;
    QTest::newRow("no filter") << "/t/out" << QString() << "/t/out" << false;
    QTest::newRow("dot in folder only") << "/t/a.b/out" << txt << "/t/a.b/out.txt" << false;
}

void TestExportDialog::suffixRules()
{
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QFETCH(bool, isPdf);
    const ExportTarget target = exportTargetFor(typed, filter);
    QCOMPARE(target.fileName, expected);
    QCOMPARE(target.pdf, isPdf);
}

void TestExportDialog::exportsEachFormat_data()
{
    // golden: the file in data/ the export must write, byte for byte, or the whole text of an
    // empty account's export.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("golden");
    const auto row = [](const char* name, const char* typed, const QString& filter,
                        const char* written, const char* golden) {
        QTest::newRow(name) << typed << filter << written << golden;
    };
    row("csv", "a", csv, "a.csv", "sms-only.csv");
    row("txt", "b", txt, "b.txt", "sms-only.txt");
    row("htm", "c", html, "c.htm", "sms-only.htm");
    row("doc", "d", word, "d.doc", "sms-only.htm");
    row("typed suffix kept", "e.html", csv, "e.html", "sms-only.htm");
    row("xml", "i", xml, "i.xml", "sms-only.xml");
    row("empty account", "f", csv, "f.csv", "send,date,number,person,content\n");
}

void TestExportDialog::exportsEachFormat()
{
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, written);
    QFETCH(QString, golden);
    const bool empty = !golden.startsWith(QLatin1String("sms-only"));
    if (!empty)
        QVERIFY(importList(awkwardMessages()).succeeded());
    m_recorder->queueFileName(path(typed));
    m_recorder->queueSelectedFilter(filter);
    SMSCursorSource source(currentDatabase(), wholeAccountQuery());
    exportSMS(&source);
    const QByteArray expected =
        empty ? golden.toUtf8() : readFile(QStringLiteral(TB_FILES_DATA_DIR "/") + golden);
    QCOMPARE(withoutBackupSet(readFile(path(written))), expected);
    expectOneBox(QMessageBox::Information,
                 QStringLiteral("Successfully export %1 SMS.").arg(empty ? 0 : 6));
}

void TestExportDialog::failuresKeepTheEarlierFile_data()
{
    QTest::addColumn<QString>("name"); // "earlier...": a file of that name is there already
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("error");
    const QString unknown = QStringLiteral("Unknown exporting format.");
    QTest::newRow("disk full") << "full.csv" << csv << "No space left on device";
    // Each format names the system's reason and the file.
    const QString tooLarge = QString::fromLocal8Bit(std::strerror(EFBIG));
    for (const auto& [name, filter] : {std::pair{"big.csv", csv},
                                       {"big.txt", txt},
                                       {"big.htm", html},
                                       {"big.doc", word},
                                       {"big.xml", xml},
                                       {"big.pdf", pdf}})
        QTest::newRow(name) << name << filter << QStringLiteral("%1: %2").arg(name, tooLarge);
    QTest::newRow("missing folder") << "none/out.csv" << csv << "";
    QTest::newRow("pdf, missing folder") << "none/out.pdf" << pdf << "";
    QTest::newRow("messages unreadable") << "earlier.csv" << csv << "disk I/O error";
    QTest::newRow("pdf, messages unreadable") << "earlier.pdf" << pdf << "disk I/O error";
    // The format is known before the file is opened: nothing is truncated or created.
    QTest::newRow("pdf typed under csv filter") << "earlier.pdf" << csv << unknown;
    QTest::newRow("upper-case suffix") << "earlier.TXT" << csv << unknown;
    QTest::newRow("other suffix") << "earlier.xls" << csv << unknown;
    QTest::newRow("other suffix, new file") << "new.xls" << csv << unknown;
}

void TestExportDialog::failuresKeepTheEarlierFile()
{
    // A source whose reading fails half-way, as a damaged account would.
    class FailingSource : public SMSListSource
    {
    public:
        using SMSListSource::SMSListSource;
        bool next(SMSInfo& sms) override
        {
            if (++m_read > 1000)
                throw std::runtime_error("disk I/O error");
            return SMSListSource::next(sms);
        }

    private:
        int m_read = 0;
    };
    QFETCH(QString, name);
    QFETCH(QString, filter);
    QFETCH(QString, error);
    if (name == "full.csv" && !QFile::link(QStringLiteral("/dev/full"), path(name)))
        QSKIP("no /dev/full on this system");
    if (name.startsWith(QLatin1String("earlier")))
        writeFile(path(name), "earlier content");
    const QList<QString> before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::System);
    m_recorder->queueFileName(path(name));
    m_recorder->queueSelectedFilter(filter);
    const bool limited = name.startsWith(QLatin1String("big."));
    FailingSource source(generated(limited ? 500 : 2000));
    // Files stop growing at 4 KiB: the system takes a write in part, as on a full disk.
    rlimit usual{};
    getrlimit(RLIMIT_FSIZE, &usual);
    rlimit small = usual;
    small.rlim_cur = limited ? 4096 : usual.rlim_cur;
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    exportSMS(&source);
    setrlimit(RLIMIT_FSIZE, &usual);
    expectOneBox(QMessageBox::Critical, error);
    // Nothing left behind, and an earlier file as it was.
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::System), before);
    if (name.startsWith(QLatin1String("earlier")))
        QCOMPARE(readFile(path(name)), QByteArray("earlier content"));
}

void TestExportDialog::cancelKeepsTheEarlierFileAndProgressIsTruncated()
{
    // Truncated, never rounded up: 1 of 3 is 33, 2 of 3 is 66.
    const QString file = path(QStringLiteral("export.csv"));
    QByteArray firstExport;
    for (int total : {3, 500}) {
        SMSListSource source(generated(total));
        ExportJob job(&source, file);
        jobtest::cancelAtProgress(job, QStringLiteral("SMS 50:500"));
        const jobtest::RunResult run = jobtest::runRecorded(job);
        if (total == 3) {
            QVERIFY(run.succeeded());
            QCOMPARE(run.progress, (QStringList{"33 SMS 1:3", "66 SMS 2:3", "100 SMS 3:3"}));
            firstExport = readFile(file);
        } else {
            QCOMPARE(run.kind, JobOutcome::Cancelled);
        }
    }
    QCOMPARE(readFile(file), firstExport); // the cancelled export left it as it was
    QCOMPARE(QDir(m_dir.path()).entryList({"export*"}, QDir::Files), QStringList{"export.csv"});

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

void TestExportDialog::printer()
{
    const QList<SMSInfo> printed = {
        makeSMS("555", "Ann", "a<b>&c\nd", true, at(2012, 3, 4, 5, 6, 7)),
        makeSMS("", "", "x", false, at(2012, 3, 4, 5, 6, 8))};
    SMSListSource source(printed);
    QString title;
    int pages = -1;
    guitest::whenModal(QStringLiteral("QPrintPreviewDialog"), [&](QWidget* preview) {
        title = preview->windowTitle();
        pages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
        preview->close();
    });
    printPreview(&source); // no printer installed here: the preview renders for PDF
    QCOMPARE(title, QStringLiteral("Print SMS"));
    QCOMPARE(pages, 1);
    // Markup printed literally, line breaks kept, a separator after every message.
    QCOMPARE(SMSPrinter::messageHtml(printed.at(0)),
             QStringLiteral("<span style=\"font-size:15px; color:#008040; font-style:italic;\">"
                            "To Ann(555):  </span><span style=\"font-size:12px;\">a&lt;b&gt;&amp;c"
                            "<br/>d</span><br/><span style=\"font-size:12px;color:#E13C02; "
                            "font-style:italic;\">sent:2012-03-04 05:06:07</span><br/><br/>"));
    QVERIFY(SMSPrinter::messageHtml(printed.at(1))
                .startsWith("<span style=\"font-size:15px; color:#0000FF; font-style:italic;\">"
                            "Unknown:  </span>"));
}

void TestExportDialog::pdfExportHoldsEveryMessage()
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

QTEST_MAIN(TestExportDialog)
#include "tst_exportdialog.moc"
