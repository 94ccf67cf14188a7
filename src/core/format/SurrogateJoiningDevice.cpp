#include "core/format/SurrogateJoiningDevice.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>

#include "core/format/FillingRead.h"

namespace {

constexpr qint64 CHUNK_BYTES = 64 * 1024;
// Longer references (leading zeros) are left to the XML reader.
constexpr qsizetype MAX_REFERENCE_UNITS = 16;
constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;

bool isHighSurrogate(char32_t value)
{
    return value >= 0xD800 && value <= 0xDBFF;
}

bool isLowSurrogate(char32_t value)
{
    return value >= 0xDC00 && value <= 0xDFFF;
}

int digitValue(char32_t c, int base)
{
    if (c >= '0' && c <= '9')
        return int(c - '0');
    if (base == 16 && c >= 'a' && c <= 'f')
        return int(c - 'a' + 10);
    if (base == 16 && c >= 'A' && c <= 'F')
        return int(c - 'A' + 10);
    return -1;
}

} // namespace

// What the scanning shares whatever its units.
class SurrogateJoiningDevice::Scanner
{
public:
    virtual ~Scanner() = default;
    // Handles more bytes of the source (last: nothing follows), appending the result to out.
    virtual void feed(QByteArrayView bytes, bool last, QByteArray& out) = 0;
    // Units received but not yet handed out (a reference cut off at the end of a chunk).
    virtual bool holdsUnits() const = 0;

    Error error = Error::None;
    qint64 errorLine = 0;
    qint64 errorColumn = 0;
    qint64 replaced = 0;
    std::deque<qint64> replacementOffsets;
};

