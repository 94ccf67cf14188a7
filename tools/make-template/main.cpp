// Builds the empty account database from its DDL: page size 1024, UTF-8, user_version 0, and
// the sms row of sqlite_sequence without a sequence value.
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

bool exec(sqlite3* db, const std::string& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "make-template: %s\n", error ? error : "unknown error");
        sqlite3_free(error);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-template SCHEMA.sql OUTPUT.db\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "make-template: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream ddl;
    ddl << in.rdbuf();

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[2], &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "make-template: %s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return 1;
    }
    const bool ok = exec(db, "PRAGMA page_size = 1024; PRAGMA encoding = 'UTF-8';"
                             "PRAGMA journal_mode = DELETE; PRAGMA user_version = 0;") &&
                    exec(db, "BEGIN;") && exec(db, ddl.str()) &&
                    exec(db, "INSERT INTO sqlite_sequence(name, seq) VALUES('sms', NULL);") &&
                    exec(db, "COMMIT;") && exec(db, "VACUUM;");
    sqlite3_close(db);
    return ok ? 0 : 1;
}
