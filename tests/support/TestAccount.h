#pragma once

// A test's own account and the messages in it, for every test that stores messages.
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <functional>

#include "core/frame/DataDirectory.h"
#include "core/frame/SMSInfo.h"
#include "core/store/Accounts.h"
#include "core/store/ContactsQuery.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Sql.h"
#include "core/store/StoreSMS.h"

namespace tbtest {

template <typename Exception = std::exception>
QString failureOf(const std::function<void()>& action);

// A home folder of the test's own (so the data folder is its own too) and the English
// catalogue; open() creates an account there and makes it the current database.
class TestAccount
{
public:
    TestAccount()
    {
        qputenv("HOME", QFile::encodeName(m_home.path()));
        if (m_english.load(QStringLiteral(":/en.qm")))
            QCoreApplication::installTranslator(&m_english);
    }
    bool open(const QString& name = QStringLiteral("test.db"))
    {
        if (!m_home.isValid() || m_english.isEmpty())
            return false;
        createAccountFile(name);
        return openAccountDatabase(name) != nullptr;
    }
    QString home() const { return m_home.path(); }
    // Closes and deletes the open account, if any, and moves HOME to an empty folder of its
    // own, so that a case starts with no account. False when that fails.
    bool startInNewHome()
    {
        if (!currentAccountName().isEmpty())
            failureOf([] { deleteAccountFile(currentAccountName()); });
        const QString home = m_home.path() + QStringLiteral("/home%1").arg(++m_homes);
        qputenv("HOME", QFile::encodeName(home));
        return currentDatabase() == nullptr && QDir().mkpath(home);
    }

private:
    QTemporaryDir m_home;
    int m_homes = 0;
    QTranslator m_english;
};

inline QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

inline QDateTime secs(qint64 secondsSinceEpoch)
{
    return QDateTime::fromSecsSinceEpoch(secondsSinceEpoch);
}

inline SMSInfo makeSMS(const QString& address, const QString& person, const QString& body,
                       bool isSend, const QDateTime& date)
{
    SMSInfo sms;
    sms.address = address;
    sms.person = person;
    sms.body = body;
    sms.isSend = isSend;
    sms.date = date;
    return sms;
}

// Stores the message in the current account; false for a duplicate.
inline bool store(SMSInfo sms)
{
    return storeSMS(currentDatabase(), sms);
}

// Records, each as one comparable text: direction, date to the second, number, person, body.
inline QStringList keys(const QList<SMSInfo>& list)
{
    QStringList result;
    for (const SMSInfo& sms : list)
        result.append(
            QStringList{sms.isSend ? "1" : "0",
                        sms.date.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                        sms.address, sms.person, sms.body}
                .join(QLatin1Char('|')));
    return result;
}

// The current database's messages in the order they were stored.
inline QList<SMSInfo> storedMessages()
{
    QList<SMSInfo> list;
    Sqlite3Cursor rows =
        currentDatabase()->queryThrow(Sqlite3Sql("select * from sms order by sms_id"));
    while (rows.moveNext())
        list.append(readSMSRow(rows));
    return list;
}

inline QStringList storedBodies()
{
    QStringList bodies;
    for (const SMSInfo& sms : storedMessages())
        bodies.append(sms.body);
    return bodies;
}

// The first column of the first row of a query with at most one text parameter, on the current
// account unless another is given.
inline qint64 scalar(const QString& sql, const QString& param = QString(),
                     Sqlite3DB* db = currentDatabase())
{
    Sqlite3Sql query(sql);
    if (!param.isNull())
        query.addTextParam(param);
    Sqlite3Cursor cursor = db->queryThrow(query);
    return cursor.moveNext() ? cursor.getInt64(0) : -1;
}

// Every row of the sms table and of sqlite_sequence, as text: equal dumps, equal contents.
inline QString dump(Sqlite3DB& db = *currentDatabase())
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

// Conversations as "suffix|person|address|date|count" lines: as the list holds them, as the
// account's summary gives them, and as grouping every message gives them.
inline QStringList contactLines(const QList<ContactEntry>& entries)
{
    QStringList rows;
    for (const ContactEntry& e : entries) {
        rows.append(QStringList{e.suffix, e.person, e.address, QString::number(e.lastDate),
                                QString::number(e.messageCount)}
                        .join(u'|'));
    }
    return rows;
}

inline QStringList summaryContacts(Sqlite3DB& db = *currentDatabase(),
                                   ContactOrder order = ContactOrder::NewestFirst)
{
    return contactLines(loadContacts(&db, order));
}

inline QStringList groupedContacts(Sqlite3DB& db = *currentDatabase(),
                                   ContactOrder order = ContactOrder::NewestFirst)
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

// Base64 of UTF-8, as the wire carries free text.
inline QByteArray b64(const QString& text)
{
    return text.toUtf8().toBase64();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// An exported XML file without its backup set and date, which are new in every file.
inline QByteArray withoutBackupSet(const QByteArray& xml)
{
    static const QRegularExpression set(
        QStringLiteral(" backup_set=\"[^\"]*\" backup_date=\"\\d*\""));
    return QString::fromUtf8(xml).remove(set).toUtf8();
}

inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

// Every file under the home folder, wherever it lies, relative to the data folder; not those an
// open account keeps beside it (its lock and SQLite's write-ahead log).
inline QStringList files()
{
    const QDir data = dataDirectory();
    static const QRegularExpression companion("(\\.lock|-wal|-shm)$");
    QStringList names;
    for (QDirIterator it(QDir::homePath(), QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString name = data.relativeFilePath(it.next());
        if (!name.contains(companion))
            names.append(name);
    }
    names.sort();
    return names;
}

// Writes a file into the data folder.
inline void put(const QString& name, const QByteArray& bytes)
{
    writeFile(dataDirectory().absoluteFilePath(name), bytes);
}

// The message of the exception the action threw, or "<no exception>".
template <typename Exception> QString failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QStringLiteral("<no exception>");
}

} // namespace tbtest
