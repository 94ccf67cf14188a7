#pragma once

#include <QList>
#include <QString>

#include "core/frame/SMSInfo.h"
#include "core/store/Sqlite3Sql.h"

class Sqlite3DB;

// The messages of one conversation, oldest first, each carrying the conversation's contact
// name. Gives the rows of "select * from view_sms where suffix=? order by date asc" without
// building the whole contacts view first, which on a large account costs a scan of every
// message for each conversation shown.
Sqlite3Sql conversationStatement(const QString& suffix);
// Throws Sqlite3Exception.
QList<SMSInfo> loadConversation(Sqlite3DB* db, const QString& suffix);
