#include "core/files/MMSDataFilter.h"

#include <cstring>

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
    qint64 done = 0;
    while (done < maxSize) {
        if (m_outPos == m_out.size()) {
            if (m_sourceDone)
                break;
            refill();
            continue;
        }
        const qint64 n = std::min<qint64>(maxSize - done, m_out.size() - m_outPos);
        memcpy(data + done, m_out.constData() + m_outPos, size_t(n));
        m_outPos += n;
        done += n;
    }
    return done;
}

qint64 MMSDataFilter::writeData(const char*, qint64)
{
    return -1;
}

void MMSDataFilter::refill()
{
    m_out.resize(0); // keeps its capacity
    m_outPos = 0;
    const QByteArray more = m_source->read(chunkBytes);
    if (more.isEmpty()) {
        m_sourceDone = true;
        return;
    }
    handle(more.constData(), more.size());
}

void MMSDataFilter::handle(const char* bytes, qsizetype size)
{
    qsizetype i = 0;
    const auto copyUntil = [&](char stop) {
        // Copies up to the stop byte (excluded); true when it was found.
        const void* found = memchr(bytes + i, stop, size_t(size - i));
        const qsizetype end = found ? static_cast<const char*>(found) - bytes : size;
        m_out.append(bytes + i, end - i);
        i = end;
        return found != nullptr;
    };
    while (i < size) {
        const char c = bytes[i];
        switch (m_state) {
        case State::Start:
            // UTF-16 (a byte-order mark or a zero byte in the first character) is not scanned.
            m_state = (uchar(c) == 0xFF || uchar(c) == 0xFE || c == 0 ||
                       (size > i + 1 && bytes[i + 1] == 0))
                          ? State::Passthrough
                          : State::Text;
            continue;
        case State::Passthrough:
            m_out.append(bytes + i, size - i);
            return;
        case State::Text:
            if (copyUntil('<')) {
                m_out.append('<');
                ++i;
                m_state = State::TagOpen;
            }
            continue;
        case State::Value:
            if (copyUntil(m_quote)) {
                m_out.append(m_quote);
                ++i;
                m_state = m_inPart ? State::InTag : State::OtherTag;
            }
            continue;
        case State::OtherTag: {
            // A tag other than a part's: only its end matters, past quoted values.
            qsizetype end = i;
            while (end < size && bytes[end] != '>' && bytes[end] != '"' && bytes[end] != '\'')
                ++end;
            m_out.append(bytes + i, end - i);
            i = end;
            if (i == size)
                continue;
            m_out.append(bytes[i]);
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
                m_out.append(m_quote);
                m_state = State::InTag;
            } else {
                dataByte(c);
            }
            ++i;
            continue;
        default:
            break;
        }
        m_out.append(c);
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
            m_broken = true;
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
    m_out.append('@');
    m_out.append(QByteArray::number(key));
    // The value's line breaks stay, so that the XML reader's line numbers stay the file's.
    m_out.append(QByteArray(m_lineBreaks, '\n'));
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
