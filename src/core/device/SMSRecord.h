#pragma once

#include <QByteArrayView>
#include <QString>
#include <stdexcept>

#include "core/frame/SMSInfo.h"

class QIODevice;

// A "$sms:" payload the program cannot accept.
class SMSRecordFault : public std::runtime_error
{
public:
    enum Kind
    {
        WrongFieldCount,
        ZeroDate
    };
    SMSRecordFault(Kind kind, const QString& message);
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

// The time zone of a parsed record's date: local time, as shown, or UTC, which storing needs no
// time zone for (the same instant, without two conversions per message).
enum class RecordDate
{
    Local,
    Utc
};

// The phone's record (text behind "$sms:"): date in ms, direction, Base64 of address, person
// and body. Throws SMSRecordFault for a field count other than 5 or a zero/unreadable date.
// Characters beyond Latin-1, which no line from the phone holds, count as "?".
SMSInfo parseSMSRecord(const QString& raw);
// The same from the line's bytes, each a Latin-1 character.
SMSInfo parseSMSRecord(QByteArrayView raw, RecordDate dates = RecordDate::Local);
// The same, but a fault is reported to the peer and thrown as simpleprotocol::LocalException.
SMSInfo parseSMSRecordFrom(QIODevice* socket, QByteArrayView raw,
                           RecordDate dates = RecordDate::Local);
// The computer's record: "date,isSend,Base64(address),Base64(body)\n". An invalid date is
// written as 0.
QString formatSMSRecord(const SMSInfo& sms);
