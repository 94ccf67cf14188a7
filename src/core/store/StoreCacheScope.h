#pragma once

class Sqlite3DB;

// Gives the account's connection a larger page cache while a job stores many messages, and
// the earlier size back afterwards. The indexes of a large account outgrow SQLite's default
// cache (2 MB) at once; every insert then writes pages out and reads them back.
class StoreCacheScope
{
public:
    static constexpr int CACHE_KIB = 64 * 1024;

    explicit StoreCacheScope(Sqlite3DB* db);
    ~StoreCacheScope();
    StoreCacheScope(const StoreCacheScope&) = delete;
    StoreCacheScope& operator=(const StoreCacheScope&) = delete;

private:
    Sqlite3DB* m_db;
    long long m_previous = 0;
};
