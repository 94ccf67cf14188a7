#include "core/store/Sqlite3Cursor.h"

#include <sqlite3.h>

#include "core/store/Sqlite3Exception.h"
#include "core/store/Sqlite3Sql.h"
#include "core/store/Sqlite3Stmt.h"

struct Sqlite3Cursor::Shared
{
    std::shared_ptr<Sqlite3Stmt> stmt;
    Sqlite3Sql sql;
    bool hasRow = false;
    bool atEnd = false;
    int count = -1;

    ~Shared()
    {
        // Releases the read lock at once and leaves a cached statement clean for reuse.
        if (stmt)
            stmt->reset();
    }
};

namespace {

// The query's text as a subquery: without the trailing semicolons and blanks.
QString subquery(const QString& sql)
{
    QString text = sql.trimmed();
    while (text.endsWith(QLatin1Char(';')))
        text = text.chopped(1).trimmed();
    return text;
}

} // namespace

Sqlite3Cursor::Sqlite3Cursor(std::shared_ptr<Sqlite3Stmt> stmt, const Sqlite3Sql& sql)
    : m_d(std::make_shared<Shared>())
{
    m_d->stmt = std::move(stmt);
    m_d->sql = sql;
}

bool Sqlite3Cursor::moveNext()
{
    if (!m_d || m_d->atEnd)
        return false;
    m_d->hasRow = m_d->stmt->step();
    m_d->atEnd = !m_d->hasRow;
    return m_d->hasRow;
}

int Sqlite3Cursor::count()
{
    if (!m_d)
        return 0;
    if (m_d->count >= 0)
        return m_d->count;

    // SQLite counts the rows itself; the cursor's own position is untouched.
    Sqlite3Sql countSql(QStringLiteral("select count(*) from (%1)").arg(subquery(m_d->sql.sql())));
    for (const QVariant& param : m_d->sql.params()) {
        if (param.typeId() == QMetaType::Int)
            countSql.addIntParam(param.toInt());
        else if (param.typeId() == QMetaType::LongLong)
            countSql.addInt64Param(param.toLongLong());
        else
            countSql.addTextParam(param.toString());
    }
    if (!m_d->stmt->isDatabaseOpen())
        throw Sqlite3Exception("the database is closed", SQLITE_MISUSE);
    sqlite3* db = m_d->stmt->db();
    sqlite3_stmt* raw = nullptr;
    const QByteArray text = countSql.sql().toUtf8();
    sqlite3_mutex_enter(sqlite3_db_mutex(db));
    const int rc = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &raw, nullptr);
    const std::string message = rc == SQLITE_OK ? std::string() : sqlite3_errmsg(db);
    sqlite3_mutex_leave(sqlite3_db_mutex(db));
    if (rc != SQLITE_OK)
        throw Sqlite3Exception(message, rc);
    Sqlite3Stmt counter(db, raw);
    counter.bind(countSql);
    m_d->count = counter.step() ? sqlite3_column_int(raw, 0) : 0;
    return m_d->count;
}

int Sqlite3Cursor::checkedColumn(int column) const
{
    if (!m_d || !m_d->hasRow)
        throw Sqlite3Exception("the cursor is not on a row", SQLITE_MISUSE);
    if (column < 0 || column >= m_d->stmt->columnCount())
        throw Sqlite3Exception("no such column: " + std::to_string(column), SQLITE_RANGE);
    return column;
}

int Sqlite3Cursor::checkedColumn(const QString& name) const
{
    if (!m_d || !m_d->hasRow)
        throw Sqlite3Exception("the cursor is not on a row", SQLITE_MISUSE);
    const int column = m_d->stmt->columnIndex(name);
    if (column < 0)
        throw Sqlite3Exception("no such column: " + name.toStdString(), SQLITE_RANGE);
    return column;
}

int Sqlite3Cursor::getInt(int column) const
{
    const int checked = checkedColumn(column);
    return sqlite3_column_int(m_d->stmt->handle(), checked);
}

int Sqlite3Cursor::getInt(const QString& name) const
{
    const int column = checkedColumn(name);
    return sqlite3_column_int(m_d->stmt->handle(), column);
}

long long Sqlite3Cursor::getInt64(int column) const
{
    const int checked = checkedColumn(column);
    return sqlite3_column_int64(m_d->stmt->handle(), checked);
}

long long Sqlite3Cursor::getInt64(const QString& name) const
{
    const int column = checkedColumn(name);
    return sqlite3_column_int64(m_d->stmt->handle(), column);
}

QString Sqlite3Cursor::getText(int column) const
{
    const int checked = checkedColumn(column);
    sqlite3_stmt* stmt = m_d->stmt->handle();
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, checked));
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt, checked));
}

QString Sqlite3Cursor::getText(const QString& name) const
{
    return getText(checkedColumn(name));
}

bool Sqlite3Cursor::isNull(const QString& name) const
{
    const int column = checkedColumn(name);
    return sqlite3_column_type(m_d->stmt->handle(), column) == SQLITE_NULL;
}
