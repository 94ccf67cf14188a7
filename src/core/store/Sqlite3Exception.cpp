#include "core/store/Sqlite3Exception.h"

#include <QCoreApplication>
#include <sqlite3.h>

Sqlite3Exception::Sqlite3Exception(std::string message, int code)
    : m_message(std::move(message)), m_code(code)
{
    if ((code & 0xff) == SQLITE_BUSY) {
        m_message =
            QCoreApplication::translate("Sqlite3DB", "IDS_ACCOUNT_IN_USE").toUtf8().toStdString();
    }
}
