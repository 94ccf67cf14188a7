// tallowbrook-cli run as a child process against the phone simulator: a backup, the same
// backup again (JSON lines), a restore; Ctrl+C in a backup while the window's side waits for
// the account, and the window's job holding the account while the command line imports; bad
// input; two programs on one account. The child shares this test's HOME, so both see the same
// data folder.
#include <QtTest>
#include <csignal>
#include <sqlite3.h>

#include "core/frame/DataDirectory.h"
#include "core/store/Accounts.h"
#include "core/store/Transaction.h"
#include "support/PhoneSimProcess.h"
#include "support/TestAccount.h"

namespace {

const QString PHONE = QStringLiteral("127.0.0.83");
const QString STALLING_PHONE = QStringLiteral("127.0.0.84");
const QString NO_PHONE = QStringLiteral("127.0.0.85"); // nothing listens there
const QString LISTEN_PHONE = QStringLiteral("127.0.0.112");
// Phones that stop answering: mid-batch, at the hello, after a restore batch.
const QStringList SILENT_PHONES = {"127.0.0.120", "127.0.0.121", "127.0.0.122"};
const QStringList SILENCES = {"stall-mid", "no-hello", "no-restore-ack"};
const QString ACCOUNT = QStringLiteral("cli.db");
const QString IN_USE = QStringLiteral("The account is in use by another program");

struct CliResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

void startCli(QProcess& process, const QStringList& arguments)
{
    process.setProgram(QStringLiteral(TB_CLI_PATH));
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
}

CliResult finished(QProcess& process, int timeoutMs = 60000)
{
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

CliResult runCli(const QStringList& arguments)
{
    QProcess process;
    startCli(process, arguments);
    return finished(process);
}

// The one line of standard error that tells what went wrong (progress and notes aside);
// empty unless there is exactly one.
QString errorLine(const QString& err)
{
    const QStringList lines =
        err.split(QLatin1Char('\n')).filter(QRegularExpression("^tallowbrook-cli: "));
    return lines.size() == 1 ? lines.first() : QString();
}

QString accountPath()
{
    return dataDirectory().absoluteFilePath(ACCOUNT);
}

// The account's rows, or only their count, read as another program would.
QString accountDump(bool countOnly = false)
{
    Sqlite3DB db;
    db.openThrow(accountPath(), SQLITE_OPEN_READWRITE);
    return countOnly ? QString::number(
                           tbtest::scalar(QStringLiteral("select count(*) from sms"), {}, &db))
                     : tbtest::dump(db);
}

// How many stored messages have a text like the pattern.
qint64 storedLike(const QString& pattern)
{
    Sqlite3DB db;
    db.openThrow(accountPath(), SQLITE_OPEN_READWRITE);
    return tbtest::scalar(QStringLiteral("select count(*) from sms where body like ?"), pattern,
                          &db);
}

qsizetype spooled()
{
    return QDir(accountPath() + ".spool").entryList({"*.sms"}, QDir::Files).size();
}

// Names, sizes and times of the data folder's files and of the test folder's.
QStringList filesIn(const QStringList& folders)
{
    QStringList files;
    for (const QString& folder : folders) {
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
            files << QStringLiteral("%1 %2 %3")
                         .arg(file.absoluteFilePath())
                         .arg(file.size())
                         .arg(file.lastModified().toMSecsSinceEpoch());
        }
    }
    return files;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void backupTheSameAgainAndRestore();
    void interruptAndBusyAccount();
    void badInput_data();
    void badInput();
    void twoProgramsShareTheAccount();
    void sendWhileAnotherProgramWrites();

private:
    QString file(const QString& name) const { return m_files.filePath(name); }

    tbtest::TestAccount m_home; // the home and catalogue; the command line makes the account
    QTemporaryDir m_files;
    tbtest::PhoneSimProcess m_phone;
    tbtest::PhoneSimProcess m_silentPhones[3];
};

void TestCli::initTestCase()
{
    QVERIFY(m_files.isValid());
    const CliResult created = runCli({"accounts", "create", "cli"});
    QCOMPARE(created.exitCode, 0);
    QVERIFY(QFileInfo::exists(accountPath()));
    QVERIFY(m_phone.start(PHONE, {"--count", "345", "--seed", "7", "--batch", "100"}));
    for (int i = 0; i < 3; ++i)
        QVERIFY(m_silentPhones[i].start(SILENT_PHONES[i], {"--misbehave", SILENCES[i]}));
    tbtest::writeFile(file("own.csv"), "send,date,number,person,content\n"
                                       "0,2021-05-06 07:08:09,5550100,,Hallo\n");
    tbtest::writeFile(file("notes.txt"), "send,date,number,person,content\n");
    tbtest::writeFile(file("foreign.csv"), "a,b,c,d\n1,2,3,4\n");
    tbtest::writeFile(
        file("broken.xml"),
        "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<smses count=\"1\">\n"
        "<sms address=\"555\" date=\"1600000000000\" type=\"1\" body=\"a\" />\n<sms");
}

void TestCli::backupTheSameAgainAndRestore()
{
    const QStringList backup = {"backup", "--account", "cli", "--wifi", PHONE};
    const CliResult first = runCli(backup);
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(first.out, QStringLiteral("345 messages received, 345 new\n"));
    QCOMPARE(accountDump(true), QStringLiteral("345"));

    const CliResult again = runCli(backup + QStringList{"--json"});
    QCOMPARE(again.exitCode, 0);
    QList<QJsonObject> lines; // every line of standard output a JSON object
    for (const QString& line : again.out.split(u'\n', Qt::SkipEmptyParts)) {
        const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8());
        QVERIFY2(document.isObject(), qPrintable(line));
        lines.append(document.object());
    }
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines.first().value("type").toString(), QStringLiteral("progress"));
    QCOMPARE(lines.first().value("total").toInt(), 345);
    const QJsonObject result = lines.last();
    QCOMPARE(result.value("type").toString(), QStringLiteral("result"));
    QCOMPARE(result.value("status").toString(), QStringLiteral("ok"));
    QCOMPARE(result.value("received").toInt(), 345);
    QCOMPARE(result.value("new").toInt(), 0);
    QCOMPARE(accountDump(true), QStringLiteral("345"));

    const int from = m_phone.lineCount();
    const CliResult restore = runCli({"restore", "--account", "cli", "--wifi", PHONE});
    QCOMPARE(restore.exitCode, 0);
    QCOMPARE(restore.out, QStringLiteral("Successfully restore 345 SMS to Android.\n"));
    QVERIFY(m_phone.waitForLine(QStringLiteral("RESTORED 345 "), 5000, nullptr, from));

    // Pages are drawn by a library of their own, loaded for them alone.
    const CliResult pdf = runCli({"export", file("all.pdf"), "--account", "cli"});
    QCOMPARE(pdf.out, QStringLiteral("Successfully export 345 SMS.\n"));
    QVERIFY(tbtest::readFile(file("all.pdf")).startsWith("%PDF"));
}

