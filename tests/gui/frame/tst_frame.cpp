// The application frame: message boxes, data folder, and the frame every background job follows.
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include "core/frame/Cancellation.h"
#include "core/frame/DataDirectory.h"
#include "core/frame/JobThread.h"
#include "core/frame/ProjectInfo.h"
#include "gui/frame/BusyDialog.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/ProgressForm.h"
#include "gui/frame/RunBehindDialog.h"
#include "support/DialogRecorder.h"

namespace {

// A worker that succeeds, succeeds silently, fails, runs until it is cancelled (and then takes
// a while to wind up), or finishes its work although it was cancelled.
class SmallJob : public JobThread
{
public:
    explicit SmallJob(const QString& outcome) : JobThread("SmallJob"), m_outcome(outcome) {}

protected:
    void work() override
    {
        emit updateProgress(percentOf(1, 2), QStringLiteral("SMS 1:2"));
        if (m_outcome == QLatin1String("fail"))
            throw std::runtime_error("disk full");
        if (m_outcome == QLatin1String("late success")) {
            while (!cancelRequested())
                msleep(2);
            emit succeed(QStringLiteral("Stored anyway."));
            return;
        }
        if (m_outcome != QLatin1String("succeed") && m_outcome != QLatin1String("silent")) {
            try {
                Cancellation::sleep(60000);
            } catch (const Cancellation::Cancelled&) {
                msleep(200); // rolling back
                throw;
            }
        }
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

} // namespace

class TestAppFrame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void messageBoxes();
    void realBox_data();
    void realBox();
    void dataFolder_data();
    void dataFolder();
    void backgroundTasks();
    void jobFrame_data();
    void jobFrame();

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
    // (Each kind of box with its title and text is checked where a dialog shows it.)
    DialogRecorder boxes;
    boxes.queueButton(QMessageBox::Cancel); // the box was closed
    QVERIFY(!askYesNo(QStringLiteral("closed")));
    QCOMPARE(boxes.messages.at(0).buttons, QMessageBox::Yes | QMessageBox::No);
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

void TestAppFrame::backgroundTasks()
{
    DialogRecorder recorder;
    int ran = 0;
    QVERIFY(runInBackground(QStringLiteral("working"), [&] { ++ran; }));
    QCOMPARE(ran, 1);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, runInBackground(QStringLiteral("failing"), [] {
                                 throw std::runtime_error("no phone");
                             }));
    // Esc on the busy dialog ends a task that would wait forever, within a second.
    QElapsedTimer sinceCancel;
    QTimer::singleShot(200, this, [&] {
        auto* busy = qobject_cast<BusyDialog*>(QApplication::activeModalWidget());
        QVERIFY(busy);
        sinceCancel.start();
        QTest::keyClick(busy, Qt::Key_Escape);
    });
    QVERIFY(!runInBackground(QStringLiteral("waiting"), [] { Cancellation::sleep(60000); }));
    QVERIFY(sinceCancel.elapsed() < 1000);
    QVERIFY(recorder.messages.isEmpty());
}

void TestAppFrame::jobFrame_data()
{
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("cancel"); // how the user cancels, if at all
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("boxes");
    const auto row = [](const char* name, const char* outcome, const char* cancel, int result,
                        const QStringList& boxes = {}) {
        QTest::newRow(name) << outcome << cancel << result << boxes;
    };
    row("success", "succeed", "", 1, {"I: All done."});
    row("success without text", "silent", "", 1);
    row("error", "fail", "", 0, {errorText("disk full")});
    row("closed by the user", "wait", "close", 0);
    row("Cancel button", "wait", "button", 0);
    row("Esc", "wait", "escape", 0);
    // Work that was done before the job saw the cancel is reported done.
    row("success after the cancel", "late success", "button", 1, {"I: Stored anyway."});
}

void TestAppFrame::jobFrame()
{
    QFETCH(QString, outcome);
    QFETCH(QString, cancel);
    QFETCH(int, result);
    QFETCH(QStringList, boxes);
    DialogRecorder recorder;
    ProgressForm form(QStringLiteral("Backing up SMS now"));
    SmallJob job(outcome);
    bool openWhenTheJobEnded = false;
    connect(&job, &QThread::finished, &form, [&] { openWhenTheJobEnded = form.isVisible(); });
    if (!cancel.isEmpty()) {
        QTimer::singleShot(50, &form, [&] {
            if (cancel == QLatin1String("close"))
                form.close();
            else if (cancel == QLatin1String("button"))
                form.cancelButton()->click();
            else
                QTest::keyClick(&form, Qt::Key_Escape);
            QCOMPARE(form.progressLabel()->text(), QStringLiteral("Cancelling..."));
            QVERIFY(!form.cancelButton()->isEnabled());
        });
    }
    int seen = -1;
    QCOMPARE(runJob(form, job, [&](int r) { seen = r; }), result);
    QCOMPARE(seen, result);
    QVERIFY(job.isFinished());
    QCOMPARE(recorder.shown(), boxes);
    // The dialog never closes over a job that is still winding up.
    if (outcome == QLatin1String("wait"))
        QVERIFY(openWhenTheJobEnded);
    if (cancel.isEmpty()) { // the progress arrived before the end
        QCOMPARE(form.progressBar()->value(), 50);
        QCOMPARE(form.progressLabel()->text(), QStringLiteral("SMS 1:2"));
    }
}

QTEST_MAIN(TestAppFrame)
#include "tst_frame.moc"
