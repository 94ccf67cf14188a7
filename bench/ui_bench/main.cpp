// ui_bench [FOLDER]: builds (or reuses) FOLDER/.../ui_bench.db with 1,000,000 messages in 5,000
// conversations, opens it (the first open builds the search index and the conversation summary)
// and times what the main window and the search dialog do on it. Median of five runs each; the
// sqlite3 tool runs the same statements on the same file.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <sqlite3.h>

#include "LargeAccount.h"
#include "core/frame/DataDirectory.h"
#include "core/frame/LocalTimeZone.h"
#include "core/store/Accounts.h"
#include "core/store/ContactsQuery.h"
#include "core/store/ConversationQuery.h"
#include "core/store/SMSQueryPageSource.h"
#include "core/store/SearchQuery.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/StoreSMS.h"
#include "gui/ui/ItemModelContacts.h"
#include "gui/ui/SmsBrowser.h"

namespace {

using largeaccount::bigConversation;
using largeaccount::conversationCount;
using largeaccount::keyword;
const QString sqliteTool = QStringLiteral("/usr/bin/sqlite3");
constexpr int runs = 5;

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

// The two statements the views run for the page shown first: the count (or the row ids in
// order) and the last page.
QString countAndLastPage(Sqlite3DB* db, const MessageQuery& query, qint64 count)
{
    const qint64 last = count == 0 ? 0 : (count - 1) % SmsBrowser::messagesPerPage + 1;
    if (!query.hasKeys()) {
        return literalStatement(query.count) + QStringLiteral("; ") +
               literalStatement(query.slice(0, int(last), true)) + QStringLiteral(";");
    }
    QList<qint64> ids;
    for (Sqlite3Cursor cursor = db->queryThrow(query.orderedKeys()); cursor.moveNext();)
        ids.append(cursor.getInt64(0));
    return literalStatement(query.orderedKeys()) + QStringLiteral("; ") +
           literalStatement(query.rowsOf(ids.mid(ids.size() - last))) + QStringLiteral(";");
}

// Times what a view does to show a list: count it, read and render its last page.
double showMs(SmsBrowser& browser, const std::shared_ptr<Sqlite3DB>& db, const MessageQuery& query,
              const QString& keyword, qint64& count)
{
    return medianMs([&] {
        browser.setSource(std::make_shared<SMSQueryPageSource>(db, query), keyword);
        count = browser.messageCount();
    });
}

} // namespace

int main(int argc, char* argv[])
{
    readLocalTimeZoneOnce(); // as the program starts
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString home = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    qputenv("HOME", home.toLocal8Bit());
    const QString accountName = QStringLiteral("ui_bench.db");
    const QString file = dataDirectory().absoluteFilePath(accountName);

    if (!QFile::exists(file)) {
        // Written as an older build would have left it: messages only, no index, no summary.
        createAccountFile(accountName);
        Sqlite3DB raw;
        raw.openThrow(file, SQLITE_OPEN_READWRITE);
        QElapsedTimer timer;
        timer.start();
        largeaccount::fill(&raw);
        qInfo("generated %d messages in %d conversations in %.1f s (%s)",
              largeaccount::messageCount, conversationCount, double(timer.elapsed()) / 1000.0,
              qPrintable(file));
    } else {
        qInfo("reusing %s", qPrintable(file));
    }
    QElapsedTimer opening;
    opening.start();
    openAccountDatabase(accountName);
    qInfo("%-58s %9.1f ms", "open (builds search index and summary when missing)",
          double(opening.nsecsElapsed()) / 1e6);
    const std::shared_ptr<Sqlite3DB> shared = currentDatabaseShared();
    Sqlite3DB* db = shared.get();

    // Contacts list: the model's reload, as the main window does it.
    ItemModelContacts model;
    const double contactsMs = medianMs([&] { model.reloadFrom(db); });
    if (model.rowCount() != conversationCount)
        qFatal("expected %d conversations, got %d", conversationCount, model.rowCount());
    report("contacts list (ItemModelContacts reload)", contactsMs,
           toolMs(file, literalStatement(contactsStatement())));
    const QString grouped = QStringLiteral(
        "select suffix, max(person) as person, max(address) as address, max(date) as date from sms "
        "group by +suffix order by max(date) desc;");
    report("  same rows grouped from sms (sqlite3 tool)", toolMs(file, grouped), -1);

    // The 20,000-message conversation, shown as the main window shows it.
    const QString suffix = conversationSuffix(QStringLiteral("+49 170 1000000"));
    SmsBrowser browser;
    qint64 shown = 0;
    const MessageQuery conversation = conversationQuery(suffix);
    const double conversationMs = showMs(browser, shared, conversation, QString(), shown);
    if (shown != bigConversation)
        qFatal("expected %d messages in the conversation, got %lld", bigConversation, shown);
    report("conversation of 20,000 (count, last page read and shown)", conversationMs,
           toolMs(file, countAndLastPage(db, conversation, shown)));
    report("  every row of it (sqlite3 tool)",
           toolMs(file, literalStatement(conversation.ordered())), -1);

    // Keyword searches over every message, as the search dialog runs them.
    for (const QString& word :
         {keyword, QStringLiteral("Asparagus tom"), QStringLiteral("Contact 42"),
          QStringLiteral("170 10000"), QStringLiteral("ok")}) {
        qint64 found = 0;
        const MessageQuery search = searchQuery(word, SearchFolder::All);
        const double searchMs = showMs(browser, shared, search, word, found);
        report(qPrintable(QStringLiteral("search \"%1\" (%2 found, count and last page)")
                              .arg(word)
                              .arg(found)),
               searchMs, toolMs(file, countAndLastPage(db, search, found)));
    }
    Sqlite3Sql before("select * from view_sms where (body like ? or address like ? or person "
                      "like ?) order by date asc");
    const QString pattern = QLatin1Char('%') + keyword + QLatin1Char('%');
    before.addTextParam(pattern).addTextParam(pattern).addTextParam(pattern);
    report("  the search through view_sms, every row (sqlite3 tool)",
           toolMs(file, literalStatement(before)), -1);

    // Deleting the big conversation as the main window does, rolled back each time.
    Sqlite3Sql remove("delete from sms where suffix=?");
    remove.addTextParam(suffix);
    const double deleteMs = medianMs([&] {
        db->beginTran();
        db->executeThrow(remove);
        db->rollbackTran();
    });
    report("delete the conversation of 20,000 (then rolled back)", deleteMs, -1);

    QElapsedTimer reopening;
    reopening.start();
    openAccountDatabase(accountName);
    qInfo("%-58s %9.1f ms", "open again (nothing to build)",
          double(reopening.nsecsElapsed()) / 1e6);
    return 0;
}