// While the command line's backup holds the account, the window's job waits for it and then
// fails with a clear message; Ctrl+C ends the backup within a second and leaves the account
// as it was. The other way round, the command line's import fails the same way while the
// window's job holds the account.
void TestCli::interruptAndBusyAccount()
{
    tbtest::PhoneSimProcess phone;
    QVERIFY(phone.start(STALLING_PHONE, {"--count", "500", "--misbehave", "stall-mid"}));
    const QString before = accountDump();
    QProcess cli;
    startCli(cli, {"backup", "--account", "cli", "--wifi", STALLING_PHONE, "--json"});
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += cli.readAllStandardOutput()).contains("\"progress\""), 20000);

    Sqlite3DB window;
    window.openThrow(accountPath(), SQLITE_OPEN_READWRITE);
    QVERIFY(tbtest::failureOf([&] { Transaction job(&window); }).startsWith(IN_USE));

    QElapsedTimer cancel;
    cancel.start();
    QCOMPARE(::kill(cli.processId(), SIGINT), 0);
    const CliResult interrupted = finished(cli, 5000);
    QVERIFY2(cancel.elapsed() < 1000, qPrintable(QString::number(cancel.elapsed())));
    QCOMPARE(interrupted.exitCode, 130);
    QVERIFY(interrupted.err.contains(QStringLiteral("Cancelled")));
    QCOMPARE(accountDump(), before);

    {
        Transaction job(&window);
        const CliResult import = runCli({"import", file("own.csv"), "--account", "cli"});
        QCOMPARE(import.exitCode, 1);
        QVERIFY2(errorLine(import.err).startsWith(QStringLiteral("tallowbrook-cli: ") + IN_USE),
                 qPrintable(import.err));
    }
    QCOMPARE(accountDump(), before);
}

