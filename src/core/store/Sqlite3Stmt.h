#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <atomic>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;
class Sqlite3Sql;

// A prepared statement; lives inside a cursor (or the database's statement cache) and is
// finished when its last holder lets go.
class Sqlite3Stmt
{
public:
    // Takes ownership of stmt. dbOpen, when given, turns false once the database is closed;
    // the statement then refuses to step instead of touching a closed connection.
    Sqlite3Stmt(sqlite3* db, sqlite3_stmt* stmt,
                std::shared_ptr<const std::atomic<bool>> dbOpen = nullptr);
    ~Sqlite3Stmt();
    Sqlite3Stmt(const Sqlite3Stmt&) = delete;
    Sqlite3Stmt& operator=(const Sqlite3Stmt&) = delete;

    // Resets the statement and binds the parameters in order. Throws Sqlite3Exception when
    // their number does not match the statement's "?" marks.
    void bind(const Sqlite3Sql& sql);
    // Binding by hand, by 1-based index. The text is not copied: it must stay unchanged until
    // the statement is reset. An empty (or null) array binds empty text, never NULL.
    void bindInt64(int index, long long value);
    void bindText(int index, const QByteArray& utf8);
    // Steps once; false when there are no more rows. Throws Sqlite3Exception.
    bool step();
    // Back before the first row, bindings cleared; never throws.
    void reset();
    // Column of the result by name (case-insensitive), or -1.
    int columnIndex(const QString& name) const;
    int columnCount() const;
    sqlite3_stmt* handle() const { return m_stmt; }
    sqlite3* db() const { return m_db; }
    bool isDatabaseOpen() const;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt;
    std::shared_ptr<const std::atomic<bool>> m_dbOpen;
    mutable QHash<QString, int> m_columns;
};
