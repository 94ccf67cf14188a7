#include "core/files/CSVBackupSMS.h"

QString quoteCSVField(const QString& text)
{
    QString quoted;
    quoted.reserve(text.size() + 2);
    bool needsQuotes = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"')) {
            quoted.append(c);
            needsQuotes = true;
        } else if (c == QLatin1Char(',') || c == QLatin1Char('\n')) {
            needsQuotes = true;
        }
        quoted.append(c);
    }
    if (needsQuotes)
        return QLatin1Char('"') + quoted + QLatin1Char('"');
    return quoted;
}

void CSVBackupSMS::writeHeader(QIODevice* device, int)
{
    writeUnit(device, QStringLiteral("send,date,number,person,content\n"));
}

void CSVBackupSMS::writeSMS(QIODevice* device, const SMSInfo& sms)
{
    const QString record =
        (sms.isSend ? QStringLiteral("1") : QStringLiteral("0")) + QLatin1Char(',') +
        dateText(sms.date) + QLatin1Char(',') + quoteCSVField(sms.address) + QLatin1Char(',') +
        quoteCSVField(sms.person) + QLatin1Char(',') + quoteCSVField(sms.body) + QLatin1Char('\n');
    writeUnit(device, record);
}
