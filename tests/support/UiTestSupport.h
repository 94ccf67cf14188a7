#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include "core/frame/SMSInfo.h"
#include "core/store/Accounts.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Sql.h"
#include "core/store/StoreSMS.h"

namespace uitest {

// A private home folder (so the data folder is the test's own), the English catalogue and a
// fresh account of that name as the current database.
class Environment
{
public:
    explicit Environment(const QString& account)
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toLocal8Bit());
        if (m_translator.load(QStringLiteral(":/en.qm"), QString(), QString(), QString()))
            QCoreApplication::installTranslator(&m_translator);
        if (!account.isEmpty()) {
            createAccountFile(account);
            openAccountDatabase(account);
        }
    }
    QString home() const { return m_home.path(); }

private:
    QTemporaryDir m_home;
    QTranslator m_translator;
};

inline SMSInfo message(const QString& address, const QString& person, const QString& body,
                       qint64 secondsSinceEpoch, bool isSend = false)
{
    SMSInfo sms;
    sms.address = address;
    sms.person = person;
    sms.body = body;
    sms.isSend = isSend;
    sms.date = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch);
    return sms;
}

inline void store(const QString& address, const QString& person, const QString& body,
                  qint64 secondsSinceEpoch, bool isSend = false)
{
    SMSInfo sms = message(address, person, body, secondsSinceEpoch, isSend);
    storeSMS(currentDatabase(), sms);
}

// The first column of the first row of a query with at most one text parameter.
inline int countRows(const QString& sql, const QString& param = QString())
{
    Sqlite3Sql query(sql);
    if (!param.isNull())
        query.addTextParam(param);
    Sqlite3Cursor cursor = currentDatabase()->queryThrow(query);
    return cursor.moveNext() ? cursor.getInt(0) : -1;
}

inline void clearMessages()
{
    currentDatabase()->executeThrow(Sqlite3Sql("delete from sms"));
}

} // namespace uitest
