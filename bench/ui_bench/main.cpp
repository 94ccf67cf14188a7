// ui_bench [FOLDER]: builds (or reuses) FOLDER/Quillmarten.../bench.db with 1,000,000
// messages in 5,000 conversations and times what the main window and the search dialog do
// on it. Median of five runs each; the sqlite3 tool runs the same statement on the same file.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <sqlite3.h>

#include "core/frame/DataDirectory.h"
#include "core/store/Accounts.h"
#include "core/store/ConversationQuery.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/StoreSMS.h"
#include "gui/ui/ItemModelContacts.h"
#include "core/store/SearchQuery.h"
#include "gui/ui/SMSSearchForm.h"
#include "gui/ui/SmsBrowser.h"

namespace {

constexpr int messageCount = 1000000;
constexpr int conversationCount = 5000;
constexpr int bigConversation = 20000;
const QString keyword = QStringLiteral("asparagus");
const QString sqliteTool = QStringLiteral("/usr/bin/sqlite3");
constexpr int runs = 5;

const char* const words[] = {"hello", "meeting", "dinner",  "tomorrow", "call",  "later", "thanks",
                             "ok",    "see",     "you",     "soon",     "train", "late",  "coffee",
                             "work",  "home",    "tickets", "weekend",  "movie", "lunch"};

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        qFatal("sqlite: %s", sqlite3_errmsg(db));
}

