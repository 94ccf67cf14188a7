#include "core/format/CSVBackupSMS.h"

#include <algorithm>

QString quoteCSVField(const QString& text)
{
    // Most fields need nothing: they are handed back without a copy.
    const auto special = [](QChar c) { return c == u'"' || c == u',' || c == u'\n'; };
    if (std::none_of(text.cbegin(), text.cend(), special))
        return text;
    QString quoted;
    quoted.reserve(text.size() + 8);
    quoted.append(u'"');
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(u'"'); at >= 0; at = text.indexOf(u'"', from)) {
        quoted.append(QStringView(text).mid(from, at + 1 - from)).append(u'"');
        from = at + 1;
    }
    quoted.append(QStringView(text).mid(from)).append(u'"');
    return quoted;
}

void CSVBackupSMS::writeHeader(QIODevice* device, int)
{
    writeUnit(device, QStringLiteral("send,date,number,person,content\n"));
}

void CSVBackupSMS::writeSMS(QIODevice* device, const SMSInfo& sms)
{
    // One buffer for every record: its room stays allocated from one message to the next.
    m_record.clear();
    m_record.append(sms.isSend ? u'1' : u'0')
        .append(u',')
        .append(dateText(sms.date))
        .append(u',')
        .append(quoteCSVField(sms.address))
        .append(u',')
        .append(quoteCSVField(sms.person))
        .append(u',')
        .append(quoteCSVField(sms.body))
        .append(u'\n');
    writeUnit(device, m_record);
}
