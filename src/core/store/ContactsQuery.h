#pragma once

#include <QList>
#include <QString>

#include "core/store/Sqlite3Sql.h"

class Sqlite3DB;

// One conversation of the account, as the contacts list shows it.
struct ContactEntry
{
    QString address;     // the greatest address among the conversation's messages
    QString person;      // the greatest name among them, empty when none has one
    QString suffix;      // the conversation key
    qint64 lastDate = 0; // stored date (seconds) of its newest message
    qint64 messageCount = 0;

    // "person(address)", the person, the address, or "Unknown".
    QString displayText() const;
};

enum class ContactOrder
{
    NewestFirst, // the contacts list: newest message first, equal dates by key, greatest first
    ByKey,       // the completion list
};

// The account's conversations from the conversation summary: the rows, order and texts of
// "select suffix, max(person) as person, max(address) as address, max(date) as date from sms
// group by +suffix order by max(date) desc" (or "order by suffix") without reading any message.
Sqlite3Sql contactsStatement(ContactOrder order = ContactOrder::NewestFirst);
// Throws Sqlite3Exception.
QList<ContactEntry> loadContacts(Sqlite3DB* db, ContactOrder order = ContactOrder::NewestFirst);
// The entry of one conversation; false when it has no message (any more). Throws
// Sqlite3Exception.
bool loadContact(Sqlite3DB* db, const QString& suffix, ContactEntry& entry);
// True when a comes before b in the newest-first order.
bool listedBefore(const ContactEntry& a, const ContactEntry& b);
