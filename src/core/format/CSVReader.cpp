#include "core/format/CSVReader.h"

#include <QByteArray>
#include <QIODevice>
#include <stdexcept>

namespace {

[[noreturn]] void throwReadError(const char* where, QIODevice* device)
{
    const QString error = device->errorString();
    qDebug("%s%s", where, qPrintable(error));
    throw std::runtime_error(error.toUtf8().toStdString());
}

// Hands out the device's bytes one at a time from peeked chunks and consumes from the device
// only what was taken, so a record never reads past its own end.
class PeekedBytes
{
public:
    explicit PeekedBytes(QIODevice* device) : m_device(device) {}

    // Next byte, or -1 at the end of the device.
    int next()
    {
        if (m_pos == m_chunk.size() && !refill())
            return -1;
        return static_cast<unsigned char>(m_chunk[m_pos++]);
    }

    // Takes the bytes handed out so far off the device.
    void commit()
    {
        if (m_pos == 0)
            return;
        if (m_device->read(m_chunk.data(), m_pos) != m_pos)
            throwReadError("utf8CSVRow::error:", m_device);
        m_chunk.remove(0, m_pos);
        m_pos = 0;
    }

private:
    bool refill()
    {
        commit();
        // Small first, since most records are short; growing for long ones.
        m_size = qMin<qsizetype>(m_size * 2, 64 * 1024);
        m_chunk.resize(m_size);
        const qint64 got = m_device->peek(m_chunk.data(), m_size);
        if (got < 0)
            throwReadError("utf8CSVRow::error:", m_device);
        m_chunk.resize(got);
        return got > 0;
    }

    QIODevice* m_device;
    QByteArray m_chunk;
    qsizetype m_pos = 0;
    qsizetype m_size = 128;
};

// The UTF-8 byte-order mark, when it stands at the current position, is taken off the device.
// Returns false when the device holds nothing more.
bool skipByteOrderMark(QIODevice* device)
{
    char head[3];
    const qint64 got = device->peek(head, 3);
    if (got < 0)
        throwReadError("utf8CSVRow::error:", device);
    if (got == 0)
        return false;
    if (got == 3 && head[0] == '\xEF' && head[1] == '\xBB' && head[2] == '\xBF') {
        if (device->read(head, 3) != 3)
            throwReadError("utf8CSVRow::error:", device);
    }
    return true;
}

// UTF-8 text of a field. Its text ends at a zero byte, as for a C string: what follows would
// be invisible yet stored (a date with a zero byte and more behind it still reads as its date).
// Qt's decoder drops a leading byte-order mark; a field keeps it.
QString decodeField(const QByteArray& bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    const QByteArrayView text =
        zero < 0 ? QByteArrayView(bytes) : QByteArrayView(bytes).first(zero);
    if (text.startsWith("\xEF\xBB\xBF"))
        return QChar(0xFEFF) + QString::fromUtf8(text.sliced(3));
    return QString::fromUtf8(text);
}

// Keeps a byte of the field being read; past the limit the field keeps nothing more, and the
// record is left out when it ends.
void keep(QByteArray& buffer, char c, bool& tooLarge)
{
    if (buffer.size() >= MAX_CSV_FIELD_BYTES)
        tooLarge = true;
    else
        buffer.append(c);
}

} // namespace

CSVFieldTooLarge::CSVFieldTooLarge(bool more)
    : std::runtime_error("A field of the CSV file is larger than 1 MiB."), m_more(more)
{}

bool utf8CSVRow(QStringList* fields, QIODevice* device, bool skipBom, CSVEscapes escapes)
{
    const bool backslash = escapes == CSVEscapes::Backslash;
    if (skipBom && !skipByteOrderMark(device))
        return false;

    PeekedBytes bytes(device);
    QByteArray buffer;
    bool inQuotes = false;
    bool quoteUsed = false;
    bool quotePending = false;
    bool tooLarge = false;
    const auto end = [&](bool more) {
        bytes.commit();
        if (tooLarge)
            throw CSVFieldTooLarge(more);
        fields->append(decodeField(buffer));
        return more;
    };
    for (;;) {
        const int b = bytes.next();
        if (b < 0)
            return end(false);
        const char c = static_cast<char>(b);
        if (c == '"' && !quoteUsed) {
            inQuotes = quoteUsed = true;
            continue;
        }
        if (inQuotes) {
            if (backslash && c == '\\' && !quotePending) {
                keep(buffer, c, tooLarge);
                const int escaped = bytes.next();
                if (escaped >= 0)
                    keep(buffer, static_cast<char>(escaped), tooLarge);
                continue;
            }
            if (c == '"') {
                if (quotePending)
                    keep(buffer, '"', tooLarge);
                quotePending = !quotePending;
                continue;
            }
            if (quotePending) {
                // The pending quote closed the quoted section.
                quotePending = false;
                inQuotes = false;
            }
        }
        if (!inQuotes) {
            if (c == ',') {
                fields->append(decodeField(buffer));
                buffer.clear();
                quotePending = quoteUsed = false;
                continue;
            }
            if (c == '\r')
                continue;
            if (c == '\n')
                return end(true);
        }
        keep(buffer, c, tooLarge);
    }
}

bool readCSVRecordMinFields(QStringList* fields, QIODevice* device, int minFields,
                            CSVEscapes escapes)
{
    for (;;) {
        if (!utf8CSVRow(fields, device, true, escapes))
            return false;
        if (fields->size() >= minFields)
            return true;
        fields->clear();
    }
}

int totalRecords(QIODevice* device, CSVEscapes escapes)
{
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    const bool backslash = escapes == CSVEscapes::Backslash;
    bool inQuotes = false;
    bool escaped = false;
    int count = 0;
    for (;;) {
        const qint64 got = device->read(chunk.data(), chunk.size());
        if (got < 0)
            throwReadError("totalRecords::error:", device);
        if (got == 0)
            return count;
        for (qint64 i = 0; i < got; ++i) {
            const char c = chunk[i];
            if (escaped)
                escaped = false;
            else if (backslash && inQuotes && c == '\\')
                escaped = true;
            else if (c == '"')
                inQuotes = !inQuotes;
            else if (c == '\n' && !inQuotes)
                ++count;
        }
    }
}
