#pragma once

// Shared by the store tests (and the files tests): an isolated data folder, a message builder
// and a few database helpers.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "core/frame/SMSInfo.h"
#include "core/store/AccountUpgrade.h"
#include "core/store/ContactsQuery.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/Sqlite3Sql.h"

namespace storetest {

// Points HOME at a new temporary folder, so the data folder is the test's own.
inline void isolateHome(const QTemporaryDir& home)
{
    qputenv("HOME", QFile::encodeName(home.path()));
}

inline SMSInfo message(const QString& address, const QString& body, const QDateTime& date,
                       bool isSend, const QString& person = QString())
{
    SMSInfo sms;
    sms.address = address;
    sms.body = body;
    sms.date = date;
    sms.isSend = isSend;
    sms.person = person;
    return sms;
}

// The failure's text, or an empty string when the action succeeded.
inline QString failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Sqlite3Exception& e) {
        return QString::fromUtf8(e.what());
    } catch (const std::runtime_error& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

inline long long scalar(Sqlite3DB& db, const QString& sql)
{
    Sqlite3Cursor cursor = db.queryThrow(Sqlite3Sql(sql));
    return cursor.moveNext() ? cursor.getInt64(0) : -1;
}

// Every row of the sms table and of sqlite_sequence, as text: equal dumps, equal contents.
inline QString dump(Sqlite3DB& db)
{
    QString text;
    for (const auto& [sql, columns] :
         {std::pair{"select sms_id, address, person, date, is_send, body, suffix from sms "
                    "order by sms_id",
                    7},
          std::pair{"select name, ifnull(seq, 'NULL') from sqlite_sequence order by name", 2}}) {
        Sqlite3Cursor cursor = db.queryThrow(Sqlite3Sql(sql));
        while (cursor.moveNext()) {
            for (int column = 0; column < columns; ++column)
                text += cursor.getText(column) + QLatin1Char('|');
            text += QLatin1Char('\n');
        }
    }
    return text;
}

// The conversations as the summary lists them and as grouping every message gives them, one
// "suffix|person|address|date|count" line each, newest first (or by key).
inline QStringList summaryContacts(Sqlite3DB& db, ContactOrder order = ContactOrder::NewestFirst)
{
    QStringList rows;
    for (const ContactEntry& e : loadContacts(&db, order)) {
        rows.append(QStringList{e.suffix, e.person, e.address, QString::number(e.lastDate),
                                QString::number(e.messageCount)}
                        .join(u'|'));
    }
    return rows;
}

inline QStringList groupedContacts(Sqlite3DB& db, ContactOrder order = ContactOrder::NewestFirst)
{
    const QString sql = QStringLiteral(
        "select suffix, max(person) as person, max(address) as address, max(date) as date, "
        "count(*) from sms group by +suffix order by %1");
    const Sqlite3Sql grouped(
        sql.arg(order == ContactOrder::NewestFirst ? "max(date) desc" : "suffix"));
    QStringList rows;
    for (Sqlite3Cursor cursor = db.queryThrow(grouped); cursor.moveNext();) {
        rows.append(QStringList{cursor.getText(0), cursor.getText(1), cursor.getText(2),
                                QString::number(cursor.getInt64(3)),
                                QString::number(cursor.getInt64(4))}
                        .join(u'|'));
    }
    return rows;
}

// Empty when the search index, once the queued messages are added, holds exactly the texts of
// the messages; else SQLite's complaint.
inline QString searchIndexProblem(Sqlite3DB& db)
{
    return failureOf([&db] {
        indexPendingMessages(&db);
        db.executeThrow(
            Sqlite3Sql("insert into sms_fts(sms_fts, rank) values('integrity-check', 1)"));
    });
}

} // namespace storetest
