// The application frame: message boxes, catalogue, data folder, the message record and the
// frame every background job follows.
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include "app/DataDirectory.h"
#include "app/JobThread.h"
#include "app/MessageBoxes.h"
#include "app/ProgressForm.h"
#include "app/ProjectInfo.h"
#include "app/SMSInfo.h"
#include "common/DialogRecorder.h"

namespace {

// A worker that succeeds, succeeds silently, fails, or runs until it is cancelled.
class SmallJob : public JobThread
{
public:
    SmallJob(const QString& outcome, ProgressForm* form) : JobThread(form), m_outcome(outcome) {}

protected:
    void run() override
    {
        while (m_outcome == QLatin1String("cancel") && !isCancelRequested())
            msleep(2);
        if (m_outcome == QLatin1String("cancel"))
            return; // a cancelled job reports nothing
        emit updateProgress(percentOf(1, 2), QStringLiteral("SMS 1:2"));
        if (m_outcome == QLatin1String("fail"))
            emit errorOccurred(QStringLiteral("disk full"));
        else
            emit succeed(m_outcome == QLatin1String("succeed") ? QStringLiteral("All done.") : "");
    }

private:
    QString m_outcome;
};

QString errorText(const char* detail)
{
    return QStringLiteral("C: Error occurred. Please contact %1 for help. Error info:\n%2")
        .arg(QString::fromUtf8(ProjectInfo::supportEmail), QString::fromUtf8(detail));
}

class Sender : public QObject
{
    Q_OBJECT
signals:
    void receivedSMS(const SMSInfo& sms);
};

} // namespace

class TestAppFrame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void messageBoxes();
    void realBox_data();
    void realBox();
    void catalogue_data();
    void catalogue();
    void dataFolder_data();
    void dataFolder();
    void smsInfoCrossesThreadsUnchanged();
    void jobFrame_data();
    void jobFrame();
    void percentOf_data();
    void percentOf();

private:
    QTranslator m_translator;
};

void TestAppFrame::initTestCase()
{
    QVERIFY(m_translator.load(QStringLiteral(":/en.qm")));
    QCoreApplication::installTranslator(&m_translator);
}

void TestAppFrame::messageBoxes()
{
    DialogRecorder boxes;
    showWarning(QStringLiteral("w"));
    showInformation(QStringLiteral("i"));
    showCritical(QStringLiteral("c"));
    boxes.queueButton(QMessageBox::Yes);
    QVERIFY(askYesNo(QStringLiteral("yes")));
    boxes.queueButton(QMessageBox::Cancel); // the box was closed
    QVERIFY(!askYesNo(QStringLiteral("closed")));
    showErrorOccurred(QStringLiteral("no such table: sms"));
    QCOMPARE(boxes.shown(), (QStringList{"W: w", "I: i", "C: c", "Q: yes", "Q: closed",
                                         errorText("no such table: sms")}));
    for (const DialogRecorder::Message& box : boxes.messages)
        QCOMPARE(box.title, QStringLiteral("Tallowbrook"));
    QCOMPARE(boxes.messages.at(3).buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(boxes.messages.at(5).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void TestAppFrame::realBox_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("press"); // index from the left, or -1 to close the box
    QTest::addColumn<int>("answer");
    const int all = QMessageBox::Cancel | QMessageBox::Ok | QMessageBox::No | QMessageBox::Yes;
    QTest::newRow("all four, second pressed") << all << 1 << int(QMessageBox::No);
    QTest::newRow("all four, closed") << all << -1 << int(QMessageBox::Cancel);
    QTest::newRow("question closed")
        << int(QMessageBox::Yes | QMessageBox::No) << -1 << int(QMessageBox::No);
    QTest::newRow("ok closed") << int(QMessageBox::Ok) << -1 << int(QMessageBox::Ok);
}

void TestAppFrame::realBox()
{
    QFETCH(int, buttons);
    QFETCH(int, press);
    QFETCH(int, answer);
    // No answerer: the real box runs; inspect it and answer from inside its loop.
    QStringList onScreen;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        QList<QAbstractButton*> shown = box->buttons();
        std::sort(shown.begin(), shown.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
        for (QAbstractButton* button : shown)
            onScreen.append(button->text());
        if (press >= 0)
            shown.at(press)->click();
        else
            box->reject();
    });
    QCOMPARE(showMessage(QMessageBox::Question, QStringLiteral("?"),
                         QMessageBox::StandardButtons(buttons)),
             answer);
    QCOMPARE(title, QStringLiteral("Tallowbrook"));
    // Always Yes, No, Ok, Cancel from the left, whatever the platform's habit.
    QDialogButtonBox texts;
    QStringList expected;
    for (auto button : {QDialogButtonBox::Yes, QDialogButtonBox::No, QDialogButtonBox::Ok,
                        QDialogButtonBox::Cancel}) {
        if (buttons & button)
            expected.append(texts.addButton(button)->text());
    }
    QCOMPARE(onScreen, expected);
}

void TestAppFrame::catalogue_data()
{
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("english");
    const auto row = [](const char* context, const char* key, const char* english) {
        QTest::addRow("%s/%s", context, key) << context << key << english;
    };
    row("AccountForm", "IDS_INVALID_ACCOUNT_NAME",
        "Invalid account(can't contain \\ / : * ? \" < > | etc).");
    row("MainWindow", "IDS_ERROR_OCCURRED_WHEN_LISTENING_SMS_%1",
        "Error occurred during monitoring message receiving. %1");
    row("ConnectionForm", "IDS_CAN_NOT_MAKE_CONNECTION_START_SYNC_FIRST_ERR_%1",
        "Fail to connect device. Please start ZO Ruro Vedarov to retry.%1");
    row("SyncRestoreThread", "IDS_RESTORE_SUC_%1", "Successfully import %1 SMS.");
    row("LocalPreviewCSVThread", "IDS_IMPORT_CSV_PREVIEW_SUC_%1_INVALID_%2",
        "Successfully load %1 SMS. Found %2 invalid sms.");
    row("LocalRestoreThread", "IDS_INVALID_DATE_FORMAT",
        "Incorrect date format in CSV data.Correct format is (yyyy-MM-dd hh:mm:ss).");
    row("CSVPreviewForm", "IDS_FORM_TITLE_%1_PREVIEW_SMS", "%1 - Preview CSV File");
    row("SMSPrinter", "IDS_PRINT_SMS", "Print SMS");
}

void TestAppFrame::catalogue()
{
    QFETCH(QString, context);
    QFETCH(QString, key);
    QFETCH(QString, english);
    QCOMPARE(QCoreApplication::translate(qPrintable(context), qPrintable(key)), english);
}

void TestAppFrame::dataFolder_data()
{
    QTest::addColumn<bool>("roaming");
    QTest::newRow("home without AppData/Roaming") << false;
    QTest::newRow("home with AppData/Roaming") << true;
}

void TestAppFrame::dataFolder()
{
    QFETCH(bool, roaming);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QVERIFY(!roaming || QDir(home.path()).mkpath("AppData/Roaming"));
    qputenv("HOME", QFile::encodeName(home.path()));
    const QString base =
        QDir(home.path()).absoluteFilePath(roaming ? "AppData/Roaming" : "Application Data");
    QCOMPARE(appDataBaseDirectory().absolutePath(), base);
    QVERIFY(roaming || !QFileInfo::exists(base)); // the base is only named, not made
    for (int call = 0; call < 2; ++call) {        // made on the first call, the same after
        const QDir data = dataDirectory();
        QCOMPARE(data.absolutePath(), base + QStringLiteral("/Quillmarten/Fernhollow"));
        QVERIFY(data.exists());
    }
    QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{roaming ? "AppData" : "Application Data"});
}

