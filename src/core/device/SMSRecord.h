#pragma once

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

// The phone's record (text behind "$sms:"): date in ms, direction, Base64 of address, person
// and body. Throws SMSRecordFault for a field count other than 5 or a zero/unreadable date.
SMSInfo parseSMSRecord(const QString& raw);
// The same, but a fault is reported to the peer and thrown as simpleprotocol::LocalException.
SMSInfo parseSMSRecordFrom(QIODevice* socket, const QString& raw);
// The computer's record: "date,isSend,Base64(address),Base64(body)\n". An invalid date is
// written as 0.
QString formatSMSRecord(const SMSInfo& sms);
