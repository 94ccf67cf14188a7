#include "core/files/SurrogateJoiningDevice.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 CHUNK_BYTES = 64 * 1024;
// Longer references (leading zeros) are left to the XML reader.
constexpr qsizetype MAX_REFERENCE_BYTES = 16;

bool isHighSurrogate(char32_t value)
{
    return value >= 0xD800 && value <= 0xDBFF;
}

bool isLowSurrogate(char32_t value)
{
    return value >= 0xDC00 && value <= 0xDFFF;
}

// UTF-16 units of UTF-8 bytes: one per lead byte, two for a character above U+FFFF.
qint64 utf16Units(const char* bytes, qsizetype size)
{
    qint64 units = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        units += (byte & 0xC0) != 0x80;
        units += byte >= 0xF0;
    }
    return units;
}

int digitValue(char c, int base)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

SurrogateJoiningDevice::SurrogateJoiningDevice(QIODevice* source, qint64 maxRunBytes)
    : m_source(source), m_maxRun(maxRunBytes)
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

bool SurrogateJoiningDevice::atEnd() const
{
    if (m_outPos < m_out.size())
        return false;
    return m_error != Error::None || (m_sourceDone && m_in.isEmpty());
}

qint64 SurrogateJoiningDevice::bytesAvailable() const
{
    return m_out.size() - m_outPos;
}

qint64 SurrogateJoiningDevice::readData(char* data, qint64 maxSize)
{
    while (m_outPos == m_out.size() && !atEnd())
        refill();
    const qint64 n = std::min<qint64>(maxSize, m_out.size() - m_outPos);
    memcpy(data, m_out.constData() + m_outPos, size_t(n));
    m_outPos += n;
    return n;
}

qint64 SurrogateJoiningDevice::writeData(const char*, qint64)
{
    return -1;
}

void SurrogateJoiningDevice::refill()
{
    m_out.clear();
    m_outPos = 0;
    const QByteArray more = m_source->read(CHUNK_BYTES);
    if (more.isEmpty()) {
        // A read failure ends the data as the end of the file does; the XML reader then
        // reports the document as incomplete.
        m_sourceDone = true;
    }
    m_in.append(more);
    qsizetype at = 0;
    while (at < m_in.size() && m_error == Error::None) {
        const qsizetype reference = findReference(at);
        pass(at, reference);
        if (m_error != Error::None || reference == m_in.size()) {
            at = m_in.size();
            break;
        }
        const qsizetype after = handleReference(reference);
        if (after < 0) {
            at = reference;
            break;
        }
        at = after;
    }
    m_in.remove(0, at);
    if (m_sourceDone && m_error == Error::None && !m_in.isEmpty()) {
        // An unfinished reference at the end of the file: the XML reader judges it.
        pass(0, m_in.size());
        m_in.clear();
    }
}

qsizetype SurrogateJoiningDevice::findReference(qsizetype from) const
{
    const char* begin = m_in.constData();
    const char* end = begin + m_in.size();
    for (const char* p = begin + from; p < end;) {
        const auto* amp = static_cast<const char*>(memchr(p, '&', size_t(end - p)));
        if (!amp)
            break;
        if (amp + 1 == end || amp[1] == '#')
            return amp - begin;
        p = amp + 1;
    }
    return m_in.size();
}

SurrogateJoiningDevice::Reference SurrogateJoiningDevice::referenceAt(qsizetype at) const
{
    // "&#" then decimal digits, or "x" and hexadecimal digits, then ";".
    Reference reference;
    const qsizetype end = std::min(m_in.size(), at + MAX_REFERENCE_BYTES);
    qsizetype i = at + 1;
    if (i == end)
        return {m_sourceDone ? Reference::Other : Reference::Incomplete};
    if (m_in.at(i++) != '#')
        return reference;
    int base = 10;
    if (i < end && (m_in.at(i) == 'x' || m_in.at(i) == 'X')) {
        base = 16;
        ++i;
    }
    const qsizetype digits = i;
    char32_t value = 0;
    for (; i < end; ++i) {
        const char c = m_in.at(i);
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
        value = std::min<char32_t>(value * base + digit, 0x110000);
    }
    const bool cutOff = end == m_in.size() && end - at < MAX_REFERENCE_BYTES;
    return {cutOff && !m_sourceDone ? Reference::Incomplete : Reference::Other};
}

qsizetype SurrogateJoiningDevice::handleReference(qsizetype at)
{
    const Reference first = referenceAt(at);
    if (first.kind == Reference::Incomplete)
        return -1;
    if (first.kind == Reference::Other) {
        pass(at, at + 1);
        return at + 1;
    }
    if (first.kind == Reference::Low) {
        stop(Error::LoneSurrogate, at, first.length);
        return -1;
    }
    const qsizetype secondAt = at + first.length;
    if (secondAt == m_in.size() && !m_sourceDone)
        return -1;
    const Reference second =
        secondAt < m_in.size() && m_in.at(secondAt) == '&' ? referenceAt(secondAt) : Reference{};
    if (second.kind == Reference::Incomplete)
        return -1;
    if (second.kind != Reference::Low) {
        stop(Error::LoneSurrogate, at, first.length);
        return -1;
    }
    const char32_t joined = 0x10000 + ((first.value - 0xD800) << 10) + (second.value - 0xDC00);
    const qsizetype length = first.length + second.length;
    if (bytesWithinRun(m_in.constData() + at, length) < length) {
        pass(at, at + length); // stops reading there
        return -1;
    }
    count(m_in.constData() + at, length);
    // Padded with leading zeros to the pair's length: see the class comment.
    const QByteArray digits = QByteArray::number(uint(joined));
    m_out += "&#" + QByteArray(length - 3 - digits.size(), '0') + digits + ';';
    return at + length;
}

void SurrogateJoiningDevice::pass(qsizetype from, qsizetype to)
{
    const char* bytes = m_in.constData() + from;
    const qsizetype allowed = bytesWithinRun(bytes, to - from);
    count(bytes, allowed);
    m_out.append(bytes, allowed);
    if (allowed < to - from) {
        m_error = Error::RunTooLong;
        m_errorLine = m_line;
        m_errorColumn = m_column + 1;
    }
}

qsizetype SurrogateJoiningDevice::bytesWithinRun(const char* bytes, qsizetype size)
{
    qint64 run = m_run;
    qsizetype runStart = 0; // where the run begins in bytes; 0 when it began before them
    for (qsizetype at = 0;;) {
        const void* open = memchr(bytes + at, '<', size_t(size - at));
        const qsizetype stop = open ? static_cast<const char*>(open) - bytes : size;
        run += stop - at;
        if (run > m_maxRun)
            return runStart;
        if (!open)
            break;
        run = 0;
        runStart = stop;
        at = stop + 1;
    }
    m_run = run;
    return size;
}

void SurrogateJoiningDevice::count(const char* bytes, qsizetype size)
{
    const qsizetype lines = std::count(bytes, bytes + size, '\n');
    if (lines == 0) {
        m_column += utf16Units(bytes, size);
        return;
    }
    m_line += lines;
    const auto* lastBreak = static_cast<const char*>(memrchr(bytes, '\n', size_t(size)));
    m_column = utf16Units(lastBreak + 1, bytes + size - lastBreak - 1);
}

void SurrogateJoiningDevice::stop(Error error, qsizetype at, qsizetype length)
{
    m_error = error;
    m_errorLine = m_line;
    m_errorColumn = m_column + 1;
    m_errorReference = m_in.mid(at, length);
}
