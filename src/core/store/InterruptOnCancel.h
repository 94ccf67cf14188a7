#pragma once

class Sqlite3DB;

// Lets a cancel of the calling thread's job stop a long statement on the connection (building
// the index of a large account takes seconds): the statement then fails with SQLITE_INTERRUPT.
// Nests: the outermost one on a thread holds the connection's handler. Statements of other
// threads on the shared connection are never interrupted (the window's thread is never asked
// to stop).
class InterruptOnCancel
{
public:
    explicit InterruptOnCancel(Sqlite3DB* db);
    ~InterruptOnCancel();
    InterruptOnCancel(const InterruptOnCancel&) = delete;
    InterruptOnCancel& operator=(const InterruptOnCancel&) = delete;

private:
    Sqlite3DB* m_db;
    bool m_outermost = false;
};
