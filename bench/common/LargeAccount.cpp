#include "LargeAccount.h"

#include <QList>
#include <QRandomGenerator>
#include <QStringList>
#include <iterator>

#include <sqlite3.h>

#include "core/store/Sqlite3DB.h"
#include "core/store/StoreSMS.h"

namespace largeaccount {

namespace {

const char* const words[] = {"hello", "meeting", "dinner",  "tomorrow", "call",  "later", "thanks",
                             "ok",    "see",     "you",     "soon",     "train", "late",  "coffee",
                             "work",  "home",    "tickets", "weekend",  "movie", "lunch"};

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        qFatal("sqlite: %s", sqlite3_errmsg(db));
}

} // namespace

void fillWith(Sqlite3DB* account, int conversations, qint64 messages,
              const std::function<Placement(qint64 i, QRandomGenerator& random)>& placement)
{
    sqlite3* db = account->handle();
    QRandomGenerator random(4711);
    QList<QByteArray> addresses, persons, suffixes;
    for (int c = 0; c < conversations; ++c) {
        const QString address = QStringLiteral("+49 17%1 %2").arg(c % 10).arg(1000000 + c * 37);
        addresses.append(address.toUtf8());
        persons.append(c % 3 == 0 ? QByteArray() : QStringLiteral("Contact %1").arg(c).toUtf8());
        suffixes.append(conversationSuffix(address).toUtf8());
    }
    check(sqlite3_exec(db, "begin", nullptr, nullptr, nullptr), db);
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(db,
                             "insert into sms(address, person, date, is_send, body, suffix) "
                             "values(?, ?, ?, ?, ?, ?)",
                             -1, &insert, nullptr),
          db);
    qint64 date = 1400000000;
    for (qint64 i = 0; i < messages; ++i) {
        const Placement place = placement(i, random);
        const int c = place.conversation;
        date += 1 + random.bounded(200);
        QStringList body;
        for (int w = 0; w < 8; ++w)
            body.append(QString::fromLatin1(words[random.bounded(int(std::size(words)))]));
        if (place.keyword)
            body.insert(3, keyword);
        const QByteArray text = body.join(QLatin1Char(' ')).toUtf8();
        sqlite3_bind_text(insert, 1, addresses[c].constData(), int(addresses[c].size()),
                          SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, persons[c].constData(), int(persons[c].size()), SQLITE_STATIC);
        sqlite3_bind_int64(insert, 3, date);
        sqlite3_bind_int(insert, 4, int(random.bounded(2)));
        sqlite3_bind_text(insert, 5, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 6, suffixes[c].constData(), int(suffixes[c].size()),
                          SQLITE_STATIC);
        check(sqlite3_step(insert), db);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db);
}

void fill(Sqlite3DB* account)
{
    // The first 20,000 messages belong to conversation 0, the rest are spread evenly.
    fillWith(account, conversationCount, messageCount, [](qint64 i, QRandomGenerator& random) {
        return Placement{i < bigConversation ? 0 : 1 + int(random.bounded(conversationCount - 1)),
                         random.bounded(100) == 0};
    });
}

} // namespace largeaccount
