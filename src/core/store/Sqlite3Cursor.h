#pragma once

#include <QString>
#include <memory>

class Sqlite3Stmt;
class Sqlite3Sql;

// Lazily stepping result of a query. Copies share the running statement, which is reset
// (or finished) when the last copy goes.
class Sqlite3Cursor
{
public:
    Sqlite3Cursor() = default;
    // The statement must be bound already; sql is kept for count().
    Sqlite3Cursor(std::shared_ptr<Sqlite3Stmt> stmt, const Sqlite3Sql& sql);

    // Steps to the next row; false after the last one (and on an empty cursor).
    // Throws Sqlite3Exception.
    bool moveNext();
    // Rows of the whole result, whatever the position; computed once, without reading the
    // rows into memory. Throws Sqlite3Exception.
    int count();

    // Values of the current row, by 0-based column or by name (case-insensitive). A name
    // that is not a column, or no current row, throws Sqlite3Exception.
    int getInt(int column) const;
    int getInt(const QString& name) const;
    long long getInt64(int column) const;
    long long getInt64(const QString& name) const;
    QString getText(int column) const;
    QString getText(const QString& name) const;
    bool isNull(const QString& name) const;
    // The 0-based column of that name, for reading many rows by column. Throws like getText.
    int columnOf(const QString& name) const { return checkedColumn(name); }

private:
    struct Shared;
    std::shared_ptr<Shared> m_d;

    int checkedColumn(int column) const;
    int checkedColumn(const QString& name) const;
};
