// The progress dialog and the frame every background job follows.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include "app/JobThread.h"
#include "app/ProgressForm.h"
#include "common/DialogRecorder.h"

namespace {

// A worker whose run is chosen by the test.
class SmallJob : public JobThread
{
public:
    enum class Outcome
    {
        Succeed,
        SucceedSilently,
        Fail,
        RunUntilCancelled
    };

    SmallJob(Outcome outcome, ProgressForm* form) : JobThread(form), m_outcome(outcome) {}

    std::atomic<int> unitsDone{0};
    std::atomic<bool> emittedAfterCancel{false};

protected:
    void run() override
    {
        switch (m_outcome) {
        case Outcome::Succeed:
            emit updateProgress(percentOf(1, 2), QStringLiteral("SMS %1:%2").arg(1).arg(2));
            emit succeed(QStringLiteral("All done."));
            return;
        case Outcome::SucceedSilently:
            emit succeed(QString());
            return;
        case Outcome::Fail:
            emit errorOccurred(QStringLiteral("disk full"));
            return;
        case Outcome::RunUntilCancelled:
            while (!isCancelRequested()) {
                ++unitsDone;
                msleep(2);
            }
            return; // a cancelled job reports nothing
        }
    }

private:
    Outcome m_outcome;
};

// Closes the modal progress dialog as the user would, once it runs.
void closeProgressWhenShown()
{
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == QLatin1String("ProgressForm"))
            modal->close();
        else
            closeProgressWhenShown();
    });
}

} // namespace

class TestProgressForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void initialState();
    void successAcceptsAndShowsText();
    void successWithEmptyTextShowsNoBox();
    void errorRejectsAfterErrorBox();
    void closingCancelsTheWorker();
    void percentOf_data();
    void percentOf();

private:
    QTranslator m_translator;
};

void TestProgressForm::initTestCase()
{
    QVERIFY(m_translator.load(QStringLiteral(":/en.qm")));
    QCoreApplication::installTranslator(&m_translator);
}

void TestProgressForm::initialState()
{
    ProgressForm form(QStringLiteral("Backing up SMS now"));
    QCOMPARE(form.objectName(), QStringLiteral("ProgressForm"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Backing up SMS now"));
    QCOMPARE(form.minimumSize(), QSize(348, 76));
    QCOMPARE(form.maximumSize(), QSize(348, 76));
    auto* bar = form.findChild<QProgressBar*>(QStringLiteral("progressBar"));
    auto* label = form.findChild<QLabel*>(QStringLiteral("lbProgress"));
    QVERIFY(bar && label);
    QCOMPARE(bar->value(), 0);
    QVERIFY(bar->isTextVisible());
    QCOMPARE(bar->orientation(), Qt::Horizontal);
    QCOMPARE(label->text(), QStringLiteral("SMS: 0/0"));
    QCOMPARE(label->alignment(), Qt::AlignCenter);
}

void TestProgressForm::successAcceptsAndShowsText()
{
    DialogRecorder boxes;
    ProgressForm form(QStringLiteral("Job"));
    SmallJob job(SmallJob::Outcome::Succeed, &form);
    int seen = -1;
    const int result = runJob(form, job, [&](int r) { seen = r; });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(seen, int(QDialog::Accepted));
    QVERIFY(job.isFinished());
    // The progress report arrived before the success.
    QCOMPARE(form.progressBar()->value(), 50);
    QCOMPARE(form.progressLabel()->text(), QStringLiteral("SMS 1:2"));
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages.first().icon, QMessageBox::Information);
    QCOMPARE(boxes.messages.first().text, QStringLiteral("All done."));
}

void TestProgressForm::successWithEmptyTextShowsNoBox()
{
    DialogRecorder boxes;
    ProgressForm form(QStringLiteral("Job"));
    SmallJob job(SmallJob::Outcome::SucceedSilently, &form);
    QCOMPARE(runJob(form, job), int(QDialog::Accepted));
    QVERIFY(boxes.messages.isEmpty());
}

void TestProgressForm::errorRejectsAfterErrorBox()
{
    DialogRecorder boxes;
    ProgressForm form(QStringLiteral("Job"));
    SmallJob job(SmallJob::Outcome::Fail, &form);
    bool reloaded = false;
    const int result = runJob(form, job, [&](int r) {
        if (r == QDialog::Accepted)
            reloaded = true;
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY(!reloaded);
    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(boxes.messages.first().icon, QMessageBox::Critical);
    QVERIFY(boxes.messages.first().text.startsWith(QStringLiteral("Error occurred.")));
    QVERIFY(boxes.messages.first().text.endsWith(QStringLiteral("\ndisk full")));
}

void TestProgressForm::closingCancelsTheWorker()
{
    DialogRecorder boxes;
    ProgressForm form(QStringLiteral("Job"));
    SmallJob job(SmallJob::Outcome::RunUntilCancelled, &form);
    closeProgressWhenShown();
    const int result = runJob(form, job);
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY(job.isCancelRequested());
    QVERIFY(job.isFinished()); // runJob waited for it
    QVERIFY(boxes.messages.isEmpty());
}

void TestProgressForm::percentOf_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<int>("percent");
    QTest::newRow("unknown total") << qint64(5) << qint64(0) << 0;
    QTest::newRow("negative total") << qint64(5) << qint64(-3) << 0;
    QTest::newRow("nothing done") << qint64(0) << qint64(10) << 0;
    QTest::newRow("truncated, not rounded") << qint64(2) << qint64(3) << 66;
    QTest::newRow("one of many") << qint64(1) << qint64(1000) << 0;
    QTest::newRow("almost all") << qint64(999) << qint64(1000) << 99;
    QTest::newRow("all") << qint64(7) << qint64(7) << 100;
    QTest::newRow("more than all") << qint64(12) << qint64(7) << 100;
    QTest::newRow("beyond 32 bits") << qint64(3'000'000'000LL) << qint64(6'000'000'000LL) << 50;
}

void TestProgressForm::percentOf()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(int, percent);
    QCOMPARE(JobThread::percentOf(done, total), percent);
}

QTEST_MAIN(TestProgressForm)
#include "tst_progressform.moc"