void TestAppFrame::smsInfoCrossesThreadsUnchanged()
{
    registerSMSInfoMetaType();
    registerSMSInfoMetaType(); // twice is harmless
    QCOMPARE(QMetaType::fromName("SMSInfo"), QMetaType::fromType<SMSInfo>());
    SMSInfo sms;
    sms.smsId = -12;
    sms.person = QStringLiteral("Zoë");
    sms.address = QStringLiteral("+49 170 1234567");
    sms.body = QStringLiteral("line one\nline two ✓");
    sms.isSend = true;
    sms.date = QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 750));

    Sender sender;
    QObject receiver;
    QList<SMSInfo> received;
    connect(
        &sender, &Sender::receivedSMS, &receiver,
        [&](const SMSInfo& got) {
            if (QThread::currentThread() == receiver.thread())
                received.append(got);
        },
        Qt::QueuedConnection);
    std::unique_ptr<QThread> worker(QThread::create([&] { emit sender.receivedSMS(sms); }));
    worker->start();
    worker->wait();
    QCoreApplication::sendPostedEvents();
    QCOMPARE(received.size(), 1);
    const auto fields = [](const SMSInfo& m) {
        return QStringList{QString::number(m.smsId),
                           m.person,
                           m.address,
                           m.body,
                           QString::number(m.isSend),
                           m.date.toString(Qt::ISODateWithMs)};
    };
    QCOMPARE(fields(received.first()), fields(sms));
}

void TestAppFrame::jobFrame_data()
{
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("success") << "succeed" << 1 << QStringList{"I: All done."};
    QTest::newRow("success without text") << "silent" << 1 << QStringList();
    QTest::newRow("error") << "fail" << 0 << QStringList{errorText("disk full")};
    QTest::newRow("closed by the user") << "cancel" << 0 << QStringList();
}

void TestAppFrame::jobFrame()
{
    QFETCH(QString, outcome);
    QFETCH(int, result);
    QFETCH(QStringList, boxes);
    DialogRecorder recorder;
    ProgressForm form(QStringLiteral("Backing up SMS now"));
    SmallJob job(outcome, &form);
    if (outcome == QLatin1String("cancel")) // the user closes the running dialog
        QTimer::singleShot(0, &form, [&form] { form.close(); });
    int seen = -1;
    QCOMPARE(runJob(form, job, [&](int r) { seen = r; }), result);
    QCOMPARE(seen, result);
    QVERIFY(job.isFinished()); // runJob waited for it (a cancelled one only stops when told)
    QCOMPARE(recorder.shown(), boxes);
    if (outcome != QLatin1String("cancel")) { // the progress arrived before the end
        QCOMPARE(form.progressBar()->value(), 50);
        QCOMPARE(form.progressLabel()->text(), QStringLiteral("SMS 1:2"));
    }
}

void TestAppFrame::percentOf_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("percent");
    QTest::newRow("unknown total") << qint64(5) << qint64(0) << 0;
    QTest::newRow("nothing done") << qint64(0) << qint64(10) << 0;
    QTest::newRow("truncated, not rounded") << qint64(2) << qint64(3) << 66;
    QTest::newRow("more than all") << qint64(12) << qint64(7) << 100;
    QTest::newRow("beyond 32 bits") << qint64(3'000'000'000LL) << qint64(6'000'000'000LL) << 50;
}

void TestAppFrame::percentOf()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(int, percent);
    QCOMPARE(JobThread::percentOf(done, total), percent);
}

QTEST_MAIN(TestAppFrame)
#include "tst_appframe.moc"
