#pragma once

#include <QString>

#include "core/store/Sqlite3Sql.h"

// Which messages a search looks at.
enum class SearchFolder
{
    All = 0,
    Inbox = 1, // received
    Sent = 2,
};

// The messages whose text, number or contact name contains the keyword (already trimmed; empty:
// every message) in the folder, oldest first.
Sqlite3Sql searchStatement(const QString& keyword, SearchFolder folder);
