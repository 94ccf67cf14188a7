#pragma once

#include <QString>

class Sqlite3DB;

// The open account: its file name and its database, shared process-wide.
QString currentAccountName();
Sqlite3DB* currentDatabase();

// Copies the empty template into the data folder under that name (read-write for the user).
// Throws std::runtime_error with the file system's text.
void createAccountFile(const QString& name);
// Closes the database first when it is the open account. Throws std::runtime_error.
void deleteAccountFile(const QString& name);
// Opens the account file, which becomes the current database. Throws Sqlite3Exception.
Sqlite3DB* openAccountDatabase(const QString& name);
