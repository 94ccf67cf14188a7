#pragma once

#include "core/format/IBackupSMS.h"

// The program's own CSV format: header "send,date,number,person,content", LF record ends.
class CSVBackupSMS : public IBackupSMS
{
public:
    void writeHeader(QIODevice* device, int total) override;
    void writeSMS(QIODevice* device, const SMSInfo& sms) override;

private:
    QString m_record;
};

// Doubles every double quote; encloses the result in quotes when the text holds a double quote,
// a comma or a line feed.
QString quoteCSVField(const QString& text);
