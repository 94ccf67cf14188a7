#include "core/format/TXTBackupSMS.h"

void TXTBackupSMS::writeHeader(QIODevice*, int) {}

void TXTBackupSMS::writeSMS(QIODevice* device, const SMSInfo& sms)
{
    QString record = QStringLiteral("Time:") + dateText(sms.date) + QStringLiteral("\r\n");
    record += (sms.isSend ? QStringLiteral("To:") : QStringLiteral("From:")) + sms.address;
    if (!sms.person.isEmpty())
        record += QStringLiteral(" (") + sms.person + QLatin1Char(')');
    record += QStringLiteral("\r\n") + sms.body + QStringLiteral("\r\n\r\n");
    writeUnit(device, record);
}