namespace {

// The scanning over one kind of unit: char (bytes of UTF-8 and the like) or char16_t (UTF-16
// in the given byte order).
template <typename Unit> class UnitScanner final : public SurrogateJoiningDevice::Scanner
{
public:
    UnitScanner(qint64 maxRunBytes, bool bigEndian)
        : m_maxRun(maxRunBytes / qint64(sizeof(Unit))), m_bigEndian(bigEndian)
    {}

    void feed(QByteArrayView bytes, bool last, QByteArray& out) override;
    bool holdsUnits() const override { return !m_in.empty(); }

private:
    // A numeric character reference at a position of m_in.
    struct Reference
    {
        enum Kind
        {
            Incomplete, // runs past the units received so far
            Other,      // not a numeric reference, or one to a character not a surrogate
            High,
            Low
        } kind = Other;
        qsizetype length = 0;
        char32_t value = 0;
    };

    void append(QByteArrayView bytes);
    void output(const Unit* units, qsizetype size);
    qsizetype findReference(qsizetype from) const;
    Reference referenceAt(qsizetype at) const;
    // Handles the reference at `at`; the position after it, or -1 when the rest of m_in must
    // wait for more units or reading has stopped.
    qsizetype handleReference(qsizetype at);
    // Hands out the units of m_in from `from` to `to` (exclusive) as they are.
    void pass(qsizetype from, qsizetype to);
    // Hands out a reference to `value`, as long as the `length` units at `at` it stands for.
    bool rewrite(qsizetype at, qsizetype length, char32_t value);
    // Advances the line, column and offset over units handed out.
    void count(const Unit* units, qsizetype size);
    // How many of the units may pass before the run without "<" grows too long.
    qsizetype unitsWithinRun(const Unit* units, qsizetype size);

    const qint64 m_maxRun; // in units
    const bool m_bigEndian;
    QByteArray* m_out = nullptr;
    std::basic_string<Unit> m_in; // received, not yet handled
    bool m_last = false;
    int m_oddByte = -1; // the first byte of a UTF-16 unit whose second is still to come
    qint64 m_line = 1;
    qint64 m_column = 0; // characters passed on the current line
    qint64 m_offset = 0; // UTF-16 units passed
    qint64 m_run = 0;    // units passed since the last "<"
};

template <typename Unit> const Unit* findUnit(const Unit* begin, const Unit* end, char c)
{
    if constexpr (sizeof(Unit) == 1) {
        const void* found = memchr(begin, c, size_t(end - begin));
        return found ? static_cast<const Unit*>(found) : end;
    } else {
        return std::find(begin, end, Unit(c));
    }
}

// UTF-16 units of the text: one per UTF-16 unit, or for UTF-8 bytes one per lead byte and two
// for a character above U+FFFF.
template <typename Unit> qint64 utf16Units(const Unit* units, qsizetype size)
{
    if constexpr (sizeof(Unit) == 2) {
        return size;
    } else {
        qint64 count = 0;
        for (qsizetype i = 0; i < size; ++i) {
            const auto byte = static_cast<unsigned char>(units[i]);
            count += (byte & 0xC0) != 0x80;
            count += byte >= 0xF0;
        }
        return count;
    }
}

template <typename Unit>
void UnitScanner<Unit>::feed(QByteArrayView bytes, bool last, QByteArray& out)
{
    m_out = &out;
    m_last = last;
    append(bytes);
    qsizetype at = 0;
    while (at < qsizetype(m_in.size()) && error == SurrogateJoiningDevice::Error::None) {
        const qsizetype reference = findReference(at);
        pass(at, reference);
        if (error != SurrogateJoiningDevice::Error::None || reference == qsizetype(m_in.size())) {
            at = qsizetype(m_in.size());
            break;
        }
        const qsizetype after = handleReference(reference);
        if (after < 0) {
            at = reference;
            break;
        }
        at = after;
    }
    m_in.erase(0, size_t(at));
    if (last && error == SurrogateJoiningDevice::Error::None && !m_in.empty()) {
        // An unfinished reference at the end of the file: the XML reader judges it.
        pass(0, qsizetype(m_in.size()));
        m_in.clear();
    }
    if (last && m_oddByte >= 0 && error == SurrogateJoiningDevice::Error::None)
        out.append(char(m_oddByte)); // a broken last unit, for the XML reader to refuse
}

template <typename Unit> void UnitScanner<Unit>::append(QByteArrayView bytes)
{
    if constexpr (sizeof(Unit) == 1) {
        m_in.append(bytes.data(), size_t(bytes.size()));
    } else {
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            if (m_oddByte < 0) {
                m_oddByte = byte;
                continue;
            }
            m_in.push_back(m_bigEndian ? Unit(m_oddByte << 8 | byte) : Unit(byte << 8 | m_oddByte));
            m_oddByte = -1;
        }
    }
}

template <typename Unit> void UnitScanner<Unit>::output(const Unit* units, qsizetype size)
{
    if constexpr (sizeof(Unit) == 1) {
        m_out->append(units, size);
    } else {
        for (qsizetype i = 0; i < size; ++i) {
            const char high = char(units[i] >> 8);
            const char low = char(units[i] & 0xFF);
            m_out->append(m_bigEndian ? high : low);
            m_out->append(m_bigEndian ? low : high);
        }
    }
}

template <typename Unit> qsizetype UnitScanner<Unit>::findReference(qsizetype from) const
{
    const Unit* begin = m_in.data();
    const Unit* end = begin + m_in.size();
    for (const Unit* p = begin + from; p < end;) {
        const Unit* amp = findUnit(p, end, '&');
        if (amp == end)
            break;
        if (amp + 1 == end || amp[1] == Unit('#'))
            return amp - begin;
        p = amp + 1;
    }
    return qsizetype(m_in.size());
}

