#include "core/format/MMSDataFilter.h"

#include <cstring>

#include "core/format/FillingRead.h"

namespace {

constexpr qint64 chunkBytes = 64 * 1024;
constexpr qsizetype heldBase64 = 64 * 1024; // multiple of 4

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

bool isBase64(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

// References to white space, which some writers put into long Base64 lines.
bool isSpaceReference(const QByteArray& entity)
{
    static const QList<QByteArray> spaces{"#10;", "#13;", "#9;",  "#32;", "#xA;",
                                          "#xa;", "#xD;", "#xd;", "#x9;", "#x20;"};
    return spaces.contains(entity);
}

} // namespace

MMSDataFilter::MMSDataFilter(QIODevice* source, bool keep) : m_source(source), m_keep(keep)
{
    open(QIODevice::ReadOnly);
}

MMSDataFilter::~MMSDataFilter() = default;

bool MMSDataFilter::atEnd() const
{
    return m_outPos == m_out.size() && m_sourceDone;
}

qint64 MMSDataFilter::bytesAvailable() const
{
    return m_out.size() - m_outPos + QIODevice::bytesAvailable();
}

bool MMSDataFilter::take(QStringView key, std::shared_ptr<const MMSData>& data)
{
    bool ok = false;
    const QStringView trimmed = key.trimmed();
    const qint64 number = trimmed.startsWith(u'@') ? trimmed.mid(1).toLongLong(&ok) : -1;
    const auto found = ok ? m_data.constFind(number) : m_data.constEnd();
    if (found == m_data.constEnd())
        return false;
    data = found.value();
    m_held -= data ? data->size() : 0;
    m_data.erase(found);
    return true;
}

void MMSDataFilter::dropUpTo(qint64 key)
{
    while (!m_data.isEmpty() && m_data.firstKey() <= key) {
        const auto first = m_data.begin();
        m_held -= first.value() ? first.value()->size() : 0;
        m_data.erase(first);
    }
}

qint64 MMSDataFilter::readData(char* data, qint64 maxSize)
{
    return readFilling(
        data, maxSize, m_out, m_outPos, [this] { return m_sourceDone; }, [this] { refill(); });
}

qint64 MMSDataFilter::writeData(const char*, qint64)
{
    return -1;
}

void MMSDataFilter::refill()
{
    m_out.resize(0); // keeps its capacity
    m_outPos = 0;
    QByteArray more = m_source->read(chunkBytes);
    if (more.isEmpty()) {
        m_sourceDone = true;
        if (m_state == State::DataValue) // cut off: the reader's error names the last line
            put(QByteArray(m_lineBreaks, '\n'));
        if (m_oddByte >= 0)
            m_out.append(char(m_oddByte)); // a broken last unit, for the XML reader to refuse
        return;
    }
    if (m_state == State::Start)
        startWith(more);
    if (!m_utf16) {
        handle(more.constData(), more.size());
        return;
    }
    // UTF-16: scanned as one byte per unit (ASCII as itself, anything else as 0x80), while
    // the units themselves are handed out.
    if (m_oddByte >= 0)
        more.prepend(char(m_oddByte));
    m_oddByte = more.size() % 2 ? uchar(more.back()) : -1;
    const qsizetype units = more.size() / 2;
    m_narrow.resize(units);
    const auto* bytes = reinterpret_cast<const uchar*>(more.constData());
    for (qsizetype i = 0; i < units; ++i) {
        const uint unit = m_bigEndian ? uint(bytes[2 * i] << 8 | bytes[2 * i + 1])
                                      : uint(bytes[2 * i + 1] << 8 | bytes[2 * i]);
        m_narrow[i] = unit < 0x80 ? char(unit) : char(0x80);
    }
    m_wide = more.constData();
    handle(m_narrow.constData(), units);
    m_wide = nullptr;
}

void MMSDataFilter::startWith(QByteArrayView head)
{
    // As SurrogateJoiningDevice tells it: UTF-16 by its byte-order mark or a first "<" of two
    // bytes; other text with zero bytes (UTF-32) passes unchanged.
    const bool utf32 = head.startsWith(QByteArrayView("\xFF\xFE\0\0", 4));
    m_bigEndian = head.startsWith("\xFE\xFF") || head.startsWith(QByteArrayView("\0<", 2));
    m_utf16 = !utf32 && (m_bigEndian || head.startsWith("\xFF\xFE") ||
                         head.startsWith(QByteArrayView("<\0", 2)));
    const bool other = head.startsWith("\xFF") || head.startsWith("\xFE") ||
                       (!head.isEmpty() && head[0] == 0) || (head.size() > 1 && head[1] == 0);
    m_state = m_utf16 || !other ? State::Text : State::Passthrough;
}

void MMSDataFilter::put(QByteArrayView text)
{
    for (const char c : text) {
        if (m_utf16 && m_bigEndian)
            m_out.append('\0');
        m_out.append(c);
        if (m_utf16 && !m_bigEndian)
            m_out.append('\0');
    }
}

void MMSDataFilter::handle(const char* bytes, qsizetype size)
{
    qsizetype i = 0;
    // Hands out the input from `from` to `to` (exclusive): its bytes, or its UTF-16 units.
    const auto copy = [&](qsizetype from, qsizetype to) {
        if (m_wide)
            m_out.append(m_wide + 2 * from, 2 * (to - from));
        else
            m_out.append(bytes + from, to - from);
    };
    const auto copyUntil = [&](char stop) {
        // Copies up to the stop byte (excluded); true when it was found.
        const void* found = memchr(bytes + i, stop, size_t(size - i));
        const qsizetype end = found ? static_cast<const char*>(found) - bytes : size;
        copy(i, end);
        i = end;
        return found != nullptr;
    };
    while (i < size) {
        const char c = bytes[i];
        switch (m_state) {
        case State::Passthrough:
            copy(i, size);
            return;
        case State::Text:
            if (copyUntil('<')) {
                copy(i, i + 1);
                ++i;
                m_state = State::TagOpen;
            }
            continue;
        case State::Value:
            if (copyUntil(m_quote)) {
                copy(i, i + 1);
                ++i;
                m_state = m_inPart ? State::InTag : State::OtherTag;
            }
            continue;
        case State::OtherTag: {
            // A tag other than a part's: only its end matters, past quoted values.
            qsizetype end = i;
            while (end < size && bytes[end] != '>' && bytes[end] != '"' && bytes[end] != '\'')
                ++end;
            copy(i, end);
            i = end;
            if (i == size)
                continue;
            copy(i, i + 1);
            if (bytes[i] == '>') {
                m_state = State::Text;
            } else {
                m_quote = bytes[i];
                m_state = State::Value;
            }
            ++i;
            continue;
        }
        case State::DataValue:
            if (c == m_quote) {
                endData();
                copy(i, i + 1);
                m_state = State::InTag;
            } else {
                dataByte(c);
            }
            ++i;
            continue;
        default:
            break;
        }
        copy(i, i + 1);
        ++i;
        switch (m_state) {
        case State::TagOpen:
            m_name = QByteArray(1, c);
            m_inPart = false;
            if (c == '!' || c == '?') {
                m_recent = m_name;
                m_specialEnd = c == '?' ? "?>" : "";
                m_state = State::Special;
            } else {
                m_state = c == '/' ? State::OtherTag : State::TagName;
            }
            break;
        case State::Special:
            m_recent.append(c);
            if (m_specialEnd.isEmpty() && (m_recent.size() >= 3 || m_recent != "!-")) {
                m_specialEnd = m_recent.startsWith("!--")  ? "-->"
                               : m_recent.startsWith("![") ? "]]>"
                                                           : ">";
                m_recent = m_recent.mid(m_recent.startsWith("!--") ? 3 : 1);
            }
            if (!m_specialEnd.isEmpty() && m_recent.endsWith(m_specialEnd))
                m_state = State::Text;
            else if (m_recent.size() > 8)
                m_recent = m_recent.right(3);
            break;
        case State::TagName:
            if (c == '>') {
                m_state = State::Text;
            } else if (isSpace(c) || c == '/') {
                m_inPart = m_name == "part";
                m_state = m_inPart ? State::InTag : State::OtherTag;
            } else {
                m_name.append(c);
            }
            break;
        case State::InTag:
            if (c == '>') {
                m_state = State::Text;
            } else if (!isSpace(c) && c != '/') {
                m_name = QByteArray(1, c);
                m_state = State::AttrName;
            }
            break;
        case State::AttrName:
            if (c == '=')
                m_state = State::BeforeValue;
            else if (c == '>')
                m_state = State::Text;
            else if (!isSpace(c))
                m_name.append(c);
            break;
        case State::BeforeValue:
            if (c == '"' || c == '\'') {
                m_quote = c;
                if (m_inPart && m_name == "data") {
                    startData();
                    m_state = State::DataValue;
                } else {
                    m_state = State::Value;
                }
            } else if (!isSpace(c)) {
                m_state = c == '>' ? State::Text : State::InTag;
            }
            break;
        default:
            break;
        }
    }
}

void MMSDataFilter::startData()
{
    m_base64.clear();
    m_entity.clear();
    m_inEntity = false;
    m_padding = 0;
    m_lineBreaks = 0;
    m_broken = !m_keep;
    m_decoded = 0;
    m_writer = m_keep ? std::make_unique<MMSData::Writer>() : nullptr;
}

void MMSDataFilter::dataByte(char c)
{
    if (c == '\n')
        ++m_lineBreaks;
    if (m_inEntity) {
        m_entity.append(c);
        if (c == ';') {
            m_inEntity = false;
            if (!isSpaceReference(m_entity))
                m_broken = true;
            m_entity.clear();
        } else if (m_entity.size() > 8) {
            // Longer than any reference to white space: broken, and not held any longer.
            m_broken = true;
            m_inEntity = false;
            m_entity.clear();
        }
        return;
    }
    if (c == '&') {
        m_inEntity = true;
        return;
    }
    if (m_broken || isSpace(c))
        return;
    if (c == '=') {
        if (++m_padding > 2)
            m_broken = true;
    } else if (!isBase64(c) || m_padding > 0) {
        m_broken = true;
        return;
    }
    m_base64.append(c);
    if (m_base64.size() >= heldBase64)
        decodeHeld(false);
}

void MMSDataFilter::decodeHeld(bool last)
{
    qsizetype usable = last ? m_base64.size() : m_base64.size() - m_base64.size() % 4;
    QByteArray piece = m_base64.left(usable);
    m_base64.remove(0, usable);
    if (last) {
        while (piece.endsWith('='))
            piece.chop(1);
        if (piece.size() % 4 == 1 || (m_padding > 0 && (piece.size() + m_padding) % 4 != 0)) {
            m_broken = true;
            return;
        }
    }
    const auto result = QByteArray::fromBase64Encoding(
        piece, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    m_decoded += result.decoded.size();
    if (!result || m_decoded > MAX_DATA_BYTES ||
        !m_writer->append(result.decoded.constData(), result.decoded.size()))
        m_broken = true;
}

void MMSDataFilter::endData()
{
    const qint64 key = m_nextKey++;
    put('@' + QByteArray::number(key));
    // The value's line breaks stay, so that the XML reader's line numbers stay the file's.
    put(QByteArray(m_lineBreaks, '\n'));
    if (!m_keep)
        return;
    if (!m_broken)
        decodeHeld(true);
    if (m_inEntity)
        m_broken = true;
    const std::shared_ptr<const MMSData> data = m_broken ? nullptr : m_writer->finish();
    m_held += data ? data->size() : 0;
    m_data.insert(key, data);
    while (m_held > MAX_HELD_BYTES && m_data.size() > 1)
        dropUpTo(m_data.firstKey());
    m_writer.reset();
    m_base64.clear();
}
