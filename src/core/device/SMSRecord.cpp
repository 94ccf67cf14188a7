#include "core/device/SMSRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QVarLengthArray>
#include <algorithm>

#include "core/device/SimpleProtocol.h"

namespace {

constexpr int RECORD_FIELDS = 5;

// Dates this far from 1970 (the range of ECMAScript's dates) are the same instant whether made
// in UTC or in local time; beyond it a local date may be invalid, so such records keep it.
constexpr qint64 UTC_SAFE_MS = 8'640'000'000'000'000;

int base64Value(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// Decodes as QByteArray::fromBase64 does (characters outside the alphabet, "=" too, are
// skipped), without the intermediate arrays; the text ends at the first NUL byte.
QString decodeField(QByteArrayView field)
{
    QVarLengthArray<char, 1024> bytes(field.size());
    qsizetype size = 0;
    unsigned bits = 0;
    int count = 0;
    for (const char c : field) {
        const int value = base64Value(static_cast<unsigned char>(c));
        if (value < 0)
            continue;
        bits = (bits << 6) | unsigned(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes[size++] = char(bits >> count);
            bits &= (1u << count) - 1;
        }
    }
    return QString::fromUtf8(bytes.constData(), qstrnlen(bytes.constData(), size));
}

QString encodeField(const QString& text)
{
    return QString::fromLatin1(text.toUtf8().toBase64());
}

// Plain digits (with a minus) are read here; anything else as QString::toLongLong reads it.
qint64 readMillis(QByteArrayView field)
{
    const bool negative = field.startsWith('-');
    const QByteArrayView digits = negative ? field.sliced(1) : field;
    if (digits.isEmpty() || digits.size() > 18 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return QString::fromLatin1(field).toLongLong(nullptr, 10);
    qint64 value = 0;
    for (const char c : digits)
        value = value * 10 + (c - '0');
    return negative ? -value : value;
}

bool readIsSend(QByteArrayView field)
{
    if (field == "1")
        return true;
    if (field == "0")
        return false;
    return QString::fromLatin1(field).toInt(nullptr, 10) == 1;
}

QDateTime recordDate(qint64 millis, RecordDate dates)
{
    if (dates == RecordDate::Utc && millis >= -UTC_SAFE_MS && millis <= UTC_SAFE_MS)
        return QDateTime::fromMSecsSinceEpoch(millis, Qt::UTC);
    return QDateTime::fromMSecsSinceEpoch(millis);
}

} // namespace

SMSRecordFault::SMSRecordFault(Kind kind, const QString& message)
    : std::runtime_error(message.toUtf8().toStdString()), m_kind(kind)
{}

SMSInfo parseSMSRecord(const QString& raw)
{
    return parseSMSRecord(QByteArrayView(raw.toLatin1()));
}

SMSInfo parseSMSRecord(QByteArrayView raw, RecordDate dates)
{
    QByteArrayView fields[RECORD_FIELDS];
    qsizetype count = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= raw.size() && count <= RECORD_FIELDS; ++i) {
        if (i == raw.size() || raw[i] == ',') {
            if (count < RECORD_FIELDS)
                fields[count] = raw.sliced(start, i - start);
            ++count;
            start = i + 1;
        }
    }
    if (count != RECORD_FIELDS)
        throw SMSRecordFault(SMSRecordFault::WrongFieldCount,
                             QStringLiteral("SMS raw format wrong, less then 5 fields, raw:") +
                                 QString::fromLatin1(raw));
    const qint64 millis = readMillis(fields[0]);
    if (millis == 0)
        throw SMSRecordFault(SMSRecordFault::ZeroDate,
                             QStringLiteral("SMS 'date' field eq zero, raw:") +
                                 QString::fromLatin1(raw));
    SMSInfo sms;
    sms.smsId = 0;
    sms.date = recordDate(millis, dates);
    sms.isSend = readIsSend(fields[1]);
    sms.address = decodeField(fields[2]);
    sms.person = decodeField(fields[3]);
    sms.body = decodeField(fields[4]);
    return sms;
}

SMSInfo parseSMSRecordFrom(QIODevice* socket, QByteArrayView raw, RecordDate dates)
{
    try {
        return parseSMSRecord(raw, dates);
    } catch (const SMSRecordFault& fault) {
        throw simpleprotocol::LocalException(socket, QString::fromUtf8(fault.what()));
    }
}

QString formatSMSRecord(const SMSInfo& sms)
{
    const qint64 millis = sms.date.isValid() ? sms.date.toMSecsSinceEpoch() : 0;
    return QStringLiteral("%0,%1,%2,%3\n")
        .arg(QString::number(millis), sms.isSend ? QStringLiteral("1") : QStringLiteral("0"),
             encodeField(sms.address), encodeField(sms.body));
}
