// files_bench: speed of the export, preview and import jobs on generated messages, printed
// beside the sqlite3 command-line tool's time for the nearest equivalent.
//
//   files_bench [--count N] [--runs R] [--dialog]
//
// --dialog runs every job behind an offscreen progress dialog (as the program does); without
// it the workers run alone. Times are medians of R runs (imports: one run each, since a run
// changes the account).

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "core/format/CSVReader.h"
#include "core/frame/DataDirectory.h"
#include "core/frame/LocalTimeZone.h"
#include "core/jobs/CSVPreviewJob.h"
#include "core/jobs/ExportJob.h"
#include "core/jobs/ImportJob.h"
#include "core/store/Accounts.h"
#include "core/store/ConversationQuery.h"
#include "core/store/SMSCursorSource.h"
#include "core/store/SMSListSource.h"
#include "core/store/Sqlite3DB.h"
#include "gui/frame/RunBehindDialog.h"
#include "gui/frame/ProgressForm.h"
#include "support/DialogRecorder.h"

namespace {

bool g_dialog = false;

QList<SMSInfo> generate(int count)
{
    static const char* const words[] = {"see",   "you",  "at",    "the",   "station",  "tonight",
                                        "okay",  "call", "me,",   "bring", "\"milk\"", "thanks",
                                        "later", "😀",    "grüße", "when",  "arrive?",  "love"};
    QList<SMSInfo> list;
    list.reserve(count);
    const QDateTime start(QDate(2015, 1, 1), QTime(0, 0, 0));
    quint32 seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    for (int i = 0; i < count; ++i) {
        SMSInfo sms;
        const int contact = int(next() % 300);
        sms.address = QStringLiteral("+49170%1").arg(1000000 + contact * 37);
        sms.person = contact % 3 ? QStringLiteral("Contact %1").arg(contact) : QString();
        const int length = 3 + int(next() % 20);
        QStringList body;
        for (int w = 0; w < length; ++w)
            body.append(QString::fromUtf8(words[next() % (sizeof words / sizeof *words)]));
        if (i % 50 == 0)
            body.append(QStringLiteral("\nsecond line"));
        sms.body = body.join(QLatin1Char(' '));
        sms.isSend = next() % 2;
        sms.date = start.addSecs(qint64(i) * 97);
        list.append(sms);
    }
    return list;
}

// Runs a job alone or behind a progress dialog; milliseconds.
double runTimed(JobThread& job, ProgressForm* form)
{
    QElapsedTimer timer;
    timer.start();
    if (form) {
        runJob(*form, job);
    } else {
        job.start();
        job.wait();
    }
    return timer.nsecsElapsed() / 1e6;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

double medianOf(int runs, const std::function<double()>& run)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i)
        times.append(run());
    return median(times);
}

double exportList(const QList<SMSInfo>& list, const QString& file)
{
    SMSListSource source(list);
    std::unique_ptr<ProgressForm> form(g_dialog ? new ProgressForm(QStringLiteral("export"))
                                                : nullptr);
    ExportJob job(&source, file);
    return runTimed(job, form.get());
}

double exportAccount(const QString& file)
{
    SMSCursorSource source(currentDatabase(), wholeAccountQuery());
    std::unique_ptr<ProgressForm> form(g_dialog ? new ProgressForm(QStringLiteral("export"))
                                                : nullptr);
    ExportJob job(&source, file);
    return runTimed(job, form.get());
}

double preview(const QString& file, QList<SMSInfo>* list)
{
    std::unique_ptr<ProgressForm> form(g_dialog ? new ProgressForm(QStringLiteral("preview"))
                                                : nullptr);
    CSVPreviewJob job(file, nullptr);
    const double ms = runTimed(job, form.get());
    *list = job.smsList();
    return ms;
}

double import(const QList<SMSInfo>& list, int* stored)
{
    std::unique_ptr<ProgressForm> form(g_dialog ? new ProgressForm(QStringLiteral("import"))
                                                : nullptr);
    ImportJob job(list);
    const double ms = runTimed(job, form.get());
    *stored = job.storedCount();
    return ms;
}

