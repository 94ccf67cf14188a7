#pragma once

#include <QList>
#include <QString>

#include "core/frame/SMSInfo.h"

class Sqlite3DB;
class Sqlite3Cursor;

// The store's writes. Each takes the account's write transaction itself (WriteTransaction),
// unless the calling thread runs a job's Transaction, so that the duplicate check and the
// insert happen under one lock and two programs never store one message twice. They throw
// Sqlite3Exception; SQLITE_BUSY means another program or a job holds the account.

// Inserts the message unless a message with the same date (to the second), address, body and
// direction is stored already. True when inserted (sms.smsId then holds the row id).
bool storeSMS(Sqlite3DB* db, SMSInfo& sms);
// A message the phone has sent.
bool storeSent(Sqlite3DB* db, SMSInfo& sms);
// Messages received or sent, in one transaction that does not wait for the account when
// noWait (the window's thread tries again later). Each stored one gets its smsId, a duplicate
// keeps 0. Returns how many were new.
int storeMessages(Sqlite3DB* db, QList<SMSInfo>& list, bool noWait = false);
// Deletes every message of the conversation; returns how many.
int deleteConversation(Sqlite3DB* db, const QString& suffix);
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
