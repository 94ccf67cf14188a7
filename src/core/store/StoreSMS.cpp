#include "core/store/StoreSMS.h"

#include <algorithm>
#include <limits>

#include "core/store/MessageInserter.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/WriteTransaction.h"

#include <sqlite3.h>

namespace {

// The stored whole seconds as a local date; a number beyond what a date can hold (a damaged or
// crafted file) gives an invalid date rather than an overflow.
QDateTime storedDateTime(qint64 seconds)
{
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / 1000;
    if (seconds > limit || seconds < -limit)
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000);
}

} // namespace

namespace {

bool insertUnlessStored(Sqlite3DB* db, SMSInfo& sms)
{
    MessageInserter inserter(db);
    if (!inserter.add(sms))
        return false;
    inserter.flush();
    sms.smsId = db->lastInsertId();
    return true;
}

} // namespace

bool storeSMS(Sqlite3DB* db, SMSInfo& sms)
{
    WriteTransaction transaction(db);
    const bool stored = insertUnlessStored(db, sms);
    transaction.commit();
    return stored;
}

bool storeSent(Sqlite3DB* db, SMSInfo& sms)
{
    return storeSMS(db, sms);
}

int storeMessages(Sqlite3DB* db, QList<SMSInfo>& list, bool noWait)
{
    WriteTransaction transaction(db,
                                 noWait ? WriteTransaction::NoWait : WriteTransaction::WaitForLock);
    int stored = 0;
    for (SMSInfo& sms : list) {
        sms.smsId = 0;
        stored += insertUnlessStored(db, sms) ? 1 : 0;
    }
    transaction.commit();
    return stored;
}

int deleteConversation(Sqlite3DB* db, const QString& suffix)
{
    WriteTransaction transaction(db);
    WriteTransaction::resumeDerivedRows(db);
    db->executeThrow(Sqlite3Sql("delete from sms where suffix=?").addTextParam(suffix));
    const int deleted = sqlite3_changes(db->handle());
    transaction.commit();
    return deleted;
}

QString conversationSuffix(const QString& address)
{
    // Plain loops rather than regular expressions: this runs for every stored message.
    const auto isAsciiLetter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    if (std::any_of(address.cbegin(), address.cend(), isAsciiLetter))
        return address;
    QString digits;
    digits.reserve(address.size());
    for (QChar c : address) {
        if (c >= u'0' && c <= u'9')
            digits.append(c);
    }
    return digits.size() > 9 ? digits.right(9) : digits;
}

QString contactDisplayText(const QString& person, const QString& address)
{
    if (!person.isEmpty())
        return address.isEmpty() ? person : person + QLatin1Char('(') + address + QLatin1Char(')');
    if (!address.isEmpty())
        return address;
    return QStringLiteral("Unknown");
}

QString contactDisplayName(const SMSInfo& sms)
{
    return contactDisplayText(sms.person, sms.address);
}

SMSColumns smsColumns(const Sqlite3Cursor& cursor)
{
    return {cursor.columnOf(QStringLiteral("sms_id")),  cursor.columnOf(QStringLiteral("date")),
            cursor.columnOf(QStringLiteral("address")), cursor.columnOf(QStringLiteral("person")),
            cursor.columnOf(QStringLiteral("is_send")), cursor.columnOf(QStringLiteral("body"))};
}

SMSInfo readSMSRow(const Sqlite3Cursor& cursor, const SMSColumns& columns)
{
    SMSInfo sms;
    sms.smsId = static_cast<qint32>(cursor.getInt64(columns.smsId));
    sms.date = storedDateTime(cursor.getInt64(columns.date));
    sms.address = cursor.getText(columns.address);
    sms.person = cursor.getText(columns.person);
    // Read whole: as an int, 4294967297 would lose its high bits and pass for 1.
    sms.isSend = cursor.getInt64(columns.isSend) == 1;
    sms.body = cursor.getText(columns.body);
    return sms;
}

SMSInfo readSMSRow(const Sqlite3Cursor& cursor)
{
    return readSMSRow(cursor, smsColumns(cursor));
}