void TestCli::badInput_data()
{
    QTest::addColumn<QString>("arguments"); // % stands for the test's folder of files
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const auto row = [](const char* name, const QString& arguments, int exitCode,
                        const char* message) {
        QTest::newRow(name) << arguments << exitCode << message;
    };
    row("unknown command", "frob", 2, "Unknown command frob.");
    row("unknown option", "backup --account cli --wifi " + PHONE + " --fast", 2,
        "Unknown option --fast.");
    row("no account given", "search hello", 2, "search needs --account.");
    row("account with a path", "search hello --account ../cli.db", 2, "Invalid account");
    row("missing account", "search hello --account nosuch", 1, "There is no account nosuch");
    row("unreachable phone", "backup --account cli --wifi " + NO_PHONE, 1,
        "to retry. Connection refused.");
    const QString gaveUp = "Gave up: the phone stopped answering for 1 s.";
    row("phone stalls mid-batch", "backup --account cli --timeout 1 --wifi " + SILENT_PHONES[0], 1,
        qPrintable(gaveUp));
    row("hello unanswered", "send --to 5 hi --account cli --timeout 1 --wifi " + SILENT_PHONES[1],
        1, qPrintable(gaveUp));
    row("restore unacknowledged", "restore --account cli --timeout 1 --wifi " + SILENT_PHONES[2], 1,
        qPrintable(gaveUp));
    row("timeout not a number", "backup --account cli --timeout soon --wifi " + PHONE, 2,
        "--timeout is a number of seconds (0: no limit), not soon.");
    row("not a CSV file", "import %/notes.txt --account cli", 2,
        "is not a CSV file (.csv) or an XML backup file");
    row("broken XML backup", "import %/broken.xml --account cli", 1, "line 4");
    row("CSV of another program", "import %/foreign.csv --account cli", 1,
        "did not match that of Quillmarten.");
    row("unknown export format", "export %/out.xls --account cli", 2, "Unknown exporting format.");
}

