#pragma once

#include <exception>
#include <string>

// Failure of the database layer; what() is UTF-8 (SQLite's own message where SQLite failed).
// An account that another program (the window, the command line) keeps locked beyond the busy
// time-out says so in the catalogue's words instead of SQLite's "database is locked".
class Sqlite3Exception : public std::exception
{
public:
    explicit Sqlite3Exception(std::string message, int code = 0);
    const char* what() const noexcept override { return m_message.c_str(); }
    // SQLite's result code, 0 for failures found by the layer itself.
    int code() const { return m_code; }

private:
    std::string m_message;
    int m_code;
};