// The reader alone over the file: every record through utf8CSVRow.
double readRecords(const QString& file, int* records)
{
    QElapsedTimer timer;
    timer.start();
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    QStringList fields;
    *records = 0;
    while (utf8CSVRow(&fields, &f, *records == 0)) {
        fields.clear();
        ++*records;
    }
    return timer.nsecsElapsed() / 1e6;
}

// One getChar call per byte on the buffered file, without any parsing: the cost of reading
// byte by byte through the device.
double getCharPass(const QString& file)
{
    QElapsedTimer timer;
    timer.start();
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    char c;
    qint64 lines = 0;
    while (f.getChar(&c))
        lines += c == '\n';
    const double ms = timer.nsecsElapsed() / 1e6;
    return lines >= 0 ? ms : -1;
}

QString g_sqlite;

// Runs the sqlite3 tool with the script on standard input; milliseconds, or -1.
double sqliteTimed(const QStringList& arguments, const QByteArray& script,
                   const QString& outputFile = QString())
{
    if (g_sqlite.isEmpty())
        return -1;
    QProcess process;
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    QElapsedTimer timer;
    timer.start();
    process.start(g_sqlite, arguments);
    process.write(script);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    const double ms = timer.nsecsElapsed() / 1e6;
    const QByteArray errors = process.readAllStandardError();
    if (!errors.isEmpty())
        std::fprintf(stderr, "sqlite3: %s\n", errors.constData());
    return process.exitCode() == 0 ? ms : -1;
}

void row(const char* what, double ms, int count, double sqliteMs, const char* sqliteWhat)
{
    const double rate = ms > 0 ? count / (ms / 1000.0) : 0;
    if (sqliteMs >= 0)
        std::printf("%-34s %9.0f ms %9.0f msg/s | sqlite3 %-28s %8.0f ms  (x%.1f)\n", what, ms,
                    rate, sqliteWhat, sqliteMs, sqliteMs > 0 ? ms / sqliteMs : 0);
    else
        std::printf("%-34s %9.0f ms %9.0f msg/s\n", what, ms, rate);
    std::fflush(stdout);
}

qint64 fileSize(const QString& path)
{
    return QFileInfo(path).size();
}

} // namespace

