#pragma once

#include <QString>

#include "core/store/MessageQuery.h"
#include "core/store/Sqlite3Sql.h"

// The messages of one conversation, oldest first (messages of the same second in the order they
// were stored), each carrying the conversation's contact name: the rows of "select * from
// view_sms where suffix=? order by date asc", without building the whole contacts view first.
MessageQuery conversationQuery(const QString& suffix);
Sqlite3Sql conversationStatement(const QString& suffix);

// Every message of the account in the same order and with the same names: the rows of "select *
// from view_sms order by date asc", with the names read from the conversation summary instead of
// being worked out again for every message.
MessageQuery wholeAccountQuery();
