#pragma once

#include <QString>

#include "core/store/MessageQuery.h"
#include "core/store/Sqlite3Sql.h"

// Which messages a search looks at.
enum class SearchFolder
{
    All = 0,
    Inbox = 1, // received
    Sent = 2,
};

// The messages whose text, number or contact name contains the keyword (already trimmed; empty:
// every message) in the folder, oldest first, messages of the same second in the order they were
// stored. "%" and "_" in the keyword keep their LIKE meaning; ASCII letters match in either case.
// The rows are those of "select * from view_sms where (body like ? or address like ? or person
// like ?) [and is_send=?] order by date asc" with "%keyword%" bound three times, found through
// the account's search index when the keyword has three characters in a row between wildcards.
Sqlite3Sql searchStatement(const QString& keyword, SearchFolder folder);
// The same rows, for reading a page at a time.
MessageQuery searchQuery(const QString& keyword, SearchFolder folder);
