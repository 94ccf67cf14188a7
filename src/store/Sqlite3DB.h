#pragma once

#include <QString>
#include <memory>

#include "store/Sqlite3Cursor.h"
#include "store/Sqlite3Sql.h"

struct sqlite3;

// One open account database.
class Sqlite3DB
{
public:
    Sqlite3DB();
    ~Sqlite3DB();
    Sqlite3DB(const Sqlite3DB&) = delete;
    Sqlite3DB& operator=(const Sqlite3DB&) = delete;

    // flags as sqlite3_open_v2 takes them; the program passes 2 (read-write, no create).
    void openThrow(const QString& path, int flags);
    void close();
    bool isOpen() const;

    void beginTran();
    void commitTran();
    void rollbackTran();

    void executeThrow(const Sqlite3Sql& sql);
    Sqlite3Cursor queryThrow(const Sqlite3Sql& sql);
    int lastInsertId() const;

    sqlite3* handle() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
