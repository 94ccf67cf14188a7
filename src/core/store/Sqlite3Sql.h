#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// Statement text with positional "?" parameters bound in the order of the add calls.
class Sqlite3Sql
{
public:
    Sqlite3Sql() = default;
    explicit Sqlite3Sql(const QString& sql) : m_sql(sql) {}
    explicit Sqlite3Sql(const char* utf8) : m_sql(QString::fromUtf8(utf8)) {}

    Sqlite3Sql& appendSql(const QString& sql);
    Sqlite3Sql& addIntParam(int value);
    Sqlite3Sql& addInt64Param(long long value);
    // A null QString binds as empty text, never as NULL, so that equality tests match it.
    Sqlite3Sql& addTextParam(const QString& value);

    const QString& sql() const { return m_sql; }
    // Each entry holds an int, a qlonglong or a QString.
    const QList<QVariant>& params() const { return m_params; }

private:
    QString m_sql;
    QList<QVariant> m_params;
};
