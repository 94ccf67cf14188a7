// Measures the command line's backup beside the window's: both run the same job
// (PhoneBackupJob) on the same phone, the command line as `tallowbrook-cli backup` in a
// child process, the window's behind its offscreen progress dialog in this process. Both keep
// the job's fixed waits (5 s before connecting, 1 s after success), which the command line
// cannot leave out; the figures are given with them and without them. Each run backs up into
// a fresh account, then the same again (every message a duplicate). Memory: the command line's
// peak resident size (the largest child waited for; the simulator is still running then), and
// this process's for the window's job.
//
// The window keeps its account open between jobs, so its second backup finds SQLite's page
// cache warm, while every run of the command line opens the account afresh. --reopen opens the
// window's account afresh before each of its backups too, to compare the jobs alone.
//
//   cli_bench [--count N] [--runs R] [--address IP] [--reopen]

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "PhoneSimProcess.h"
#include "ProcessStats.h"
#include "core/device/DeviceConnection.h"
#include "core/jobs/PhoneBackupJob.h"
#include "core/jobs/PhoneJobTimings.h"
#include "core/store/Accounts.h"
#include "gui/frame/RunBehindDialog.h"
#include "gui/frame/ProgressForm.h"
#include "support/DialogRecorder.h"

namespace {

// The job's waits, the same in both programs.
constexpr double FIXED_WAITS_S =
    (PhoneJobTimings::WAIT_BEFORE_CONNECT_MS + PhoneJobTimings::PAUSE_AFTER_SUCCESS_MS) / 1000.0;

// The command line's largest peak resident size over its runs, read while each runs.
qint64 cliPeakKiB = 0;

// Seconds, or -1 when the backup failed.
double cliBackup(const QString& account, const QString& address)
{
    QProcess cli;
    QElapsedTimer timer;
    timer.start();
    cli.start(QStringLiteral(TB_CLI_PATH),
              {"backup", "--quiet", "--account", account, "--wifi", address});
    // VmHWM only grows: the last value read before the exit is the run's peak, but for what
    // the last 20 ms added.
    while (cli.state() != QProcess::NotRunning && !cli.waitForFinished(20) &&
           timer.elapsed() < 600000)
        cliPeakKiB = std::max(cliPeakKiB, processStatusKiB(cli.processId(), "VmHWM:"));
    if (cli.state() != QProcess::NotRunning || cli.exitStatus() != QProcess::NormalExit ||
        cli.exitCode() != 0) {
        std::fprintf(stderr, "tallowbrook-cli: %s\n", cli.readAllStandardError().constData());
        return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

double windowBackup()
{
    DialogRecorder boxes;
    ProgressForm form(QStringLiteral("Backing up SMS now"));
    PhoneBackupJob job;
    QElapsedTimer timer;
    timer.start();
    if (runJob(form, job) != QDialog::Accepted)
        return -1;
    return timer.nsecsElapsed() / 1e9;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

struct Series
{
    QList<double> cli;
    QList<double> window;

    void print(const char* name) const
    {
        const double c = median(cli);
        const double w = median(window);
        std::printf("%-22s command line %6.2f s (%5.2f s without the waits), window %6.2f s "
                    "(%5.2f s), ratio %.2f (%.2f)\n",
                    name, c, c - FIXED_WAITS_S, w, w - FIXED_WAITS_S, c / w,
                    (c - FIXED_WAITS_S) / (w - FIXED_WAITS_S));
    }
};

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
                        QStringLiteral("ip"), QStringLiteral("127.0.0.101")},
                       {QStringLiteral("reopen"),
                        QStringLiteral("Open the window's account afresh before each backup.")}});
    parser.process(app);
    const qint64 count = parser.value(QStringLiteral("count")).toLongLong();
    const int runs = std::max(1, parser.value(QStringLiteral("runs")).toInt());
    const QString address = parser.value(QStringLiteral("address"));
    const bool reopen = parser.isSet(QStringLiteral("reopen"));

    // The child process inherits this HOME, so both see the same data folder.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    tbtest::PhoneSimProcess phone;
    if (!phone.start(address,
                     {"--count", QString::number(count), "--contacts", "300", "--seed", "42"},
                     60000)) {
        std::fprintf(stderr, "phone simulator: %s\n", qPrintable(phone.errorText()));
        return 1;
    }
    try {
        setConnection(address, address, false);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "connect: %s\n", e.what());
        return 1;
    }
    std::printf("cli_bench: %lld messages from %s, %d run(s), fixed waits %.0f s included\n", count,
                qPrintable(address), runs, FIXED_WAITS_S);

    Series fresh;
    Series duplicates;
    for (int run = 1; run <= runs; ++run) {
        const QString cliAccount = QStringLiteral("cli%1.db").arg(run);
        const QString windowAccount = QStringLiteral("window%1.db").arg(run);
        createAccountFile(cliAccount);
        createAccountFile(windowAccount);
        openAccountDatabase(windowAccount);
        const double cliFresh = cliBackup(cliAccount, address);
        const double windowFresh = windowBackup();
        const double cliAgain = cliBackup(cliAccount, address);
        if (reopen)
            openAccountDatabase(windowAccount);
        const double windowAgain = windowBackup();
        if (std::min({cliFresh, windowFresh, cliAgain, windowAgain}) < 0) {
            std::fprintf(stderr, "run %d failed\n", run);
            return 1;
        }
        fresh.cli << cliFresh;
        fresh.window << windowFresh;
        duplicates.cli << cliAgain;
        duplicates.window << windowAgain;
        std::printf("run %d: fresh %.2f s / %.2f s, duplicates %.2f s / %.2f s (command line / "
                    "window)\n",
                    run, cliFresh, windowFresh, cliAgain, windowAgain);
        std::fflush(stdout);
    }
    std::printf("medians:\n");
    fresh.print("fresh account");
    duplicates.print("same again (0 new)");
    std::printf("peak memory: command line %lld KiB, window's job in this process %lld KiB\n",
                cliPeakKiB, statusKiB("VmHWM:"));
    clearConnection();
    return 0;
}
