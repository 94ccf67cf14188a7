// stall_bench: the longest time the GUI thread goes without turning its event loop
// (StallProbe) while the window does its heavy work through its real code paths, offscreen:
//   - a backup of N messages from the phone simulator (PhoneBackupJob, runJob, ProgressForm),
//   - an import of N messages (ImportJob, runJob, ProgressForm),
//   - a backup from a phone that falls silent mid-batch, cancelled with the dialog's button,
//     with the time from the cancel to the dialog closing,
//   - while another program (a second connection on a thread of its own) holds the account for
//     HOLD_MS: a job that waits for it, and an incoming message (IncomingSMSGate) that waits,
//   - deleting a conversation of 20,000 messages (MainActions::miThreadDelete),
//   - the contacts list (MainWindow::reloadContacts) and two keyword searches (the search
//     dialog's button: a word the index finds, and two letters that read every message) on an
//     account of 1,000,000 messages in 5,000 conversations, and the two-letter search cancelled
//     with its busy dialog's button.
//
//   stall_bench [--runs R] [--count N] [--address IP] [--silent-address IP] [--no-large] [FOLDER]
//
// FOLDER keeps the large account for the next run (building it takes a while); without it the
// account lives in a temporary folder for this run only.

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sqlite3.h>
#include <thread>

#include "LargeAccount.h"
#include "PhoneSimProcess.h"
#include "StallProbe.h"
#include "core/device/DeviceConnection.h"
#include "core/frame/DataDirectory.h"
#include "core/jobs/ImportJob.h"
#include "core/jobs/PhoneBackupJob.h"
#include "core/jobs/PhoneJobTimings.h"
#include "core/store/Accounts.h"
#include "core/store/IncomingSMSGate.h"
#include "core/store/SMSBatchStore.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/StoreSMS.h"
#include "core/store/Transaction.h"
#include "gui/frame/BusyDialog.h"
#include "gui/frame/RunBehindDialog.h"
#include "gui/frame/MyTreeView.h"
#include "gui/frame/ProgressForm.h"
#include "gui/ui/ItemModelContacts.h"
#include "gui/ui/MainActions.h"
#include "gui/ui/MainWindow.h"
#include "gui/ui/SMSSearchForm.h"
#include "support/DialogRecorder.h"

