#include "core/store/Sqlite3Sql.h"

Sqlite3Sql& Sqlite3Sql::appendSql(const QString& sql)
{
    m_sql.append(sql);
    return *this;
}

Sqlite3Sql& Sqlite3Sql::addIntParam(int value)
{
    m_params.append(QVariant::fromValue(value));
    return *this;
}

Sqlite3Sql& Sqlite3Sql::addInt64Param(long long value)
{
    m_params.append(QVariant::fromValue(static_cast<qlonglong>(value)));
    return *this;
}

Sqlite3Sql& Sqlite3Sql::addTextParam(const QString& value)
{
    // A null string would otherwise travel as SQL NULL and never equal anything.
    m_params.append(QVariant::fromValue(value.isNull() ? QString(QLatin1String("")) : value));
    return *this;
}
