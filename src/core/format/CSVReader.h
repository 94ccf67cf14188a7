#pragma once

#include <QStringList>
#include <stdexcept>

#include "core/frame/BodyLimit.h"

class QIODevice;

// How a double quote is written inside a quoted field: doubled (the program's own files), or
// after a backslash (some other phones' exports; the backslash and the character after it are
// then kept as they are, for the importer to decode).
enum class CSVEscapes
{
    DoubledQuotes,
    Backslash,
};

// The largest field the reader takes, in bytes: the largest message text. Without a limit one
// field of 50 MB took gigabytes of memory.
inline constexpr qsizetype MAX_CSV_FIELD_BYTES = MAX_BODY_BYTES;

// A field of the record just read was larger than MAX_CSV_FIELD_BYTES: the record was read to
// its end without keeping it, and reading may go on with the next one.
class CSVFieldTooLarge : public std::runtime_error
{
public:
    explicit CSVFieldTooLarge(bool more);
    // What utf8CSVRow would have returned: a line feed ended the record.
    bool more() const { return m_more; }

private:
    bool m_more;
};

// Comma-separated records in the program's own dialect: comma separator, double-quote quoting
// with doubled quotes, UTF-8, optional UTF-8 byte-order mark, LF or CR LF record ends. The
// functions keep no state between calls; read failures throw std::runtime_error carrying the
// device's error string.

// Appends the fields of one record to *fields (never clears it). True when the record ended
// with a line feed, false at the end of the device (a last record without line feed is still
// appended). With skipByteOrderMark a leading EF BB BF is dropped; at the very end of the
// device the call then appends nothing. Throws CSVFieldTooLarge after a record with a field over
// the limit.
bool utf8CSVRow(QStringList* fields, QIODevice* device, bool skipByteOrderMark,
                CSVEscapes escapes = CSVEscapes::DoubledQuotes);

// Reads records until one has at least minFields fields (shorter ones are discarded, the list
// is cleared between them). False when the device ended first.
bool readCSVRecordMinFields(QStringList* fields, QIODevice* device, int minFields,
                            CSVEscapes escapes = CSVEscapes::DoubledQuotes);

// Line feeds outside quotes from the current position to the end: the number of complete
// records left (blank lines count, a last record without line feed does not).
int totalRecords(QIODevice* device, CSVEscapes escapes = CSVEscapes::DoubledQuotes);