// One line naming what is wrong, the usage text after a usage error, the exit code,
// and nothing written.
void TestCli::badInput()
{
    QFETCH(QString, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const QStringList folders = {dataDirectory().absolutePath(), m_files.path()};
    const QStringList files = filesIn(folders);
    const QString before = accountDump();

    const CliResult result = runCli(arguments.replace(u'%', m_files.path()).split(u' '));
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(errorLine(result.err).contains(message), qPrintable(result.err));
    QCOMPARE(result.err.contains(QStringLiteral("Usage: tallowbrook-cli")), exitCode == 2);
    QVERIFY(result.out.isEmpty());
    QCOMPARE(filesIn(folders), files);
    QCOMPARE(accountDump(), before);
}

// Two listeners store each pushed message once. While another program (this test) holds the
// account, reads succeed, the account is not deleted, and what the listeners receive waits in
// the spool, through Ctrl+C and kill -9, until the next write stores it once.
void TestCli::twoProgramsShareTheAccount()
{
    tbtest::PhoneSimProcess phone;
    QVERIFY(phone.start(LISTEN_PHONE));
    QProcess first, second;
    for (QProcess* listener : {&first, &second})
        startCli(*listener, {"listen", "--account", "cli", "--wifi", LISTEN_PHONE});
    QTRY_COMPARE_WITH_TIMEOUT(phone.linesStartingWith("LISTENER").size(), 2, 20000);
    for (int i = 0; i < 20; ++i)
        phone.push("5550199", QStringLiteral("both %1").arg(i));
    QVERIFY(phone.waitForPushed(20));
    QTRY_COMPARE_WITH_TIMEOUT(storedLike("both %"), 20LL, 10000);
    QTRY_COMPARE(spooled(), 0); // what one held while the other stored is gone too

    openAccountDatabase(ACCOUNT);
    {
        Transaction job(currentDatabase());
        for (int i = 0; i < 5; ++i)
            phone.push("5550199", QStringLiteral("held %1").arg(i));
        QVERIFY(phone.waitForPushed(25));
        QTRY_COMPARE(spooled(), 10); // each listener's copy
        ::kill(first.processId(), SIGINT);
        QCOMPARE(finished(first, 10000).exitCode, 130);
        second.kill();
        second.waitForFinished();
        struct Read
        {
            QString arguments; // % stands for the test's folder of files
            int exitCode;
            QString shows; // on standard output, or in the error line
        };
        const Read reads[] = {{"search both_7 --account cli", 0, "both 7"},
                              {"export %/during.csv --account cli", 0, ""},
                              {"accounts", 0, "cli.db\t"},
                              {"accounts delete cli --yes", 1, "open in another program"}};
        for (Read read : reads) {
            QElapsedTimer timer;
            timer.start();
            const CliResult result =
                runCli(read.arguments.replace(u'%', m_files.path()).split(u' '));
            QVERIFY2(timer.elapsed() < 3000, qPrintable(read.arguments));
            QCOMPARE(result.exitCode, read.exitCode);
            QVERIFY2((result.out + errorLine(result.err)).contains(read.shows),
                     qPrintable(result.out + result.err));
        }
    }
    QCOMPARE(spooled(), 10);
    QCOMPARE(runCli({"import", file("own.csv"), "--account", "cli"}).exitCode, 0);
    QCOMPARE(storedLike("held %"), 5LL);
    QCOMPARE(spooled(), 0);
    QVERIFY(QFileInfo(file("during.csv")).size() > 0);
    currentDatabase()->close();
}

// The phone sends to every number while another program holds the account: sent is sent, and
// storing waits for the account.
void TestCli::sendWhileAnotherProgramWrites()
{
    // Opened once before, as the other program would have: a first open adds the search index.
    QCOMPARE(runCli({"search", "x", "--account", "cli"}).exitCode, 0);
    {
        Sqlite3DB window;
        window.openThrow(accountPath(), SQLITE_OPEN_READWRITE);
        Transaction job(&window);
        const qsizetype sent = m_phone.linesStartingWith(QStringLiteral("SENT ")).size();
        const CliResult send = runCli(
            {"send", "--account", "cli", "--wifi", PHONE, "--to", "5550101,5550102", "busy"});
        QVERIFY2(send.exitCode == 0, qPrintable(send.err));
        QCOMPARE(send.out, QStringLiteral(
                               "Sent to 5550101.\nSent to 5550102.\nMessage sent successfully.\n"));
        QTRY_COMPARE(m_phone.linesStartingWith(QStringLiteral("SENT ")).size(), sent + 2);
        QCOMPARE(spooled(), 2);
    }
    // The next program that writes stores both, once.
    QCOMPARE(runCli({"import", file("own.csv"), "--account", "cli"}).exitCode, 0);
    QCOMPARE(storedLike("busy"), 2LL);
    QCOMPARE(spooled(), 0);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
