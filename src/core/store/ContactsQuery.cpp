#include "core/store/ContactsQuery.h"

#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/StoreSMS.h"

namespace {

const char* const summaryColumns =
    "select suffix, person, address, last_date as date, message_count from view_summary";

ContactEntry readEntry(const Sqlite3Cursor& cursor)
{
    return {cursor.getText(QStringLiteral("address")), cursor.getText(QStringLiteral("person")),
            cursor.getText(QStringLiteral("suffix")), cursor.getInt64(QStringLiteral("date")),
            cursor.getInt64(QStringLiteral("message_count"))};
}

} // namespace

QString ContactEntry::displayText() const
{
    return contactDisplayText(person, address);
}

Sqlite3Sql contactsStatement(ContactOrder order)
{
    // SQLite hands out the groups of equal newest date with the greatest key first.
    Sqlite3Sql sql(summaryColumns);
    return sql.appendSql(order == ContactOrder::NewestFirst
                             ? QStringLiteral(" order by last_date desc, suffix desc")
                             : QStringLiteral(" order by suffix"));
}

QList<ContactEntry> loadContacts(Sqlite3DB* db, ContactOrder order)
{
    QList<ContactEntry> entries;
    for (Sqlite3Cursor cursor = db->queryThrow(contactsStatement(order)); cursor.moveNext();)
        entries.append(readEntry(cursor));
    return entries;
}

bool loadContact(Sqlite3DB* db, const QString& suffix, ContactEntry& entry)
{
    Sqlite3Sql sql(summaryColumns);
    sql.appendSql(QStringLiteral(" where suffix = ?")).addTextParam(suffix);
    Sqlite3Cursor cursor = db->queryThrow(sql);
    if (!cursor.moveNext())
        return false;
    entry = readEntry(cursor);
    return true;
}

bool listedBefore(const ContactEntry& a, const ContactEntry& b)
{
    if (a.lastDate != b.lastDate)
        return a.lastDate > b.lastDate;
    // The database compares keys as UTF-8 bytes.
    return a.suffix.toUtf8() > b.suffix.toUtf8();
}
