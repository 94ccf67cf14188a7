#include "core/store/Sqlite3Stmt.h"

#include <sqlite3.h>

#include "core/store/Sqlite3Exception.h"
#include "core/store/Sqlite3Sql.h"

namespace {

[[noreturn]] void throwError(int rc)
{
    throw Sqlite3Exception(sqlite3_errstr(rc), rc);
}

} // namespace

Sqlite3Stmt::Sqlite3Stmt(sqlite3* db, sqlite3_stmt* stmt,
                         std::shared_ptr<const std::atomic<bool>> dbOpen)
    : m_db(db), m_stmt(stmt), m_dbOpen(std::move(dbOpen))
{}

Sqlite3Stmt::~Sqlite3Stmt()
{
    sqlite3_finalize(m_stmt);
}

bool Sqlite3Stmt::isDatabaseOpen() const
{
    return !m_dbOpen || m_dbOpen->load();
}

void Sqlite3Stmt::bind(const Sqlite3Sql& sql)
{
    if (!isDatabaseOpen())
        throw Sqlite3Exception("the database is closed", SQLITE_MISUSE);
    // Every parameter is bound anew below (their number is checked), so the old values need
    // not be cleared first.
    sqlite3_reset(m_stmt);
    const QList<QVariant>& params = sql.params();
    if (params.size() != sqlite3_bind_parameter_count(m_stmt)) {
        throw Sqlite3Exception("wrong number of parameters for: " + sql.sql().toStdString(),
                               SQLITE_RANGE);
    }
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& value = params.at(i);
        int rc = SQLITE_OK;
        switch (value.typeId()) {
        case QMetaType::Int:
            rc = sqlite3_bind_int(m_stmt, i + 1, value.toInt());
            break;
        case QMetaType::LongLong:
            rc = sqlite3_bind_int64(m_stmt, i + 1, value.toLongLong());
            break;
        default: {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, i + 1, text.constData(), int(text.size()),
                                   SQLITE_TRANSIENT);
        }
        }
        if (rc != SQLITE_OK)
            throwError(rc);
    }
}

void Sqlite3Stmt::bindInt64(int index, long long value)
{
    const int rc = sqlite3_bind_int64(m_stmt, index, value);
    if (rc != SQLITE_OK)
        throwError(rc);
}

void Sqlite3Stmt::bindText(int index, const QByteArray& utf8)
{
    const char* text = utf8.constData() ? utf8.constData() : "";
    const int rc = sqlite3_bind_text(m_stmt, index, text, int(utf8.size()), SQLITE_STATIC);
    if (rc != SQLITE_OK)
        throwError(rc);
}

bool Sqlite3Stmt::step()
{
    if (!isDatabaseOpen())
        throw Sqlite3Exception("the database is closed", SQLITE_MISUSE);
    // Held across the step and the message, which another thread's call could replace.
    sqlite3_mutex* mutex = sqlite3_db_mutex(m_db);
    sqlite3_mutex_enter(mutex);
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
        sqlite3_mutex_leave(mutex);
        return rc == SQLITE_ROW;
    }
    const std::string message = sqlite3_errmsg(m_db);
    sqlite3_reset(m_stmt);
    sqlite3_mutex_leave(mutex);
    throw Sqlite3Exception(message, rc);
}

void Sqlite3Stmt::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Sqlite3Stmt::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

int Sqlite3Stmt::columnIndex(const QString& name) const
{
    if (m_columns.isEmpty()) {
        const int count = sqlite3_column_count(m_stmt);
        for (int i = 0; i < count; ++i) {
            const QString column = QString::fromUtf8(sqlite3_column_name(m_stmt, i)).toLower();
            // The first of equal names wins, as SQLite's own lookups do.
            if (!m_columns.contains(column))
                m_columns.insert(column, i);
        }
    }
    // The program names columns in lower case: found without making a lowered copy.
    const auto exact = m_columns.constFind(name);
    return exact != m_columns.constEnd() ? *exact : m_columns.value(name.toLower(), -1);
}
