#pragma once

// A test's own account and the messages in it, for every test that stores messages.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTranslator>
#include <functional>

#include "core/frame/SMSInfo.h"
#include "core/store/Accounts.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Sql.h"
#include "core/store/StoreSMS.h"

namespace tbtest {

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

private:
    QTemporaryDir m_home;
    QTranslator m_english;
};

inline QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
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

inline qsizetype storedCount()
{
    return storedMessages().size();
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

inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

// The message of the exception the action threw, or "<no exception>".
template <typename Exception = std::exception>
QString failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QStringLiteral("<no exception>");
}

} // namespace tbtest