template <typename Unit>
typename UnitScanner<Unit>::Reference UnitScanner<Unit>::referenceAt(qsizetype at) const
{
    // "&#" then decimal digits, or "x" and hexadecimal digits, then ";".
    Reference reference;
    const qsizetype size = qsizetype(m_in.size());
    const qsizetype end = std::min(size, at + MAX_REFERENCE_UNITS);
    qsizetype i = at + 1;
    if (i == end)
        return {m_last ? Reference::Other : Reference::Incomplete};
    if (m_in[size_t(i++)] != Unit('#'))
        return reference;
    int base = 10;
    if (i < end && (m_in[size_t(i)] == Unit('x') || m_in[size_t(i)] == Unit('X'))) {
        base = 16;
        ++i;
    }
    const qsizetype digits = i;
    char32_t value = 0;
    for (; i < end; ++i) {
        const char32_t c = char32_t(m_in[size_t(i)]);
        if (c == ';') {
            if (i == digits)
                return reference;
            reference.length = i + 1 - at;
            reference.value = value;
            reference.kind = isHighSurrogate(value)  ? Reference::High
                             : isLowSurrogate(value) ? Reference::Low
                                                     : Reference::Other;
            return reference;
        }
        const int digit = digitValue(c, base);
        if (digit < 0)
            return reference;
        value = std::min<char32_t>(value * base + char32_t(digit), 0x110000);
    }
    const bool cutOff = end == size && end - at < MAX_REFERENCE_UNITS;
    return {cutOff && !m_last ? Reference::Incomplete : Reference::Other};
}

template <typename Unit> qsizetype UnitScanner<Unit>::handleReference(qsizetype at)
{
    const Reference first = referenceAt(at);
    if (first.kind == Reference::Incomplete)
        return -1;
    if (first.kind == Reference::Other) {
        pass(at, at + 1);
        return at + 1;
    }
    const qsizetype secondAt = at + first.length;
    if (first.kind == Reference::High) {
        const qsizetype size = qsizetype(m_in.size());
        if (secondAt == size && !m_last)
            return -1;
        const Reference second = secondAt < size && m_in[size_t(secondAt)] == Unit('&')
                                     ? referenceAt(secondAt)
                                     : Reference{};
        if (second.kind == Reference::Incomplete)
            return -1;
        if (second.kind == Reference::Low) {
            const char32_t joined =
                0x10000 + ((first.value - 0xD800) << 10) + (second.value - 0xDC00);
            const qsizetype length = first.length + second.length;
            return rewrite(at, length, joined) ? at + length : -1;
        }
    }
    // Half of a pair without its other half: U+FFFD in its place, counted.
    replacementOffsets.push_back(m_offset);
    ++replaced;
    return rewrite(at, first.length, REPLACEMENT_CHARACTER) ? secondAt : -1;
}

template <typename Unit>
bool UnitScanner<Unit>::rewrite(qsizetype at, qsizetype length, char32_t value)
{
    const Unit* units = m_in.data() + at;
    if (unitsWithinRun(units, length) < length) {
        pass(at, at + length); // stops reading there
        return false;
    }
    count(units, length);
    // Padded with leading zeros to the length it replaces: see the class comment.
    const QByteArray digits = QByteArray::number(uint(value));
    const QByteArray text = "&#" + QByteArray(length - 3 - digits.size(), '0') + digits + ';';
    std::basic_string<Unit> written(text.begin(), text.end());
    output(written.data(), qsizetype(written.size()));
    return true;
}

template <typename Unit> void UnitScanner<Unit>::pass(qsizetype from, qsizetype to)
{
    const Unit* units = m_in.data() + from;
    const qsizetype allowed = unitsWithinRun(units, to - from);
    count(units, allowed);
    output(units, allowed);
    if (allowed < to - from) {
        error = SurrogateJoiningDevice::Error::RunTooLong;
        errorLine = m_line;
        errorColumn = m_column + 1;
    }
}

template <typename Unit>
qsizetype UnitScanner<Unit>::unitsWithinRun(const Unit* units, qsizetype size)
{
    qint64 run = m_run;
    qsizetype runStart = 0; // where the run begins in units; 0 when it began before them
    for (qsizetype at = 0;;) {
        const Unit* open = findUnit(units + at, units + size, '<');
        const qsizetype stop = open - units;
        run += stop - at;
        if (run > m_maxRun)
            return runStart;
        if (stop == size)
            break;
        run = 0;
        runStart = stop;
        at = stop + 1;
    }
    m_run = run;
    return size;
}

