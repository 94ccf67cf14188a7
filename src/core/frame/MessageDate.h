#pragma once

#include <QDateTime>
#include <QString>

// How a message's date is written everywhere it is shown or exported, and read back from the
// program's own CSV files: four-digit year, then month, day, 24-hour hour, minute and second,
// all zero-padded, in local time.
inline constexpr const char* MESSAGE_DATE_FORMAT = "yyyy-MM-dd hh:mm:ss";

// The date in MESSAGE_DATE_FORMAT; empty for an invalid date.
QString messageDateText(const QDateTime& date);
