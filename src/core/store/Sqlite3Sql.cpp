#include "core/store/Sqlite3Sql.h"

Sqlite3Sql& Sqlite3Sql::appendSql(const QString& sql)
{
    m_sql.append(sql);
    return *this;
}

namespace {

// Room for the parameters of any statement of the program in one allocation (storing a message
// binds ten in two statements).
void reserve(QList<QVariant>& params)
{
    if (params.capacity() == 0)
        params.reserve(8);
}

} // namespace

Sqlite3Sql& Sqlite3Sql::addIntParam(int value)
{
    reserve(m_params);
    m_params.append(QVariant::fromValue(value));
    return *this;
}

Sqlite3Sql& Sqlite3Sql::addInt64Param(long long value)
{
    reserve(m_params);
    m_params.append(QVariant::fromValue(static_cast<qlonglong>(value)));
    return *this;
}

Sqlite3Sql& Sqlite3Sql::addTextParam(const QString& value)
{
    // A null string would otherwise travel as SQL NULL and never equal anything.
    reserve(m_params);
    m_params.append(QVariant::fromValue(value.isNull() ? QString(QLatin1String("")) : value));
    return *this;
}
