#pragma once

#include <QString>

// A catalogue sentence with its %1 filled by a reason (a failure's text from the phone, a file
// or the database), the reason written as a sentence of its own: after a space, unless the
// sentence already ends with white space there, and closed by a full stop, unless it ends with
// one, "!", "?" or an ellipsis. "... to retry.%1" with "Connection refused" gives "... to
// retry. Connection refused."; an empty reason leaves the sentence alone.
QString withReason(const QString& sentence, const QString& reason);
