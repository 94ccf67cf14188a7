// search_bench [FOLDER] [--runs R]: builds (or reuses) under FOLDER an account of 300,000
// messages from 3,000 numbers (100 each, one of them holding the keyword) and one a tenth of
// its size, then times in one run, interleaved, median of R runs (default 9):
// - `tallowbrook-cli search asparagus` (3,000 found) and a search that finds nothing, as child
//   processes, program start included, output thrown away;
// - `tallowbrook-cli --help` (the program start alone);
// - the sqlite3 tool's scan "select count(*) from sms where body like '%asparagus%'".
// Wall-clock time and CPU time (user and system) of each. It also counts the pages an open of
// each account reads (SQLite's cache misses on a fresh connection) and, with strace, the pread64
// calls of one search (pages read through a memory map do not show there).

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sys/resource.h>

#include <sqlite3.h>

#include "LargeAccount.h"

#include "core/store/Accounts.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/StoreSMS.h"

namespace {

const QString sqliteTool = QStringLiteral("/usr/bin/sqlite3");
const QString straceTool = QStringLiteral("/usr/bin/strace");
using largeaccount::keyword;
const QString missing = QStringLiteral("zucchini");

// numbers * 100 messages in random order of their numbers; the 50th message of each number
// holds the keyword.
void fill(Sqlite3DB* account, int numbers)
{
    QList<int> order;
    for (int c = 0; c < numbers; ++c)
        order.append(QList<int>(100, c));
    QRandomGenerator shuffling(4711);
    std::shuffle(order.begin(), order.end(), shuffling);
    QList<int> seen(numbers, 0);
    largeaccount::fillWith(account, numbers, order.size(), [&](qint64 i, QRandomGenerator&) {
        const int c = order.at(i);
        return largeaccount::Placement{c, ++seen[c] == 50};
    });
}

// The account of that name, made when missing; opened once, so that it is up to date.
void prepare(const QString& name, int numbers)
{
    if (!QFile::exists(accountFilePath(name))) {
        std::printf("Building %s (%d messages)...\n", qPrintable(name), numbers * 100);
        std::fflush(stdout);
        createAccountFile(name);
        Sqlite3DB raw;
        raw.openThrow(accountFilePath(name), SQLITE_OPEN_READWRITE);
        fill(&raw, numbers);
    }
    openAccountDatabase(name);
}

// Pages read by an open of an account that needs no upgrade.
int pagesOfOpen(const QString& name)
{
    int misses = 0, highest = 0;
    sqlite3_db_status(openAccountDatabase(name)->handle(), SQLITE_DBSTATUS_CACHE_MISS, &misses,
                      &highest, 0);
    return misses;
}

// CPU seconds (user and system) of the children waited for so far.
double childrenCpu()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU seconds of the last run that timed() waited for.
double lastCpu = 0;

// Seconds, or -1 when the program failed.
double timed(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    const double cpuBefore = childrenCpu();
    QProcess process;
    if (!output)
        process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
        return -1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    lastCpu = childrenCpu() - cpuBefore;
    if (output)
        *output = process.readAllStandardOutput();
    return seconds;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? -1 : values.at(values.size() / 2);
}

QStringList searchArguments(const QString& word, const QString& account)
{
    return {QStringLiteral("search"), word, QStringLiteral("--account"), account};
}

// pread64 calls of one run of the program, or -1 without strace.
int preadCalls(const QStringList& arguments)
{
    if (!QFile::exists(straceTool))
        return -1;
    QTemporaryDir scratch;
    const QString trace = scratch.filePath(QStringLiteral("trace"));
    QStringList straceArguments{QStringLiteral("-f"),       QStringLiteral("-qq"),
                                QStringLiteral("-e"),       QStringLiteral("trace=pread64"),
                                QStringLiteral("-o"),       trace,
                                QStringLiteral(TB_CLI_PATH)};
    if (timed(straceTool, straceArguments + arguments) < 0)
        return -1;
    QFile file(trace);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return int(file.readAll().count("pread64("));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    int runs = 9;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--runs")); at >= 0) {
        runs = std::max(1, arguments.value(at + 1).toInt());
        arguments.remove(at, 2);
    }
    QTemporaryDir scratch;
    const QString folder = arguments.isEmpty() ? scratch.path() : arguments.first();
    QDir().mkpath(folder);
    // The data folder lies under HOME, for this process and the command line it starts.
    qputenv("HOME", QDir(folder).absolutePath().toUtf8());

    const QString big = QStringLiteral("search_bench.db");
    const QString small = QStringLiteral("search_bench_small.db");
    prepare(small, 300);
    prepare(big, 3000);
    std::printf("Pages read by an open: %d (30,000 messages), %d (300,000 messages)\n",
                pagesOfOpen(small), pagesOfOpen(big));

    QByteArray found;
    if (timed(QStringLiteral(TB_CLI_PATH), searchArguments(keyword, big), &found) < 0)
        return 1;
    std::printf("search %s: %lld lines; pread64 calls of one search: %d (finding nothing: %d)\n",
                qPrintable(keyword), static_cast<long long>(found.count('\n')),
                preadCalls(searchArguments(keyword, big)),
                preadCalls(searchArguments(missing, big)));

    const QString file = accountFilePath(big);
    const QString scan =
        QStringLiteral("select count(*) from sms where body like '%%1%'").arg(keyword);
    // Wall-clock and CPU seconds of each run.
    struct Times
    {
        QList<double> wall, cpu;
        void add(double seconds)
        {
            wall.append(seconds);
            cpu.append(lastCpu);
        }
    };
    Times hit, none, help, tool;
    for (int r = 0; r < runs; ++r) {
        hit.add(timed(QStringLiteral(TB_CLI_PATH), searchArguments(keyword, big)));
        none.add(timed(QStringLiteral(TB_CLI_PATH), searchArguments(missing, big)));
        help.add(timed(QStringLiteral(TB_CLI_PATH), {QStringLiteral("--help")}));
        if (QFile::exists(sqliteTool))
            tool.add(timed(sqliteTool, {file, scan}));
    }
    const double toolS = median(tool.wall), toolCpu = median(tool.cpu);
    const auto report = [&](const char* what, const Times& times) {
        const double s = median(times.wall), cpu = median(times.cpu);
        std::printf("%-40s %6.3f s (%.3f to %.3f)  CPU %6.3f s", what, s,
                    *std::min_element(times.wall.begin(), times.wall.end()),
                    *std::max_element(times.wall.begin(), times.wall.end()), cpu);
        if (toolS > 0 && &times != &tool)
            std::printf("  ratio to the tool %.2f (CPU %.2f)", s / toolS, cpu / toolCpu);
        std::printf("\n");
    };
    std::printf("Medians of %d runs:\n", runs);
    report("tallowbrook-cli search asparagus", hit);
    report("tallowbrook-cli search (nothing found)", none);
    report("tallowbrook-cli --help", help);
    if (!tool.wall.isEmpty())
        report("sqlite3 tool, LIKE scan of sms", tool);
    return 0;
}
