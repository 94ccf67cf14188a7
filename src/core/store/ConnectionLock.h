#pragma once

class Sqlite3DB;
struct sqlite3_mutex;

// Holds the connection's lock (recursive: SQLite's own calls take it too), so that what a
// caller checks and inserts stays together when another thread stores on the same handle.
// Throws Sqlite3Exception when the database is not open.
class ConnectionLock
{
public:
    explicit ConnectionLock(Sqlite3DB* db);
    ~ConnectionLock();
    ConnectionLock(const ConnectionLock&) = delete;
    ConnectionLock& operator=(const ConnectionLock&) = delete;

private:
    sqlite3_mutex* m_mutex;
};
