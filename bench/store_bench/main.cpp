// Measures storeSMS: 100,000 generated messages (500 conversations of 160 plus one of 20,000)
// in one transaction (a job's, whose commit indexes the new messages for the search) into a
// fresh account, then the same 100,000 again (all duplicates); then the same on an account as
// the template makes it, without search index and conversation summary, for their cost.
// Usage: store_bench [--without-index] [--baseline]
//   --without-index  also run on an account whose index_address_date was dropped
//   --baseline       also run the same statements straight on the SQLite C API
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

#include <sqlite3.h>

#include "core/frame/LocalTimeZone.h"
#include "core/store/Accounts.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/StoreSMS.h"
#include "core/store/Transaction.h"

namespace {

constexpr int smallConversations = 500;
constexpr int perSmallConversation = 160;
constexpr int bigConversation = 20000;

struct Generated
{
    SMSInfo sms;
    bool big = false;
};

// Conversations interleaved as a phone hands them out: by date, all mixed.
std::vector<Generated> generate()
{
    std::vector<Generated> list;
    list.reserve(smallConversations * perSmallConversation + bigConversation);
    const QDateTime start(QDate(2022, 1, 1), QTime(8, 0));
    int second = 0;
    const int total = smallConversations * perSmallConversation + bigConversation;
    int bigDone = 0;
    int smallDone = 0;
    for (int i = 0; i < total; ++i) {
        // Every fifth message belongs to the big conversation, so it grows all along.
        const bool big = (i % 5 == 0 && bigDone < bigConversation) ||
                         smallDone == smallConversations * perSmallConversation;
        Generated g;
        g.big = big;
        if (big) {
            g.sms.address = QStringLiteral("+1 555 010 0999");
            g.sms.person = QStringLiteral("Busy Friend");
            g.sms.body =
                QStringLiteral("Chat line %1, see you at %2").arg(bigDone).arg(bigDone % 24);
            ++bigDone;
        } else {
            const int conversation = smallDone % smallConversations;
            g.sms.address = QStringLiteral("+49 170 %1").arg(1000000 + conversation * 7);
            g.sms.person =
                conversation % 3 ? QStringLiteral("Contact %1").arg(conversation) : QString();
            g.sms.body =
                QStringLiteral("Message %1 to contact %2").arg(smallDone).arg(conversation);
            ++smallDone;
        }
        g.sms.isSend = i % 2 == 0;
        g.sms.date = start.addSecs(second += 37);
        list.push_back(g);
    }
    return list;
}

struct RunFigures
{
    double seconds = 0;
    qint64 bigNanos = 0;
    qint64 smallNanos = 0;
    qint64 firstBigNanos = 0; // first 2,000 messages of the big conversation
    qint64 lastBigNanos = 0;  // last 2,000
    qint64 commitNanos = 0;   // with the indexing of the new messages
    int stored = 0;
};

RunFigures storeAll(Sqlite3DB* db, const std::vector<Generated>& list)
{
    RunFigures figures;
    QElapsedTimer total;
    total.start();
    Transaction transaction(db);
    int bigIndex = 0;
    QElapsedTimer one;
    for (const Generated& g : list) {
        SMSInfo sms = g.sms;
        one.start();
        figures.stored += storeSMS(db, sms) ? 1 : 0;
        const qint64 nanos = one.nsecsElapsed();
        if (g.big) {
            figures.bigNanos += nanos;
            if (bigIndex < 2000)
                figures.firstBigNanos += nanos;
            else if (bigIndex >= bigConversation - 2000)
                figures.lastBigNanos += nanos;
            ++bigIndex;
        } else {
            figures.smallNanos += nanos;
        }
    }
    QElapsedTimer committing;
    committing.start();
    transaction.commit();
    figures.commitNanos = committing.nsecsElapsed();
    figures.seconds = double(total.nsecsElapsed()) / 1e9;
    return figures;
}

void print(const char* label, const RunFigures& f, int total)
{
    const int small = total - bigConversation;
    std::printf("%-34s %8d stored %10.0f msg/s  (%.2f s)\n", label, f.stored, total / f.seconds,
                f.seconds);
    std::printf("    per message: big conversation %6.2f us, others %6.2f us, ratio %.2f\n",
                f.bigNanos / 1e3 / bigConversation, f.smallNanos / 1e3 / small,
                (double(f.bigNanos) / bigConversation) / (double(f.smallNanos) / small));
    std::printf("    big conversation: first 2,000 %6.2f us, last 2,000 %6.2f us per message\n",
                f.firstBigNanos / 1e3 / 2000, f.lastBigNanos / 1e3 / 2000);
    std::printf("    commit %.0f ms (with the search index: indexing the new messages)\n",
                f.commitNanos / 1e6);
}

// The same two statements straight on the C API, as the nearest equivalent without the layer.
double baseline(const QString& path, const std::vector<Generated>& list)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* count = nullptr;
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "select count(*) from sms where date = ? and address = ? and body = ? and "
                       "is_send = ?",
                       -1, &count, nullptr);
    sqlite3_prepare_v2(db,
                       "insert into sms(address, person, date, is_send, body, suffix) "
                       "values(?, ?, ?, ?, ?, ?)",
                       -1, &insert, nullptr);
    QElapsedTimer timer;
    timer.start();
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    for (const Generated& g : list) {
        const QByteArray address = g.sms.address.toUtf8();
        const QByteArray body = g.sms.body.toUtf8();
        const long long date = g.sms.date.toMSecsSinceEpoch() / 1000;
        sqlite3_bind_int64(count, 1, date);
        sqlite3_bind_text(count, 2, address.constData(), int(address.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(count, 3, body.constData(), int(body.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(count, 4, g.sms.isSend ? 1 : 0);
        sqlite3_step(count);
        const bool duplicate = sqlite3_column_int(count, 0) > 0;
        sqlite3_reset(count);
        if (duplicate)
            continue;
        const QByteArray person = g.sms.person.toUtf8();
        const QByteArray suffix = conversationSuffix(g.sms.address).toUtf8();
        sqlite3_bind_text(insert, 1, address.constData(), int(address.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, person.constData(), int(person.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(insert, 3, date);
        sqlite3_bind_int(insert, 4, g.sms.isSend ? 1 : 0);
        sqlite3_bind_text(insert, 5, body.constData(), int(body.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 6, suffix.constData(), int(suffix.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    sqlite3_finalize(count);
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return seconds;
}

// templateOnly: opened without the upgrade, as the template (or an older build) leaves it.
void runAccount(const QString& name, bool dropIndex, bool templateOnly,
                const std::vector<Generated>& list)
{
    createAccountFile(name);
    if (dropIndex) {
        Sqlite3DB db;
        db.openThrow(accountFilePath(name), SQLITE_OPEN_READWRITE);
        db.executeThrow(Sqlite3Sql("drop index index_address_date"));
    }
    Sqlite3DB raw;
    Sqlite3DB* db = &raw;
    if (templateOnly)
        raw.openThrow(accountFilePath(name), SQLITE_OPEN_READWRITE);
    else
        db = openAccountDatabase(name);
    const int total = int(list.size());
    std::printf("%s%s\n", qPrintable(name),
                templateOnly ? " (template only: no search index, no summary)" : "");
    print("  first run (new messages)", storeAll(db, list), total);
    print("  second run (all duplicates)", storeAll(db, list), total);
}

} // namespace

int main(int argc, char* argv[])
{
    readLocalTimeZoneOnce(); // as the program starts
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    // A data folder of the bench's own, removed at the end.
    qputenv("HOME", QFile::encodeName(home.path()));

    const std::vector<Generated> list = generate();
    std::printf("store_bench: %zu messages, %d conversations of %d plus one of %d, SQLite %s\n",
                list.size(), smallConversations, perSmallConversation, bigConversation,
                sqlite3_libversion());
    try {
        runAccount(QStringLiteral("bench.db"), false, false, list);
        runAccount(QStringLiteral("bench-template.db"), false, true, list);
        if (args.contains(QStringLiteral("--without-index")))
            runAccount(QStringLiteral("bench-without-index.db"), true, true, list);
        if (args.contains(QStringLiteral("--baseline"))) {
            createAccountFile(QStringLiteral("baseline.db"));
            openAccountDatabase(QStringLiteral("baseline.db")); // the same triggers
            const QString path = accountFilePath(QStringLiteral("baseline.db"));
            const double first = baseline(path, list);
            const double second = baseline(path, list);
            std::printf("C API baseline\n  first run %10.0f msg/s, second run %10.0f msg/s\n",
                        list.size() / first, list.size() / second);
        }
    } catch (const Sqlite3Exception& e) {
        std::fprintf(stderr, "store_bench: %s\n", e.what());
        return 1;
    } catch (const std::runtime_error& e) {
        std::fprintf(stderr, "store_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
