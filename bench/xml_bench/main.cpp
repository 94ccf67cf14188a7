// xml_bench: the XML backup format on a large phone-style file.
//
//   xml_bench [--count N] [--keep DIR] [--steps read,store,import,again,preview,window,export]
//
// Generates a backup of N messages (default 1,000,000; kept and reused in DIR when given), then
// runs each step in a child process of its own, so that each peak memory (VmHWM) is the step's:
// the reader alone, storing alone over the records read beforehand (what the import costs
// without the file), the streaming import into a fresh account (the command line's way), the
// same import again (all duplicates), the preview (the dialog's first page held), the window's
// way (the preview, then the import of all while the page is held, into a fresh account) and
// the export of the account.
// Each step prints wall time, CPU time (the machine is shared), messages per second and peak
// memory.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTranslator>
#include <cstdio>

#include "ProcessStats.h"
#include "core/format/XMLBackupReader.h"
#include "core/format/XMLReadAhead.h"
#include "core/frame/JobRunner.h"
#include "core/jobs/ExportJob.h"
#include "core/jobs/XMLImportJob.h"
#include "core/jobs/XMLPreviewJob.h"
#include "core/store/Accounts.h"
#include "core/store/SMSBatchStore.h"
#include "core/store/SMSCursorSource.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Sql.h"
#include "core/store/StoringJobScope.h"
#include "core/store/Transaction.h"
#include "gui/files/CSVPreviewForm.h"

namespace {

const QString account = QStringLiteral("bench.db");

// One phone-style line per message: 5,000 conversations, bodies of 2 to 30 words with emoji
// written as surrogate-pair references, umlauts, Cyrillic, escaped quotes and ampersands, now
// and then a line break; one message in a hundred a draft, one in five hundred an MMS.
void generate(const QString& fileName, int count)
{
    static const char* const words[] = {"see",
                                        "you",
                                        "at",
                                        "the",
                                        "station",
                                        "tonight",
                                        "okay",
                                        "call",
                                        "me,",
                                        "bring",
                                        "&quot;milk&quot;",
                                        "thanks",
                                        "later",
                                        "&#55357;&#56832;",
                                        "grüße",
                                        "когда",
                                        "arrive?",
                                        "love",
                                        "&amp;",
                                        "tomorrow",
                                        "meeting",
                                        "9:30"};
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(fileName));
    file.write("<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<smses count=\"" +
               QByteArray::number(count) + "\" backup_set=\"bench\">\n");
    quint32 seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    const qint64 start = 1420070400000; // 2015-01-01
    QByteArray line;
    for (int i = 0; i < count; ++i) {
        const qint64 date = start + qint64(i) * 97000 + next() % 1000;
        const int contact = int(next() % 5000);
        if (i % 500 == 499) {
            line = "  <mms date=\"" + QByteArray::number(date) +
                   "\" msg_box=\"1\" read=\"1\">\n    <parts>\n      <part seq=\"0\" "
                   "ct=\"text/plain\" text=\"a picture\" />\n    </parts>\n  </mms>\n";
            file.write(line);
            continue;
        }
        QByteArray body;
        const int length = 2 + int(next() % 29);
        for (int w = 0; w < length; ++w) {
            if (w)
                body += ' ';
            body += words[next() % (sizeof words / sizeof *words)];
        }
        if (i % 50 == 0)
            body += "&#10;second line";
        const int type = i % 100 == 7 ? 3 : 1 + int(next() % 2);
        line = "  <sms protocol=\"0\" address=\"+4917" +
               QByteArray::number(10000000 + contact * 37) + "\" date=\"" +
               QByteArray::number(date) + "\" type=\"" + QByteArray::number(type) +
               "\" subject=\"null\" body=\"" + body +
               "\" toa=\"null\" sc_toa=\"null\" service_center=\"+491770610000\" read=\"1\" "
               "status=\"-1\" locked=\"0\" date_sent=\"" +
               QByteArray::number(date - 2000) +
               "\" sub_id=\"1\" readable_date=\"Jan 1, 2015 12:00:00 AM\" contact_name=\"" +
               (contact % 4 ? "Contact " + QByteArray::number(contact) : "(Unknown)") + "\" />\n";
        file.write(line);
    }
    file.write("</smses>\n");
}