namespace {

constexpr double TARGET_GAP_MS = 100;
constexpr double TARGET_CANCEL_MS = 1000;
// After a step on the GUI thread returns, the loop runs on this long, so that work it left to
// the event loop (results of a worker, repaints) is measured too.
constexpr int SETTLE_MS = 300;

[[noreturn]] void fail(const QString& text)
{
    std::fprintf(stderr, "stall_bench: %s\n", qPrintable(text));
    std::exit(1);
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

// One measured step: the longest gap of the GUI thread and how long the step took.
struct Sample
{
    double gapMs = 0;
    double ms = 0;
};

// The samples of one kind of step, printed run by run and as medians.
class Series
{
public:
    explicit Series(const char* what, const char* durationLabel = "took")
        : m_what(what), m_durationLabel(durationLabel)
    {}

    void add(const Sample& sample)
    {
        m_samples.append(sample);
        std::printf("  %-48s run %lld: longest gap %7.1f ms, %s %8.1f ms\n", m_what,
                    static_cast<long long>(m_samples.size()), sample.gapMs, m_durationLabel,
                    sample.ms);
        std::fflush(stdout);
    }
    double medianGap() const { return medianOf(&Sample::gapMs); }
    double medianMs() const { return medianOf(&Sample::ms); }
    const char* what() const { return m_what; }
    const char* durationLabel() const { return m_durationLabel; }
    bool isEmpty() const { return m_samples.isEmpty(); }

private:
    double medianOf(double Sample::*field) const
    {
        QList<double> values;
        for (const Sample& sample : m_samples)
            values.append(sample.*field);
        return median(values);
    }

    const char* m_what;
    const char* m_durationLabel;
    QList<Sample> m_samples;
};

// Runs the event loop until done() holds (looked at every 10 ms) or timeoutMs has passed.
bool runLoopUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return done();
}

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void freshAccount(const QString& name)
{
    if (QFile::exists(accountFilePath(name)))
        deleteAccountFile(name);
    createAccountFile(name);
    openAccountDatabase(name);
}

// --- backup, import and cancel --------------------------------------------------------------

// Runs the job behind its dialog while the probe watches the GUI thread: runJob's result, and
// the longest gap with the job's time.
std::pair<int, Sample> runProbed(ProgressForm& form, JobThread& job)
{
    StallProbe probe;
    QElapsedTimer timer;
    probe.start();
    timer.start();
    const int result = runJob(form, job);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    probe.stop();
    return {result, Sample{probe.longestGapMs(), ms}};
}

Sample backupOnce(int run, qint64 count)
{
    const QString account = QStringLiteral("stall_backup%1.db").arg(run);
    freshAccount(account);
    DialogRecorder boxes;
    ProgressForm form(QStringLiteral("Backing up SMS now"));
    PhoneBackupJob job;
    const auto [result, sample] = runProbed(form, job);
    if (result != QDialog::Accepted || job.processedCount() != count)
        fail(QStringLiteral("backup run %1 failed: %2").arg(run).arg(boxes.lastText()));
    deleteAccountFile(account);
    return sample;
}

QList<SMSInfo> generateMessages(int count)
{
    QList<SMSInfo> list;
    list.reserve(count);
    QRandomGenerator random(99);
    const QDateTime start(QDate(2016, 1, 1), QTime(0, 0, 0));
    for (int i = 0; i < count; ++i) {
        SMSInfo sms;
        const int contact = int(random.bounded(300));
        sms.address = QStringLiteral("+49 171 %1").arg(2000000 + contact * 31);
        sms.person = contact % 3 ? QStringLiteral("Contact %1").arg(contact) : QString();
        sms.body = QStringLiteral("Message %1, see you at %2 \"ok\"? 😀").arg(i).arg(i % 24);
        sms.isSend = random.bounded(2) == 1;
        sms.date = start.addSecs(qint64(i) * 61);
        list.append(sms);
    }
    return list;
}

Sample importOnce(int run, const QList<SMSInfo>& list)
{
    const QString account = QStringLiteral("stall_import%1.db").arg(run);
    freshAccount(account);
    DialogRecorder boxes;
    ProgressForm form(QStringLiteral("Importing SMS now"));
    ImportJob job(list);
    const auto [result, sample] = runProbed(form, job);
    if (result != QDialog::Accepted || job.storedCount() + job.skippedCount() != list.size())
        fail(QStringLiteral("import run %1 failed: %2").arg(run).arg(boxes.lastText()));
    deleteAccountFile(account);
    return sample;
}

// The phone stops sending in the middle of a batch; half a second later the user presses
// Cancel. Sample::ms is the time from the press to the dialog closing.
Sample cancelOnce(int run, tbtest::PhoneSimProcess& silent)
{
    const QString account = QStringLiteral("stall_cancel%1.db").arg(run);
    freshAccount(account);
    DialogRecorder boxes;
    ProgressForm form(QStringLiteral("Backing up SMS now"));
    PhoneBackupJob job;
    QElapsedTimer sinceCancel;
    double cancelToClosedMs = -1;
    QObject::connect(&form, &QDialog::finished, &form, [&] {
        if (sinceCancel.isValid())
            cancelToClosedMs = double(sinceCancel.nsecsElapsed()) / 1e6;
    });
    const qsizetype logFrom = silent.logText().size(); // earlier runs' notes come before
    std::function<void()> cancelWhenSilent = [&] {
        if (!silent.logText().mid(logFrom).contains(QStringLiteral("misbehave stall-mid now"))) {
            QTimer::singleShot(20, &form, cancelWhenSilent);
            return;
        }
        QTimer::singleShot(500, &form, [&] {
            sinceCancel.start();
            form.cancelButton()->click();
        });
    };
    QTimer::singleShot(20, &form, cancelWhenSilent);
    StallProbe probe;
    probe.start();
    const int result = runJob(form, job);
    probe.stop();
    if (result != QDialog::Rejected || cancelToClosedMs < 0 || !boxes.messages.isEmpty())
        fail(QStringLiteral("cancel run %1: result %2, boxes: %3")
                 .arg(run)
                 .arg(result)
                 .arg(boxes.shown().join(u'|')));
    deleteAccountFile(account);
    return {probe.longestGapMs(), cancelToClosedMs};
}

// --- the large account ------------------------------------------------------------------------

void openLargeAccount()
{
    const QString name = QStringLiteral("stall_bench_1m.db");
    if (QFile::exists(accountFilePath(name))) {
        openAccountDatabase(name);
        std::printf("reusing %s\n", qPrintable(accountFilePath(name)));
        return;
    }
    createAccountFile(name);
    QElapsedTimer timer;
    timer.start();
    largeaccount::fill(openAccountDatabase(name));
    // Opened again, as after a backup: the messages get into the search index.
    openAccountDatabase(name);
    std::printf("built %s (%d messages) in %.1f s\n", qPrintable(accountFilePath(name)),
                largeaccount::messageCount, double(timer.elapsed()) / 1000.0);
}

// The call from the event loop, as a menu command or a timer would make it, then the loop
// runs on for SETTLE_MS.
Sample measureFromEventLoop(const std::function<void()>& step, const std::function<bool()>& done)
{
    StallProbe probe;
    QElapsedTimer timer;
    probe.start();
    QTimer::singleShot(0, [&] {
        timer.start();
        step();
    });
    if (!runLoopUntil([&] { return timer.isValid() && done(); }, 120000))
        fail(QStringLiteral("a step did not end within two minutes"));
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    settle(SETTLE_MS);
    probe.stop();
    return {probe.longestGapMs(), ms};
}

// The two-letter search cancelled as soon as its busy dialog shows: the longest gap, and the
// time from the press to the search's end; the results shown before stay.
Sample cancelSearchOnce(SMSSearchForm& form, QPushButton* button)
{
    form.statusLabel()->setText(QStringLiteral("before"));
    QElapsedTimer sinceCancel;
    std::function<void()> cancelWhenShown = [&] {
        auto* busy = qobject_cast<BusyDialog*>(QApplication::activeModalWidget());
        if (!busy) {
            QTimer::singleShot(5, &form, cancelWhenShown);
            return;
        }
        sinceCancel.start();
        busy->cancelButton()->click();
    };
    QTimer::singleShot(0, &form, cancelWhenShown);
    StallProbe probe;
    probe.start();
    button->click(); // returns once the search has ended
    const double ms = double(sinceCancel.nsecsElapsed()) / 1e6;
    settle(SETTLE_MS);
    probe.stop();
    if (!sinceCancel.isValid() || form.statusLabel()->text() != QLatin1String("before"))
        fail(QStringLiteral("the search was not cancelled"));
    return {probe.longestGapMs(), ms};
}

void measureLargeAccount(int runs, Series& contacts, Series& search, Series& shortSearch,
                         Series& searchCancel)
{
    openLargeAccount();
    DialogRecorder boxes;
    QElapsedTimer timer;
    timer.start();
    MainWindow window;
    window.show();
    std::printf("main window opened in %.0f ms\n", double(timer.elapsed()));
    settle(SETTLE_MS);
    bool reloaded = false;
    for (int run = 0; run < runs; ++run) {
        contacts.add(measureFromEventLoop(
            [&] {
                reloaded = false;
                window.reloadContacts();
                reloaded = true;
            },
            [&] { return reloaded; }));
        if (window.contactsModel()->rowCount() != largeaccount::conversationCount)
            fail(QStringLiteral("contacts list: %1 rows").arg(window.contactsModel()->rowCount()));
    }

    SMSSearchForm form;
    form.show();
    form.folderBox()->setCurrentIndex(0); // every folder
    auto* button = form.findChild<QPushButton*>(QStringLiteral("btnSearch"));
    for (const auto& [keyword, series] :
         {std::pair{largeaccount::keyword, &search}, {QStringLiteral("ok"), &shortSearch}}) {
        form.keywordEdit()->setText(keyword);
        for (int run = 0; run < runs; ++run) {
            form.statusLabel()->clear();
            series->add(measureFromEventLoop(
                [&] { button->click(); }, [&] { return !form.statusLabel()->text().isEmpty(); }));
        }
        std::printf("search %s: %s\n", qPrintable(keyword), qPrintable(form.statusLabel()->text()));
    }
    for (int run = 0; run < runs; ++run)
        searchCancel.add(cancelSearchOnce(form, button));
    if (!boxes.messages.isEmpty())
        fail(QStringLiteral("unexpected boxes: %1").arg(boxes.shown().join(u'|')));
}

// --- two programs on one account ------------------------------------------------------------

constexpr int HOLD_MS = 1500;
constexpr int CONVERSATION = 20000;

// Another program's job: holds the account's write lock from a connection of its own, on a
// thread of its own, for HOLD_MS.
class OtherProgram
{
public:
    explicit OtherProgram(const QString& path)
        : m_thread([path] {
              Sqlite3DB db;
              db.openThrow(path, SQLITE_OPEN_READWRITE);
              db.beginTran();
              QThread::msleep(HOLD_MS);
              db.rollbackTran();
          })
    {
        QThread::msleep(50); // it has the lock before the window asks
    }
    ~OtherProgram() { m_thread.join(); }

private:
    std::thread m_thread;
};

// A small import job started while the other program holds the account: its begin waits on the
// job's thread, and an incoming message arrives meanwhile. Sample::ms is the time to the dialog
// closing.
Sample jobWhileHeldOnce(int run)
{
    const QString account = QStringLiteral("stall_held%1.db").arg(run);
    freshAccount(account);
    DialogRecorder boxes;
    const OtherProgram other(accountFilePath(account));
    ProgressForm form(QStringLiteral("Importing SMS now"));
    ImportJob job(generateMessages(10));
    IncomingSMSGate gate;
    QTimer::singleShot(200, &gate, [&] { gate.offer(generateMessages(12).last()); });
    const auto [result, sample] = runProbed(form, job);
    if (result != QDialog::Accepted)
        fail(QStringLiteral("job run %1 failed: %2").arg(run).arg(boxes.lastText()));
    return sample;
}

// An incoming message while the other program holds the account: held, then stored after it.
Sample incomingWhileHeldOnce(int run)
{
    const QString account = QStringLiteral("stall_held%1.db").arg(run);
    openAccountDatabase(account);
    IncomingSMSGate gate;
    int stored = 0;
    QObject::connect(&gate, &IncomingSMSGate::stored, [&] { ++stored; });
    const OtherProgram other(accountFilePath(account));
    const Sample sample = measureFromEventLoop([&] { gate.offer(generateMessages(11).last()); },
                                               [&] { return stored == 1; });
    deleteAccountFile(account);
    return sample;
}

// The conversation of 20,000 messages beside 2,000 others, deleted through the window's menu.
Sample deleteConversationOnce(int run)
{
    const QString account = QStringLiteral("stall_delete%1.db").arg(run);
    freshAccount(account);
    QList<SMSInfo> messages = generateMessages(CONVERSATION + 2000);
    for (int i = 0; i < CONVERSATION; ++i)
        messages[i].address = QStringLiteral("+49 170 5550000");
    {
        Transaction transaction(currentDatabase());
        SMSBatchStore(currentDatabase()).store(messages);
        transaction.commit();
    }
    openAccountDatabase(account);
    DialogRecorder boxes;
    boxes.queueButton(QMessageBox::Yes);
    MainWindow window;
    window.show();
    const int row = window.contactsModel()->rowOfSuffix(QStringLiteral("705550000"));
    window.contactsView()->setCurrentIndex(window.contactsModel()->index(row, 0));
    settle(SETTLE_MS);
    const Sample sample = measureFromEventLoop([&] { window.actions()->miThreadDelete(); },
                                               [&] { return boxes.messages.size() == 2; });
    if (window.contactsModel()->rowOfSuffix(QStringLiteral("705550000")) >= 0)
        fail(QStringLiteral("delete run %1: %2").arg(run).arg(boxes.shown().join(u'|')));
    return sample;
}

void printSummary(const QList<const Series*>& all, int runs)
{
    std::printf("\nmedians of %d run(s); targets: no gap over %.0f ms, cancel to closed within "
                "%.0f ms\n",
                runs, TARGET_GAP_MS, TARGET_CANCEL_MS);
    for (const Series* series : all) {
        if (series->isEmpty())
            continue;
        std::printf("  %-48s longest gap %7.1f ms %-6s  %s %8.1f ms\n", series->what(),
                    series->medianGap(), series->medianGap() <= TARGET_GAP_MS ? "(ok)" : "(OVER)",
                    series->durationLabel(), series->medianMs());
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions(
        {{QStringLiteral("runs"), QStringLiteral("Repetitions of each step."), QStringLiteral("n"),
          QStringLiteral("3")},
         {QStringLiteral("count"), QStringLiteral("Messages to back up and to import."),
          QStringLiteral("n"), QStringLiteral("100000")},
         {QStringLiteral("address"), QStringLiteral("Loopback address of the phone."),
          QStringLiteral("ip"), QStringLiteral("127.0.0.110")},
         {QStringLiteral("silent-address"),
          QStringLiteral("Loopback address of the phone that falls silent."), QStringLiteral("ip"),
          QStringLiteral("127.0.0.111")},
         {QStringLiteral("no-large"),
          QStringLiteral("Leave out the contacts list and search on 1,000,000 messages.")}});
    parser.addPositionalArgument(QStringLiteral("folder"),
                                 QStringLiteral("Keeps the large account for the next run."));
    parser.process(app);
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    const int count = parser.value(QStringLiteral("count")).toInt();

    // The fixed waits of the phone jobs (5 s, 1 s) are left out: nothing happens in them.
    PhoneJobTimings::setForTests(0, 0);
    QTemporaryDir temporary;
    const QString home = parser.positionalArguments().value(0, temporary.path());
    qputenv("HOME", QFile::encodeName(home));

    tbtest::PhoneSimProcess phone;
    tbtest::PhoneSimProcess silent;
    if (!phone.start(parser.value(QStringLiteral("address")),
                     {QStringLiteral("--count"), QString::number(count),
                      QStringLiteral("--contacts"), QStringLiteral("300"), QStringLiteral("--seed"),
                      QStringLiteral("42")},
                     60000))
        fail(QStringLiteral("phone simulator: %1").arg(phone.errorText()));
    if (!silent.start(parser.value(QStringLiteral("silent-address")),
                      {QStringLiteral("--count"), QStringLiteral("10000"),
                       QStringLiteral("--misbehave"), QStringLiteral("stall-mid")}))
        fail(QStringLiteral("silent phone simulator: %1").arg(silent.errorText()));
    std::printf("stall_bench: %d run(s), %d messages to back up and import, probe every %d ms\n",
                runs, count, StallProbe::TICK_MS);

    Series backup("backup from the phone (runJob + ProgressForm)");
    Series import("import (ImportJob through runJob)");
    Series contacts("contacts list, 1M (MainWindow::reloadContacts)");
    Series search("keyword search, 1M (SMSSearchForm)");
    Series shortSearch("two-letter search, 1M (SMSSearchForm)");
    Series searchCancel("cancel of the two-letter search", "cancel to closed");
    Series cancel("cancel of a backup from a silent phone", "cancel to closed");
    Series jobHeld("job lock while another program holds it", "job");
    Series incomingHeld("incoming message while another program writes", "to stored");
    Series deleteConversation("delete a conversation of 20,000 (miThreadDelete)");

    setConnection(phone.address(), phone.address(), false);
    for (int run = 1; run <= runs; ++run)
        backup.add(backupOnce(run, count));
    const QList<SMSInfo> messages = generateMessages(count);
    for (int run = 1; run <= runs; ++run)
        import.add(importOnce(run, messages));
    setConnection(silent.address(), silent.address(), false);
    for (int run = 1; run <= runs; ++run)
        cancel.add(cancelOnce(run, silent));
    clearConnection();
    for (int run = 1; run <= runs; ++run) {
        jobHeld.add(jobWhileHeldOnce(run));
        incomingHeld.add(incomingWhileHeldOnce(run));
        deleteConversation.add(deleteConversationOnce(run));
    }
    if (!parser.isSet(QStringLiteral("no-large")))
        measureLargeAccount(runs, contacts, search, shortSearch, searchCancel);

    printSummary({&backup, &import, &contacts, &search, &shortSearch, &cancel, &searchCancel,
                  &jobHeld, &incomingHeld, &deleteConversation},
                 runs);
    return 0;
}
