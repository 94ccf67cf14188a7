#pragma once

#include <QList>

#include "core/frame/SMSInfo.h"

// Hands out a message list one page at a time, for views that show a page of a list that may be
// far too long to hold (a conversation of tens of thousands, a search over a million).
class SMSPageSource
{
public:
    virtual ~SMSPageSource() = default;
    // Number of messages; may throw Sqlite3Exception.
    virtual qint64 count() = 0;
    // The messages at positions first to first + n - 1 (fewer at the end), in list order; may
    // throw Sqlite3Exception.
    virtual QList<SMSInfo> page(qint64 first, int n) = 0;
};
