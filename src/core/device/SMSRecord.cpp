#include "core/device/SMSRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringView>

#include "core/device/SimpleProtocol.h"

namespace {

constexpr int RECORD_FIELDS = 5;

// Characters outside the Base64 alphabet are skipped; the text ends at the first NUL byte.
QString decodeField(QStringView field)
{
    const QByteArray bytes = QByteArray::fromBase64(field.toLatin1());
    return QString::fromUtf8(bytes.constData(), qstrnlen(bytes.constData(), bytes.size()));
}

QString encodeField(const QString& text)
{
    return QString::fromLatin1(text.toUtf8().toBase64());
}

} // namespace

SMSRecordFault::SMSRecordFault(Kind kind, const QString& message)
    : std::runtime_error(message.toUtf8().toStdString()), m_kind(kind)
{}

SMSInfo parseSMSRecord(const QString& raw)
{
    const QList<QStringView> fields = QStringView(raw).split(u',');
    if (fields.size() != RECORD_FIELDS)
        throw SMSRecordFault(SMSRecordFault::WrongFieldCount,
                             QStringLiteral("SMS raw format wrong, less then 5 fields, raw:") +
                                 raw);
    const qint64 millis = fields[0].toLongLong(nullptr, 10);
    if (millis == 0)
        throw SMSRecordFault(SMSRecordFault::ZeroDate,
                             QStringLiteral("SMS 'date' field eq zero, raw:") + raw);
    SMSInfo sms;
    sms.smsId = 0;
    sms.date = QDateTime::fromMSecsSinceEpoch(millis);
    sms.isSend = fields[1].toInt(nullptr, 10) == 1;
    sms.address = decodeField(fields[2]);
    sms.person = decodeField(fields[3]);
    sms.body = decodeField(fields[4]);
    return sms;
}

SMSInfo parseSMSRecordFrom(QIODevice* socket, const QString& raw)
{
    try {
        return parseSMSRecord(raw);
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
