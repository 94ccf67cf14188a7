#include "WireText.h"

#include <QList>
#include <QStringDecoder>

namespace phonesim {

namespace {

bool isBase64Char(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

bool isCanonicalBase64(const QByteArray& field)
{
    if (field.size() % 4 != 0)
        return false;
    qsizetype end = field.size();
    for (int pad = 0; pad < 2 && end > 0 && field.at(end - 1) == '='; ++pad)
        --end;
    for (qsizetype i = 0; i < end; ++i) {
        if (!isBase64Char(field.at(i)))
            return false;
    }
    // Rejects stray bits in the last character, which a lenient decoder would drop silently.
    return QByteArray::fromBase64(field).toBase64() == field;
}

bool isDecimal(const QByteArray& text, bool allowSign)
{
    qsizetype start = (allowSign && text.startsWith('-')) ? 1 : 0;
    if (text.size() == start)
        return false;
    for (qsizetype i = start; i < text.size(); ++i) {
        if (text.at(i) < '0' || text.at(i) > '9')
            return false;
    }
    return true;
}

} // namespace

QByteArray base64Of(const QString& text)
{
    return text.toUtf8().toBase64();
}

bool decodeBase64Text(const QByteArray& field, QString* text)
{
    if (!isCanonicalBase64(field))
        return false;
    const QByteArray bytes = QByteArray::fromBase64(field);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError())
        return false;
    *text = decoded;
    return true;
}

void appendBase64Of(QByteArray& out, const QString& text)
{
    static const char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const QByteArray bytes = text.toUtf8();
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype at = out.size();
    out.resize(at + (size + 2) / 3 * 4);
    char* o = out.data();
    qsizetype i = 0;
    for (; i + 2 < size; i += 3) {
        const unsigned v = (unsigned(in[i]) << 16) | (unsigned(in[i + 1]) << 8) | in[i + 2];
        o[at++] = alphabet[(v >> 18) & 63];
        o[at++] = alphabet[(v >> 12) & 63];
        o[at++] = alphabet[(v >> 6) & 63];
        o[at++] = alphabet[v & 63];
    }
    if (i < size) {
        const bool two = i + 1 < size;
        const unsigned v = (unsigned(in[i]) << 16) | (two ? unsigned(in[i + 1]) << 8 : 0u);
        o[at++] = alphabet[(v >> 18) & 63];
        o[at++] = alphabet[(v >> 12) & 63];
        o[at++] = two ? alphabet[(v >> 6) & 63] : '=';
        o[at++] = '=';
    }
}

QByteArray formatPhoneRecord(const SimMessage& message)
{
    QByteArray out;
    appendPhoneRecord(out, message);
    return out;
}

void appendPhoneRecord(QByteArray& out, const SimMessage& message)
{
    out.reserve(out.size() + 64 + message.body.size() * 2);
    out += QByteArray::number(message.dateMs);
    out += message.isSend ? ",1," : ",0,";
    appendBase64Of(out, message.address);
    out += ',';
    appendBase64Of(out, message.person);
    out += ',';
    appendBase64Of(out, message.body);
}

QByteArray errorLine(const QString& text)
{
    return "$error:" + base64Of(text);
}

QString checkRestoreRecord(const QByteArray& payload, SimMessage* message)
{
    const QList<QByteArray> fields = payload.split(',');
    if (fields.size() != 4)
        return QStringLiteral("record has %1 fields instead of 4").arg(fields.size());
    const QByteArray& date = fields.at(0);
    if (!isDecimal(date, true) || (date.size() > 1 && (date.at(0) == '0' || date.startsWith("-0"))))
        return QStringLiteral("date field is not a plain decimal number");
    bool ok = false;
    const qint64 dateMs = date.toLongLong(&ok);
    if (!ok || dateMs == 0)
        return QStringLiteral("date field is zero or out of range");
    if (fields.at(1) != "0" && fields.at(1) != "1")
        return QStringLiteral("direction field is neither 0 nor 1");
    SimMessage parsed;
    parsed.dateMs = dateMs;
    parsed.isSend = fields.at(1) == "1";
    if (!decodeBase64Text(fields.at(2), &parsed.address))
        return QStringLiteral("address field is not Base64 of UTF-8 text");
    if (!decodeBase64Text(fields.at(3), &parsed.body))
        return QStringLiteral("body field is not Base64 of UTF-8 text");
    *message = parsed;
    return {};
}

QString checkSendLine(const QByteArray& line, QString* address, QString* body)
{
    const QList<QByteArray> fields = line.split(',');
    if (fields.size() != 2)
        return QStringLiteral("message line has %1 fields instead of 2").arg(fields.size());
    if (!decodeBase64Text(fields.at(0), address))
        return QStringLiteral("address is not Base64 of UTF-8 text");
    if (!decodeBase64Text(fields.at(1), body))
        return QStringLiteral("body is not Base64 of UTF-8 text");
    if (address->trimmed().isEmpty())
        return QStringLiteral("no recipient address");
    return {};
}

QByteArray escapeForLog(const QByteArray& line, int maxBytes)
{
    QByteArray out;
    const qsizetype shown = qMin<qsizetype>(line.size(), maxBytes);
    out.reserve(shown + 16);
    for (qsizetype i = 0; i < shown; ++i) {
        const auto c = static_cast<unsigned char>(line.at(i));
        if (c == '\\')
            out += "\\\\";
        else if (c >= 0x20 && c < 0x7f)
            out += static_cast<char>(c);
        else
            out += "\\x" + QByteArray::number(c, 16).rightJustified(2, '0');
    }
    if (shown < line.size())
        out += "...(" + QByteArray::number(line.size()) + " bytes)";
    return out;
}

QString unescapeArgument(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(++i);
        if (next == u'n')
            out += u'\n';
        else if (next == u'r')
            out += u'\r';
        else if (next == u't')
            out += u'\t';
        else if (next == u's')
            out += u' ';
        else
            out += next;
    }
    return out;
}

QString escapeArgument(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u' ')
            out += QStringLiteral("\\s");
        else
            out += c;
    }
    return out;
}

} // namespace phonesim