int main(int argc, char** argv)
{
    readLocalTimeZoneOnce(); // as the program starts
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int count = 100000;
    int runs = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--count") && i + 1 < args.size())
            count = args[++i].toInt();
        else if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = args[++i].toInt();
        else if (args[i] == QLatin1String("--dialog"))
            g_dialog = true;
    }
    DialogRecorder boxes; // answers the jobs' success boxes
    g_sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    const QDir dir(home.path());

    std::printf("files_bench: %d messages, %d runs, %s\n", count, runs,
                g_dialog ? "behind the progress dialog" : "workers alone");
    const QList<SMSInfo> messages = generate(count);

    // Exports of a list.
    const QString csv = dir.filePath("export.csv");
    const QString html = dir.filePath("export.htm");
    const QString txt = dir.filePath("export.txt");
    const double csvMs = medianOf(runs, [&] { return exportList(messages, csv); });
    const double htmlMs = medianOf(runs, [&] { return exportList(messages, html); });
    const double txtMs = medianOf(runs, [&] { return exportList(messages, txt); });

    // Reader alone.
    int records = 0;
    const double readMs = medianOf(runs, [&] { return readRecords(csv, &records); });
    const double getCharMs = medianOf(runs, [&] { return getCharPass(csv); });

    // Preview and imports.
    QList<SMSInfo> previewed;
    const double previewMs = medianOf(runs, [&] { return preview(csv, &previewed); });
    createAccountFile(QStringLiteral("bench.db"));
    openAccountDatabase(QStringLiteral("bench.db"));
    int stored = -1;
    const double importMs = import(previewed, &stored);
    int storedAgain = -1;
    const double againMs = import(previewed, &storedAgain);
    const double accountCsvMs =
        medianOf(runs, [&] { return exportAccount(dir.filePath("account.csv")); });

    // The sqlite3 tool on the same data, into the same schema (search index and summary too).
    const QString dbPath = dataDirectory().filePath(QStringLiteral("bench.db"));
    createAccountFile(QStringLiteral("sqlite.db"));
    openAccountDatabase(QStringLiteral("sqlite.db"));
    const QString sqliteDb = dataDirectory().filePath(QStringLiteral("sqlite.db"));
    const QByteArray importScript =
        ".mode csv\n.import '" + QFile::encodeName(csv) +
        "' incoming\n"
        "begin;\n"
        "insert into sms(address, person, date, is_send, body, suffix) select number, person, "
        "strftime('%s', date), send, content, substr(number, -9) from incoming;\n"
        "commit;\n";
    const double sqliteImportMs = sqliteTimed({sqliteDb}, importScript);
    const QByteArray againScript =
        "begin;\n"
        "insert into sms(address, person, date, is_send, body, suffix) select number, person, "
        "strftime('%s', date), send, content, substr(number, -9) from incoming i where not "
        "exists (select 1 from sms s where s.date = strftime('%s', i.date) and s.address = "
        "i.number and s.body = i.content and s.is_send = i.send);\n"
        "commit;\n";
    const double sqliteAgainMs = sqliteTimed({sqliteDb}, againScript);
    const QByteArray select = "select is_send, date, address, person, body from sms;\n";
    const double sqliteCsvMs = medianOf(runs, [&] {
        return sqliteTimed({QStringLiteral("-csv"), dbPath}, select, dir.filePath("sq.csv"));
    });
    const double sqliteHtmlMs = medianOf(runs, [&] {
        return sqliteTimed({QStringLiteral("-html"), dbPath}, select, dir.filePath("sq.htm"));
    });
    const double sqliteTxtMs = medianOf(runs, [&] {
        return sqliteTimed({QStringLiteral("-line"), dbPath}, select, dir.filePath("sq.txt"));
    });
    const QByteArray accountSelect = wholeAccountQuery().ordered().sql().toUtf8() + ";\n";
    const double sqliteAccountMs = medianOf(runs, [&] {
        return sqliteTimed({QStringLiteral("-csv"), dbPath}, accountSelect, dir.filePath("sa.csv"));
    });
    const QByteArray viewSelect = "select * from view_sms order by date asc;\n";
    const double sqliteViewMs = medianOf(runs, [&] {
        return sqliteTimed({QStringLiteral("-csv"), dbPath}, viewSelect, dir.filePath("sv.csv"));
    });
    const double sqliteReadMs = medianOf(runs, [&] {
        return sqliteTimed({QStringLiteral(":memory:")},
                           ".mode csv\n.import '" + QFile::encodeName(csv) + "' t\n");
    });

    std::printf("CSV file: %.1f MB, %d records read back\n", fileSize(csv) / 1e6, records);
    row("export list to CSV", csvMs, count, sqliteCsvMs, "-csv select");
    row("export list to HTML", htmlMs, count, sqliteHtmlMs, "-html select");
    row("export list to text", txtMs, count, sqliteTxtMs, "-line select");
    row("export account to CSV", accountCsvMs, count, sqliteAccountMs, "-csv the same statement");
    row("  (before: view_sms order by date)", sqliteViewMs, count, -1, "");
    row("read CSV records (utf8CSVRow)", readMs, records, sqliteReadMs, ".import into :memory:");
    row("getChar per byte, no parsing", getCharMs, records, -1, "");
    row("preview CSV (two passes)", previewMs, previewed.size(), sqliteReadMs,
        ".import into :memory:");
    row("import into empty account", importMs, stored, sqliteImportMs, ".import + insert");
    row("import again (all duplicates)", againMs, previewed.size(), sqliteAgainMs,
        "insert where not exists");
    std::printf("stored %d, stored again %d\n", stored, storedAgain);
    for (const DialogRecorder::Message& box : boxes.messages) {
        if (box.icon != QMessageBox::Information)
            std::fprintf(stderr, "box: %s\n", qPrintable(box.text));
    }
    return stored == count && storedAgain == 0 ? 0 : 1;
}
