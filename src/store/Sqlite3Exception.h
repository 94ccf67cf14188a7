#pragma once

#include <exception>
#include <string>

// Failure of the database layer; what() is UTF-8.
class Sqlite3Exception : public std::exception
{
public:
    explicit Sqlite3Exception(std::string message, int code = 0)
        : m_message(std::move(message)), m_code(code)
    {}
    const char* what() const noexcept override { return m_message.c_str(); }
    int code() const { return m_code; }

private:
    std::string m_message;
    int m_code;
};