// Straight into the account file through the C API, in one transaction: the store's own
// duplicate check is not what is measured here.
void generate(Sqlite3DB* account)
{
    sqlite3* db = account->handle();
    QRandomGenerator random(4711);
    QList<QString> addresses, persons, suffixes;
    for (int c = 0; c < conversationCount; ++c) {
        addresses.append(QStringLiteral("+49 17%1 %2").arg(c % 10).arg(1000000 + c * 37));
        persons.append(c % 3 == 0 ? QString() : QStringLiteral("Contact %1").arg(c));
        suffixes.append(conversationSuffix(addresses.last()));
    }
    check(sqlite3_exec(db, "begin", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(db,
                             "insert into sms(address, person, date, is_send, body, suffix) "
                             "values(?, ?, ?, ?, ?, ?)",
                             -1, &insert, nullptr),
          db);
    qint64 date = 1400000000;
    for (int i = 0; i < messageCount; ++i) {
        // The first 20,000 messages belong to conversation 0, the rest are spread evenly.
        const int c = i < bigConversation ? 0 : 1 + int(random.bounded(conversationCount - 1));
        date += 1 + random.bounded(200);
        QStringList body;
        for (int w = 0; w < 8; ++w)
            body.append(QString::fromLatin1(words[random.bounded(int(std::size(words)))]));
        if (random.bounded(100) == 0)
            body.insert(3, keyword);
        const QByteArray address = addresses.at(c).toUtf8();
        const QByteArray person = persons.at(c).toUtf8();
        const QByteArray text = body.join(QLatin1Char(' ')).toUtf8();
        const QByteArray suffix = suffixes.at(c).toUtf8();
        sqlite3_bind_text(insert, 1, address.constData(), int(address.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, person.constData(), int(person.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(insert, 3, date);
        sqlite3_bind_int(insert, 4, int(random.bounded(2)));
        sqlite3_bind_text(insert, 5, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 6, suffix.constData(), int(suffix.size()), SQLITE_TRANSIENT);
        check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db);
}

double medianMs(const std::function<void()>& work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(runs / 2);
}

// The statement with its parameters written in as literals, for the command-line tool.
QString literalStatement(const Sqlite3Sql& sql)
{
    QString text = sql.sql();
    for (const QVariant& value : sql.params()) {
        const qsizetype at = text.indexOf(QLatin1Char('?'));
        const QString literal =
            value.typeId() == QMetaType::QString
                ? QLatin1Char('\'') +
                      value.toString().replace(QLatin1Char('\''), QLatin1String("''")) +
                      QLatin1Char('\'')
                : value.toString();
        text.replace(at, 1, literal);
    }
    return text;
}

double toolMs(const QString& file, const QString& statement)
{
    if (!QFile::exists(sqliteTool))
        return -1;
    return medianMs([&] {
        QProcess tool;
        tool.setStandardOutputFile(QProcess::nullDevice());
        tool.start(sqliteTool, {file, statement});
        tool.waitForFinished(-1);
    });
}

void report(const char* what, double ms, double cliMs)
{
    if (cliMs < 0)
        qInfo("%-58s %9.1f ms", what, ms);
    else
        qInfo("%-58s %9.1f ms   sqlite3 tool %9.1f ms   ratio %.2f", what, ms, cliMs, ms / cliMs);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString home = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    qputenv("HOME", home.toLocal8Bit());
    const QString accountName = QStringLiteral("ui_bench.db");
    const QString file = dataDirectory().absoluteFilePath(accountName);

    const bool reuse = QFile::exists(file);
    if (!reuse)
        createAccountFile(accountName);
    Sqlite3DB* db = openAccountDatabase(accountName);
    if (!reuse) {
        QElapsedTimer timer;
        timer.start();
        generate(db);
        qInfo("generated %d messages in %d conversations in %.1f s (%s)", messageCount,
              conversationCount, double(timer.elapsed()) / 1000.0, qPrintable(file));
    } else {
        qInfo("reusing %s", qPrintable(file));
    }

    // Contacts list: the model's reload, as the main window does it.
    ItemModelContacts model;
    const double contactsMs = medianMs([&] { model.reloadFrom(db); });
    if (model.rowCount() != conversationCount)
        qFatal("expected %d conversations, got %d", conversationCount, model.rowCount());
    report("contacts list (ItemModelContacts reload)", contactsMs,
           toolMs(file, QString::fromLatin1(ItemModelContacts::contactsQuery)));
    const QString plainContacts = QStringLiteral(
        "select suffix, max(person) as person, max(address) as address from sms group by suffix "
        "order by max(date) desc;");
    report("  same rows grouped through index_suffix (sqlite3 tool)", toolMs(file, plainContacts),
           -1);

    // The 20,000-message conversation, shown as the main window shows it.
    const QString suffix = model.entries().isEmpty() ? QString() : [&] {
        const int row = model.rowOfSuffix(conversationSuffix(QStringLiteral("+49 170 1000000")));
        return model.entries().at(row).suffix;
    }();
    SmsBrowser browser;
    int shown = 0;
    const double conversationMs = medianMs([&] {
        const QList<SMSInfo> list = loadConversation(db, suffix);
        browser.setSMSList(list, QString());
        shown = int(list.size());
    });
    if (shown != bigConversation)
        qFatal("expected %d messages in the conversation, got %d", bigConversation, shown);
    report("conversation of 20,000 (query + SmsBrowser setSMSList)", conversationMs,
           toolMs(file, literalStatement(conversationStatement(suffix))));
    Sqlite3Sql viewStatement("select * from view_sms where suffix=? order by date asc");
    viewStatement.addTextParam(suffix);
    const double viewMs = medianMs([&] {
        Sqlite3Cursor cursor = db->queryThrow(viewStatement);
        QList<SMSInfo> list;
        while (cursor.moveNext())
            list.append(readSMSRow(cursor));
    });
    report("  same rows through view_sms (query only)", viewMs,
           toolMs(file, literalStatement(viewStatement)));

    // Keyword search over every message, as the search dialog runs it.
    const Sqlite3Sql search = searchStatement(keyword, SearchFolder::All);
    int found = 0;
    const double searchMs = medianMs([&] {
        Sqlite3Cursor cursor = db->queryThrow(search);
        QList<SMSInfo> list;
        while (cursor.moveNext())
            list.append(readSMSRow(cursor));
        browser.setSMSList(list, keyword);
        found = int(list.size());
    });
    report(qPrintable(QStringLiteral("keyword search \"%1\" (%2 found, all folders)")
                          .arg(keyword)
                          .arg(found)),
           searchMs, toolMs(file, literalStatement(search)));
    return 0;
}
