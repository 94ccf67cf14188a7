#pragma once

// Shared by the phone-link and sync tests: an account of the test's own, database helpers and
// the connection dialog driven by the object names of its widgets.
#include <QFile>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>
#include <functional>

#include "core/store/Accounts.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Sql.h"
#include "core/store/StoreSMS.h"

namespace phonetest {

// A fresh account in a temporary HOME, open as the current database, and the English texts.
class TempAccount
{
public:
    bool open()
    {
        if (!m_home.isValid() || !m_english.load(QStringLiteral(":/en.qm")))
            return false;
        QCoreApplication::installTranslator(&m_english);
        qputenv("HOME", QFile::encodeName(m_home.path()));
        createAccountFile(QStringLiteral("phone.db"));
        return openAccountDatabase(QStringLiteral("phone.db")) != nullptr;
    }

private:
    QTemporaryDir m_home;
    QTranslator m_english;
};

inline QList<SMSInfo> storedMessages()
{
    QList<SMSInfo> list;
    Sqlite3Cursor cursor =
        currentDatabase()->queryThrow(Sqlite3Sql("select * from sms order by date, sms_id"));
    while (cursor.moveNext())
        list.append(readSMSRow(cursor));
    return list;
}

inline qsizetype storedCount()
{
    return storedMessages().size();
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
inline QByteArray b64(const QString& text)
{
    return text.toUtf8().toBase64();
}

} // namespace phonetest
