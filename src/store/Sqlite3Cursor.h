#pragma once

#include <QString>
#include <memory>

class Sqlite3Stmt;
class Sqlite3Sql;

// Lazily stepping result of a query. Copies share the running statement.
class Sqlite3Cursor
{
public:
    Sqlite3Cursor() = default;
    Sqlite3Cursor(std::shared_ptr<Sqlite3Stmt> stmt, const Sqlite3Sql& sql);

    bool moveNext();
    // Rows of the whole result, whatever the position; computed once, without reading the
    // rows into memory.
    int count();

    int getInt(int column) const;
    int getInt(const QString& name) const;
    long long getInt64(const QString& name) const;
    QString getText(const QString& name) const;

private:
    struct Shared;
    std::shared_ptr<Shared> m_d;
};
