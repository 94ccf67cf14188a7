// Measures the backup from the phone against the simulator: messages per second for a backup
// into a fresh account and for the same backup again (every message a duplicate), without
// the fixed waits of the job, and the peak memory of this process.
//
//   backup_bench [--count N] [--runs R] [--address IP] [--no-dialog]

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "PhoneSimProcess.h"
#include "core/device/DeviceConnection.h"
#include "core/frame/DataDirectory.h"
#include "core/store/Accounts.h"
#include "core/store/Sqlite3DB.h"
#include "core/sync/SyncRestoreThread.h"
#include "core/sync/SyncTimings.h"
#include "gui/frame/JobRunner.h"
#include "gui/frame/ProgressForm.h"
#include "support/DialogRecorder.h"

namespace {

qint64 statusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

struct RunResult
{
    bool ok = false;
    double seconds = 0;
    int processed = 0;
    QString text;
};

RunResult runBackup(bool withDialog)
{
    RunResult result;
    QElapsedTimer timer;
    if (withDialog) {
        DialogRecorder boxes;
        ProgressForm form(QStringLiteral("Backing up SMS now"));
        SyncRestoreThread job;
        timer.start();
        result.ok = runJob(form, job) == QDialog::Accepted;
        result.seconds = timer.nsecsElapsed() / 1e9;
        result.processed = job.processedCount();
        QStringList texts;
        for (const DialogRecorder::Message& box : boxes.messages)
            texts << box.text;
        result.text = texts.join(u' ');
        return result;
    }
    SyncRestoreThread job;
    QObject::connect(&job, &JobThread::succeed, [&](const QString& t) { result.text = t; });
    QObject::connect(&job, &JobThread::errorOccurred, [&](const QString& t) { result.text = t; });
    timer.start();
    job.start();
    job.wait();
    result.seconds = timer.nsecsElapsed() / 1e9;
    QCoreApplication::processEvents(); // the queued reports
    result.processed = job.processedCount();
    result.ok = result.text.startsWith(QStringLiteral("IDS_RESTORE_SUC"));
    return result;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions({{QStringLiteral("count"), QStringLiteral("Messages on the phone."),
                        QStringLiteral("n"), QStringLiteral("100000")},
                       {QStringLiteral("runs"), QStringLiteral("Repetitions (fresh account each)."),
                        QStringLiteral("n"), QStringLiteral("3")},
                       {QStringLiteral("address"), QStringLiteral("Loopback address of the phone."),
                        QStringLiteral("ip"), QStringLiteral("127.0.0.100")},
                       {QStringLiteral("no-dialog"),
                        QStringLiteral("Run the worker without its progress dialog.")}});
    parser.process(app);
    const qint64 count = parser.value(QStringLiteral("count")).toLongLong();
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    const bool withDialog = !parser.isSet(QStringLiteral("no-dialog"));

    // The fixed waits (5 s before connecting, 1 s after success) are left out of the figures.
    SyncTimings::setForTests(0, 0);
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));

    tbtest::PhoneSimProcess phone;
    if (!phone.start(parser.value(QStringLiteral("address")),
                     {QStringLiteral("--count"), QString::number(count),
                      QStringLiteral("--contacts"), QStringLiteral("300"), QStringLiteral("--seed"),
                      QStringLiteral("42")},
                     60000)) {
        std::fprintf(stderr, "phone simulator: %s\n", qPrintable(phone.errorText()));
        return 1;
    }
    try {
        setConnection(phone.address(), phone.address(), false);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "connect: %s\n", e.what());
        return 1;
    }
    std::printf("backup_bench: %lld messages from %s, %d run(s), %s\n", count,
                qPrintable(phone.address()), runs,
                withDialog ? "with offscreen progress dialog" : "worker without dialog");

    QList<double> freshRates;
    QList<double> duplicateRates;
    for (int run = 1; run <= runs; ++run) {
        const QString account = QStringLiteral("bench%1.db").arg(run);
        createAccountFile(account);
        openAccountDatabase(account);
        const RunResult fresh = runBackup(withDialog);
        const RunResult again = runBackup(withDialog);
        if (!fresh.ok || !again.ok || fresh.processed != count || again.processed != count) {
            std::fprintf(stderr, "run %d failed: %s / %s\n", run, qPrintable(fresh.text),
                         qPrintable(again.text));
            return 1;
        }
        freshRates << count / fresh.seconds;
        duplicateRates << count / again.seconds;
        const qint64 fileKiB = QFileInfo(dataDirectory().filePath(account)).size() / 1024;
        std::printf("run %d: fresh %.2f s = %.0f msg/s, duplicates %.2f s = %.0f msg/s, "
                    "account file %lld KiB\n",
                    run, fresh.seconds, count / fresh.seconds, again.seconds, count / again.seconds,
                    fileKiB);
        std::fflush(stdout);
    }
    std::printf("median: fresh %.0f msg/s, duplicates %.0f msg/s\n", median(freshRates),
                median(duplicateRates));
    std::printf("peak memory (VmHWM): %lld KiB, now (VmRSS): %lld KiB\n", statusKiB("VmHWM:"),
                statusKiB("VmRSS:"));
    clearConnection();
    return 0;
}
