#pragma once

#include <QString>
#include <memory>

#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3Sql.h"

struct sqlite3;

// One open account database.
//
// executeThrow and queryThrow keep the prepared statements of recent SQL texts and reuse
// them (the per-message statements of a storing job run thousands of times). A cached
// statement still held by a live cursor is never handed out twice: the caller then gets a
// fresh one. The cache is guarded, so a worker thread and the GUI thread may share a handle
// (the SQLite connection itself is serialized by SQLite).
class Sqlite3DB
{
public:
    Sqlite3DB();
    ~Sqlite3DB();
    Sqlite3DB(const Sqlite3DB&) = delete;
    Sqlite3DB& operator=(const Sqlite3DB&) = delete;

    // flags as sqlite3_open_v2 takes them; the program passes 2 (read-write, no create).
    // Reads the schema at once, so a file that is not a database fails here. On failure the
    // object stays closed. Throws Sqlite3Exception with SQLite's message.
    void openThrow(const QString& path, int flags);
    // Harmless when closed. Cursors still alive afterwards throw when stepped.
    void close();
    bool isOpen() const;
    // True when SQLite opened the file read-only (for example a write-protected file).
    bool isReadOnly() const;

    void beginTran();
    // The same without waiting for another program: false when it holds the account.
    bool tryBeginTran();
    void commitTran();
    // Does nothing when no transaction is open, so that it can run in any failure path.
    void rollbackTran();
    bool inTransaction() const;

    void executeThrow(const Sqlite3Sql& sql);
    Sqlite3Cursor queryThrow(const Sqlite3Sql& sql);
    // The cached statement of that text (prepared when missing), for code that binds and steps
    // it by hand; reset it when done. Throws Sqlite3Exception.
    std::shared_ptr<Sqlite3Stmt> statement(const QString& sql);
    // Row id of the last insert on this handle, low 32 bits.
    int lastInsertId() const;
    long long lastInsertId64() const;

    sqlite3* handle() const;

    // One writer per handle in this process (the window's jobs, its incoming messages and its
    // workers share one handle): taken for a write transaction, waiting at most waitMs (a
    // cancelled job stops waiting). False when another thread still writes.
    bool lockWriter(int waitMs);
    void unlockWriter();
    // Kept until the handle is closed (the account's in-use lock).
    void keepWhileOpen(std::shared_ptr<void> companion);

private:
    struct Private;
    std::unique_ptr<Private> m_d;

    void requireOpen() const;
};