template <typename Unit> void UnitScanner<Unit>::count(const Unit* units, qsizetype size)
{
    const Unit* end = units + size;
    m_offset += utf16Units(units, size);
    const Unit* lineStart = units;
    for (const Unit* p = findUnit(units, end, '\n'); p != end; p = findUnit(p + 1, end, '\n')) {
        ++m_line;
        m_column = 0;
        lineStart = p + 1;
    }
    m_column += utf16Units(lineStart, end - lineStart);
}

// UTF-16 in the byte order the file starts with: a byte-order mark or a first "<" of two bytes.
// Anything else is read as bytes (UTF-8 and the encodings that write ASCII as bytes).
std::unique_ptr<SurrogateJoiningDevice::Scanner> scannerFor(QByteArrayView head, qint64 maxRunBytes)
{
    const auto starts = [&head](const char* bytes) { return head.startsWith(bytes); };
    const bool utf32 = head.startsWith(QByteArrayView("\xFF\xFE\0\0", 4));
    if (!utf32 && (starts("\xFF\xFE") || head.startsWith(QByteArrayView("<\0", 2))))
        return std::make_unique<UnitScanner<char16_t>>(maxRunBytes, false);
    if (starts("\xFE\xFF") || head.startsWith(QByteArrayView("\0<", 2)))
        return std::make_unique<UnitScanner<char16_t>>(maxRunBytes, true);
    return std::make_unique<UnitScanner<char>>(maxRunBytes, false);
}

} // namespace

SurrogateJoiningDevice::SurrogateJoiningDevice(QIODevice* source, qint64 maxRunBytes)
    : m_source(source), m_maxRun(maxRunBytes)
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

SurrogateJoiningDevice::~SurrogateJoiningDevice() = default;

bool SurrogateJoiningDevice::atEnd() const
{
    if (m_outPos < m_out.size())
        return false;
    if (m_scanner && m_scanner->error != Error::None)
        return true;
    return m_sourceDone && (!m_scanner || !m_scanner->holdsUnits());
}

qint64 SurrogateJoiningDevice::bytesAvailable() const
{
    return m_out.size() - m_outPos;
}

SurrogateJoiningDevice::Error SurrogateJoiningDevice::error() const
{
    return m_scanner ? m_scanner->error : Error::None;
}

qint64 SurrogateJoiningDevice::errorLine() const
{
    return m_scanner ? m_scanner->errorLine : 0;
}

qint64 SurrogateJoiningDevice::errorColumn() const
{
    return m_scanner ? m_scanner->errorColumn : 0;
}

qint64 SurrogateJoiningDevice::replacedCount() const
{
    return m_scanner ? m_scanner->replaced : 0;
}

qint64 SurrogateJoiningDevice::takeReplacementsBefore(qint64 characterOffset)
{
    if (!m_scanner)
        return 0;
    std::deque<qint64>& offsets = m_scanner->replacementOffsets;
    qint64 taken = 0;
    for (; !offsets.empty() && offsets.front() < characterOffset; ++taken)
        offsets.pop_front();
    return taken;
}

qint64 SurrogateJoiningDevice::readData(char* data, qint64 maxSize)
{
    return readFilling(
        data, maxSize, m_out, m_outPos, [this] { return atEnd(); }, [this] { refill(); });
}

qint64 SurrogateJoiningDevice::writeData(const char*, qint64)
{
    return -1;
}

void SurrogateJoiningDevice::refill()
{
    m_out.clear();
    m_outPos = 0;
    QByteArray more = m_source->read(CHUNK_BYTES);
    // A read failure ends the data as the end of the file does; the XML reader then reports
    // the document as incomplete.
    m_sourceDone = more.isEmpty();
    if (!m_scanner) {
        // The encoding is told by the first bytes.
        while (!m_sourceDone && more.size() < 4) {
            const QByteArray next = m_source->read(CHUNK_BYTES);
            m_sourceDone = next.isEmpty();
            more += next;
        }
        m_scanner = scannerFor(more, m_maxRun);
    }
    m_scanner->feed(more, m_sourceDone, m_out);
}