void report(const char* step, double ms, double cpu, qint64 messages, const QString& outcome)
{
    std::printf("%-28s %8.0f ms (CPU %6.1f s) %9.0f msg/s  peak %6lld MB  | %s\n", step, ms, cpu,
                ms > 0 ? messages / (ms / 1000.0) : 0, statusKiB("VmHWM:") / 1024,
                qPrintable(outcome.left(160)));
    std::fflush(stdout);
}

// Runs a job as the command line would (no window) and reports it.
void runJob(const char* step, JobThread& job, const std::function<qint64()>& messages)
{
    QElapsedTimer timer;
    timer.start();
    const double cpu = ownCpuSeconds();
    JobRunner runner(job);
    const JobOutcome outcome = runner.run();
    report(step, timer.nsecsElapsed() / 1e6, ownCpuSeconds() - cpu, messages(), outcome.text);
}

int runStep(const QString& step, const QString& file)
{
    if (step == QLatin1String("read")) {
        QElapsedTimer timer;
        timer.start();
        const double cpu = ownCpuSeconds();
        QFile input(file);
        input.open(QIODevice::ReadOnly);
        XMLBackupReader reader(&input);
        SMSInfo sms;
        qint64 n = 0;
        while (reader.next(sms))
            ++n;
        report("read (XMLBackupReader)", timer.nsecsElapsed() / 1e6, ownCpuSeconds() - cpu,
               reader.elementsRead(),
               QStringLiteral("%1 messages, %2 MB/s")
                   .arg(n)
                   .arg(input.size() / 1e6 / (timer.nsecsElapsed() / 1e9), 0, 'f', 0));
        return 0;
    }
    if (step == QLatin1String("import") || step == QLatin1String("again")) {
        if (step == QLatin1String("import")) {
            QFile::remove(accountFilePath(account));
            createAccountFile(account);
        }
        openAccountDatabase(account);
        XMLImportJob job(file);
        runJob(step == QLatin1String("import") ? "import, fresh account"
                                               : "import again (duplicates)",
               job, [&] { return qint64(job.storedCount() + job.duplicateCount()); });
        return 0;
    }
    if (step == QLatin1String("store")) {
        // Storing alone over the records, read beforehand, in the import's batches: what the
        // import costs without reading the file. The commit (which indexes the new messages for
        // the search) is timed apart.
        QList<SMSInfo> records;
        {
            QFile input(file);
            input.open(QIODevice::ReadOnly);
            XMLBackupReader reader(&input);
            SMSInfo sms;
            while (reader.next(sms))
                records.append(sms);
        }
        QFile::remove(accountFilePath(account));
        createAccountFile(account);
        Sqlite3DB* db = openAccountDatabase(account);
        QElapsedTimer timer;
        timer.start();
        const double cpu = ownCpuSeconds();
        qint64 commitNanos = 0;
        {
            StoringJobScope scope(db);
            SMSBatchStore store(db);
            for (qsizetype first = 0; first < records.size(); first += XMLReadAhead::BATCH_SIZE)
                store.store(records.mid(first, XMLReadAhead::BATCH_SIZE));
            QElapsedTimer committing;
            committing.start();
            scope.commit();
            commitNanos = committing.nsecsElapsed();
        }
        report("storing alone", timer.nsecsElapsed() / 1e6, ownCpuSeconds() - cpu, records.size(),
               QStringLiteral("of which the commit %1 ms").arg(commitNanos / 1000000));
        return 0;
    }
    if (step == QLatin1String("preview")) {
        XMLPreviewJob job(file);
        runJob("preview (first page held)", job, [&] { return qint64(job.totalCount()); });
        return 0;
    }
    if (step == QLatin1String("window")) {
        // The window's way: the preview, then "import all" while the dialog holds its page.
        QFile::remove(accountFilePath(account));
        createAccountFile(account);
        openAccountDatabase(account);
        XMLPreviewJob preview(file);
        runJob("window: preview", preview, [&] { return qint64(preview.totalCount()); });
        // The preview dialog on show (offscreen) over the page, as "import all" finds it.
        CSVPreviewForm form(preview.smsList(), file, preview.totalCount());
        form.show();
        QCoreApplication::processEvents();
        XMLImportJob job(file);
        runJob("window: import all", job,
               [&] { return qint64(job.storedCount() + job.duplicateCount()); });
        return 0;
    }
    if (step == QLatin1String("tool")) {
        // The sqlite3 tool stores the rows of the last import into a fresh account of the same
        // schema, with the duplicate rule, and indexes them for the search as the commit does.
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        const QString target = QStringLiteral("tool.db");
        QFile::remove(accountFilePath(target));
        createAccountFile(target);
        openAccountDatabase(target)->close(); // with the search index, summary and tables
        const QByteArray script =
            "attach '" + QFile::encodeName(accountFilePath(account)) +
            "' as done;\nbegin;\n"
            "insert into sms(address, person, date, is_send, body, suffix) select address, person, "
            "date, is_send, body, suffix from done.sms t where not exists (select 1 from sms m "
            "where m.date = t.date and m.address = t.address and m.body = t.body and m.is_send = "
            "t.is_send) order by t.sms_id;\n"
            "insert into sms_fts(rowid, body) select s.sms_id, s.body from sms_fts_pending as p "
            "join sms as s on s.sms_id = p.sms_id;\ndelete from sms_fts_pending;\ncommit;\n";
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(tool, {accountFilePath(target)});
        process.write(script);
        process.closeWriteChannel();
        process.waitForFinished(-1);
        std::printf("%-28s %8.0f ms | %s\n", "sqlite3 tool, same rows", timer.nsecsElapsed() / 1e6,
                    process.readAllStandardError().constData());
        return 0;
    }
    if (step == QLatin1String("export")) {
        openAccountDatabase(account);
        SMSCursorSource source(
            currentDatabase()->queryThrow(Sqlite3Sql("select * from sms order by date asc")));
        ExportJob job(&source, QFileInfo(file).dir().filePath("export.xml"));
        const qint64 total = source.count();
        runJob("export account to XML", job, [&] { return total; });
        return 0;
    }
    std::fprintf(stderr, "unknown step %s\n", qPrintable(step));
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--step")) {
        QTranslator english;
        if (english.load(QStringLiteral(":/en.qm")))
            QCoreApplication::installTranslator(&english);
        return runStep(args.value(1), args.value(2));
    }

    int count = 1000000;
    QString keep;
    QStringList steps = {"read", "store", "import", "again", "preview", "window", "export"};
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--count"))
            count = args.value(++i).toInt();
        else if (args[i] == QLatin1String("--keep"))
            keep = args.value(++i);
        else if (args[i] == QLatin1String("--steps"))
            steps = args.value(++i).split(u',');
    }
    QTemporaryDir temporary;
    const QDir dir(keep.isEmpty() ? temporary.path() : keep);
    dir.mkpath(QStringLiteral("home"));
    const QString file = dir.filePath(QStringLiteral("backup-%1.xml").arg(count));
    if (!QFile::exists(file)) {
        QElapsedTimer timer;
        timer.start();
        generate(file, count);
        std::printf("generated %s in %.1f s\n", qPrintable(file), timer.nsecsElapsed() / 1e9);
    }
    std::printf("%d messages, %.0f MB; load average %s\n", count, QFileInfo(file).size() / 1e6,
                loadAverage().constData());
    std::fflush(stdout);
    // Each step in a process of its own, with the data folder in the bench's folder.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
    for (const QString& step : std::as_const(steps)) {
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(app.applicationFilePath(), {"--step", step, file});
        child.waitForFinished(-1);
    }
    std::printf("load average %s\n", loadAverage().constData());
    return 0;
}
