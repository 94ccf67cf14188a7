#pragma once

#include <QString>

// The largest message text taken in, whatever the way in (CSV and XML files, the phone's
// backup, the listener): a larger one is no SMS and would cost memory out of all proportion.
// A message over it is skipped and counted, and the result says so in skippedOverLimitText's
// words.
inline constexpr qsizetype MAX_BODY_BYTES = 1024 * 1024;

// True when the text takes more than MAX_BODY_BYTES in UTF-8.
bool bodyOverLimit(QStringView body);

// The sentence for a result: how many messages were skipped for their size.
QString skippedOverLimitText(qint64 count);
