#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <functional>

#include "core/frame/MMSInfo.h"

class Sqlite3DB;
class Sqlite3Sql;

// Multimedia messages in an account. Each one is also a row of sms (its other party or, for a
// group, its members; its text parts as the body), so the conversation list, the pages, the
// search index and deleting a conversation take it like any message; the tables mms (the
// element's attributes), mms_part (one row per part, attachments as blobs) and mms_addr hold
// the rest, and go with the sms row (a trigger). Opening an account adds the tables
// (res/store/3-mms.sql).

// True when the tables and the trigger are there.
bool mmsTablesPresent(Sqlite3DB* db);

// Stores the message unless one with the same date (to the second), box, addresses and text is
// stored: true when stored (mms.smsId then holds its row). Attachments are written in pieces
// (incremental blob I/O), never whole in memory. Received (msg_box 1) and sent (2) only.
// Opens no transaction of its own: run it in the job's. Throws Sqlite3Exception.
bool storeMMS(Sqlite3DB* db, MMSInfo& mms);

// True when the account holds at least one MMS.
bool accountHasMMS(Sqlite3DB* db);
// The rows of every MMS of the account.
QSet<qint32> allMMS(Sqlite3DB* db);
// How many of the statement's rows (sms or view_sms rows) are MMS.
qint64 countMMSIn(Sqlite3DB* db, const Sqlite3Sql& statement);
// Of the rows given, those that are MMS.
QSet<qint32> mmsAmong(Sqlite3DB* db, const QList<qint32>& smsIds);
// The stored message of that row, parts without their bytes (partId and dataSize set); false
// when the row is no MMS.
bool loadMMS(Sqlite3DB* db, qint32 smsId, MMSInfo& mms);
// A stored part's bytes (the first limit of them when limit >= 0), in pieces of at most
// 64 KiB. Throws Sqlite3Exception.
void readMMSPart(Sqlite3DB* db, qint64 partId, const std::function<void(const char*, int)>& piece,
                 qint64 limit = -1);
QByteArray mmsPartBytes(Sqlite3DB* db, qint64 partId, qint64 limit = -1);

// What a text format shows of an attachment: "[image: IMG_0001.jpg]"; empty for text and
// layout parts.
QString mmsPlaceholder(const MMSPart& part);
// The members of a group conversation (a group MMS's address lists them, its key joins theirs);
// empty for a conversation with one other party.
QStringList groupMembers(const QString& address, const QString& suffix);
// The parts that are text, joined by line breaks (a text part may carry its text as data).
QString mmsText(const MMSInfo& mms);
// True when the part is shown as a picture.
bool isMMSPicture(const MMSPart& part);
// A name to save the part under.
QString mmsPartFileName(const MMSPart& part);
