#pragma once

// Shared by the phone-link and sync tests: an account of the test's own and database helpers.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "store/Accounts.h"
#include "store/Sqlite3Cursor.h"
#include "store/Sqlite3DB.h"
#include "store/Sqlite3Sql.h"
#include "store/StoreSMS.h"

namespace phonetest {

// A fresh account in a temporary HOME, open as the current database.
class TempAccount
{
public:
    bool open(const QString& name = QStringLiteral("phone.db"))
    {
        if (!m_home.isValid())
            return false;
        qputenv("HOME", QFile::encodeName(m_home.path()));
        createAccountFile(name);
        return openAccountDatabase(name) != nullptr;
    }

private:
    QTemporaryDir m_home;
};

inline long long scalar(const QString& sql)
{
    Sqlite3Cursor cursor = currentDatabase()->queryThrow(Sqlite3Sql(sql));
    return cursor.moveNext() ? cursor.getInt64(QStringLiteral("n")) : -1;
}

inline long long storedCount()
{
    return scalar(QStringLiteral("select count(*) as n from sms"));
}

inline QList<SMSInfo> storedMessages()
{
    QList<SMSInfo> list;
    Sqlite3Cursor cursor =
        currentDatabase()->queryThrow(Sqlite3Sql("select * from sms order by date, sms_id"));
    while (cursor.moveNext())
        list.append(readSMSRow(cursor));
    return list;
}

template <typename Exception> QString failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QStringLiteral("<no exception>");
}

// Base64 of UTF-8, as the wire carries free text.
inline QString b64(const QString& text)
{
    return QString::fromLatin1(text.toUtf8().toBase64());
}

} // namespace phonetest
