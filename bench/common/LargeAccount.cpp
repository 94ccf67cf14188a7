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

void fill(Sqlite3DB* account)
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

} // namespace largeaccount
