#pragma once

#include <QString>

#include "core/frame/SMSInfo.h"

class Sqlite3DB;
class Sqlite3Cursor;

// Inserts the message unless a message with the same date (to the second), address, body and
// direction is stored already. True when inserted (sms.smsId then holds the row id).
// Opens no transaction of its own; throws Sqlite3Exception.
bool storeSMS(Sqlite3DB* db, SMSInfo& sms);
// The conversation key of an address.
QString conversationSuffix(const QString& address);
// How a contact is shown: "person(address)", the person, the address, or "Unknown".
QString contactDisplayText(const QString& person, const QString& address);
// The same for the other party of a message.
QString contactDisplayName(const SMSInfo& sms);
// The record of the cursor's current row (sms table or view_sms columns).
SMSInfo readSMSRow(const Sqlite3Cursor& cursor);

// Where readSMSRow finds its columns: looked up once by readers of many rows.
struct SMSColumns
{
    int smsId, date, address, person, isSend, body;
};
// Of the cursor's result; the cursor must be on a row.
SMSColumns smsColumns(const Sqlite3Cursor& cursor);
SMSInfo readSMSRow(const Sqlite3Cursor& cursor, const SMSColumns& columns);
