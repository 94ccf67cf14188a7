#pragma once

#include "core/format/IBackupSMS.h"

// XHTML (also used for the Word choice): one coloured block per message. Names and bodies are
// escaped ("&", "<", ">") so that a message cannot inject markup; line breaks stay raw.
class HtmlBackupSMS : public IBackupSMS
{
public:
    void writeHeader(QIODevice* device, int total) override;
    void writeSMS(QIODevice* device, const SMSInfo& sms) override;
};
