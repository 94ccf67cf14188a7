#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Sqlite3DB;

// The stored contacts offered while typing recipients. The list is read once per compose
// dialog and filtered in memory with the database's LIKE rules, so a keystroke costs no query
// over every message of the account.
class ContactCompleter
{
public:
    // Display texts of the contacts whose name or number is LIKE "%fragment%". The first call
    // reads the contacts; throws Sqlite3Exception.
    QStringList matches(Sqlite3DB* db, const QString& fragment);

    // SQLite's LIKE without ESCAPE: "%" any run, "_" any one character, ASCII letters compared
    // without regard to case, everything else exactly.
    static bool like(const QString& value, const QString& pattern);

private:
    struct Contact
    {
        QString person;
        QString address;
        QString displayText;
    };
    void load(Sqlite3DB* db);

    bool m_loaded = false;
    QList<Contact> m_contacts;
};
