#pragma once

#include <QHash>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;
class Sqlite3Sql;

// A prepared statement; lives inside a cursor (or the database's statement cache) and is
// finished or reset when its last holder lets go.
class Sqlite3Stmt
{
public:
    Sqlite3Stmt(sqlite3* db, sqlite3_stmt* stmt);
    ~Sqlite3Stmt();
    Sqlite3Stmt(const Sqlite3Stmt&) = delete;
    Sqlite3Stmt& operator=(const Sqlite3Stmt&) = delete;

    void bind(const Sqlite3Sql& sql);
    // Steps once; false when there are no more rows. Throws Sqlite3Exception.
    bool step();
    void reset();
    int columnIndex(const QString& name) const;
    sqlite3_stmt* handle() const { return m_stmt; }
    sqlite3* db() const { return m_db; }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt;
    mutable QHash<QString, int> m_columns;
};
