// Measures the backup from the phone against the simulator: messages per second for a backup
// into a fresh account and for the same backup again (every message a duplicate), without
// the fixed waits of the job, and the peak memory of this process. Beside each fresh backup,
// the sqlite3 tool stores the same rows into another fresh account (same schema, search index
// and summary) with the duplicate rule as one "insert ... where not exists", then indexes them
// as the job's commit does. The CPU time of this process (the job, and the dialog when shown)
// and of the simulator are printed beside the wall time, since both share the machine's cores.
//
//   backup_bench [--count N] [--runs R] [--address IP] [--no-dialog]

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "PhoneSimProcess.h"
#include "ProcessStats.h"
#include "core/device/DeviceConnection.h"
#include "core/frame/DataDirectory.h"
#include "core/frame/LocalTimeZone.h"
#include "core/jobs/PhoneBackupJob.h"
#include "core/jobs/PhoneJobTimings.h"
#include "core/store/Accounts.h"
#include "core/store/Sqlite3DB.h"
#include "gui/frame/RunBehindDialog.h"
#include "gui/frame/ProgressForm.h"
#include "support/DialogRecorder.h"

namespace {

struct RunResult
{
    bool ok = false;
    double seconds = 0;
    double cpu = 0;    // this process
    double simCpu = 0; // the simulator
    int processed = 0;
    QString text;
};

RunResult runJob(bool withDialog)
{
    RunResult result;
    QElapsedTimer timer;
    if (withDialog) {
        DialogRecorder boxes;
        ProgressForm form(QStringLiteral("Backing up SMS now"));
        PhoneBackupJob job;
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
    PhoneBackupJob job;
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

RunResult runBackup(bool withDialog, qint64 simulatorPid)
{
    const double cpu = ownCpuSeconds();
    const double simCpu = processCpuSeconds(simulatorPid);
    RunResult result = runJob(withDialog);
    result.cpu = ownCpuSeconds() - cpu;
    result.simCpu = processCpuSeconds(simulatorPid) - simCpu;
    return result;
}

// The tool's equivalent of a fresh backup: the rows the job stored, read from its account, into
// a fresh account of the same schema. Seconds, or -1 without the tool.
double toolSeconds(const QString& source, const QString& target)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (tool.isEmpty())
        return -1;
    const QByteArray script =
        "attach '" + QFile::encodeName(source) +
        "' as phone;\n"
        "begin;\n"
        "insert into sms(address, person, date, is_send, body, suffix) select address, person, "
        "date, is_send, body, suffix from phone.sms t where not exists (select 1 from sms m "
        "where m.date = t.date and m.address = t.address and m.body = t.body and m.is_send = "
        "t.is_send) order by t.sms_id;\n"
        "insert into sms_fts(rowid, body) select s.sms_id, s.body from sms_fts_pending as p join "
        "sms as s on s.sms_id = p.sms_id;\n"
        "delete from sms_fts_pending;\n"
        "commit;\n";
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(tool, {target});
    process.write(script);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const QByteArray errors = process.readAllStandardError();
    if (!errors.isEmpty())
        std::fprintf(stderr, "sqlite3: %s\n", errors.constData());
    return process.exitCode() == 0 ? seconds : -1;
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
    readLocalTimeZoneOnce(); // as the program starts
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
    PhoneJobTimings::setForTests(0, 0);
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
    std::printf("backup_bench: %lld messages from %s, %d run(s), %s, load average %s\n", count,
                qPrintable(phone.address()), runs,
                withDialog ? "with offscreen progress dialog" : "worker without dialog",
                loadAverage().constData());

    QList<double> freshRates;
    QList<double> duplicateRates;
    QList<double> freshSeconds;
    QList<double> toolRuns;
    QList<double> freshCpu;
    QList<double> freshSimCpu;
    for (int run = 1; run <= runs; ++run) {
        const QString account = QStringLiteral("bench%1.db").arg(run);
        createAccountFile(account);
        openAccountDatabase(account);
        const RunResult fresh = runBackup(withDialog, phone.processId());
        const RunResult again = runBackup(withDialog, phone.processId());
        if (!fresh.ok || !again.ok || fresh.processed != count || again.processed != count) {
            std::fprintf(stderr, "run %d failed: %s / %s\n", run, qPrintable(fresh.text),
                         qPrintable(again.text));
            return 1;
        }
        freshRates << count / fresh.seconds;
        duplicateRates << count / again.seconds;
        freshSeconds << fresh.seconds;
        freshCpu << fresh.cpu;
        freshSimCpu << fresh.simCpu;
        const QString toolAccount = QStringLiteral("tool%1.db").arg(run);
        createAccountFile(toolAccount);
        openAccountDatabase(toolAccount); // gets the same search index and summary
        const double tool =
            toolSeconds(dataDirectory().filePath(account), dataDirectory().filePath(toolAccount));
        toolRuns << tool;
        std::printf("run %d: sqlite3 tool, same rows into a fresh account %.2f s\n", run, tool);
        const qint64 fileKiB = QFileInfo(dataDirectory().filePath(account)).size() / 1024;
        std::printf("run %d: fresh %.2f s = %.0f msg/s, duplicates %.2f s = %.0f msg/s, "
                    "account file %lld KiB\n",
                    run, fresh.seconds, count / fresh.seconds, again.seconds, count / again.seconds,
                    fileKiB);
        std::printf("run %d: CPU fresh %.2f s (simulator %.2f s), duplicates %.2f s (simulator "
                    "%.2f s), load average %s\n",
                    run, fresh.cpu, fresh.simCpu, again.cpu, again.simCpu,
                    loadAverage().constData());
        std::fflush(stdout);
    }
    std::printf("median: fresh %.0f msg/s, duplicates %.0f msg/s\n", median(freshRates),
                median(duplicateRates));
    std::printf("median: fresh backup %.2f s, sqlite3 tool %.2f s, ratio %.2f\n",
                median(freshSeconds), median(toolRuns), median(freshSeconds) / median(toolRuns));
    std::printf("median: fresh backup CPU %.2f s, simulator CPU %.2f s\n", median(freshCpu),
                median(freshSimCpu));
    std::printf("peak memory (VmHWM): %lld KiB, now (VmRSS): %lld KiB\n", statusKiB("VmHWM:"),
                statusKiB("VmRSS:"));
    clearConnection();
    return 0;
}
