#pragma once

#include "core/format/IBackupSMS.h"

// Plain text: a time line, a From/To line and the body per message, CR LF line ends, records
// separated by an empty line. No header.
class TXTBackupSMS : public IBackupSMS
{
public:
    void writeHeader(QIODevice* device, int total) override;
    void writeSMS(QIODevice* device, const SMSInfo& sms) override;
};
