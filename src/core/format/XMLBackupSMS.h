#pragma once

#include "core/format/IBackupSMS.h"

// The XML backup format of Android backup apps, which restore such a file to a phone: the
// declaration, root "smses" with the message count, a new "backup_set" (a UUID), "backup_date"
// (now, in ms) and type "full", one "sms" element per line, the closing tag. An "sms" carries
// "sub_id" when the account knows it (from a backup file). Real UTF-8 throughout (characters above
// U+FFFF are never written as references to surrogates); attribute values escape "&", "<", ">", '"'
// and line breaks and tabs, which XML would otherwise turn into spaces. Characters that XML 1.0
// cannot carry at all (control characters other than tab, line feed and carriage return, U+FFFE,
// U+FFFF, lone surrogates) are written as U+FFFD, so that the file stays well-formed.
class XMLBackupSMS : public IBackupSMS
{
public:
    void writeHeader(QIODevice* device, int total) override;
    void writeSMS(QIODevice* device, const SMSInfo& sms) override;
    // Every attribute, part and address as stored; attachments in Base64, read and encoded in
    // pieces.
    bool writeMMS(QIODevice* device, Sqlite3DB* db, const MMSInfo& mms) override;
    void writeFooter(QIODevice* device) override;
};

// The text as an XML attribute value (without the quotes), as described above.
QString escapeXMLAttribute(const QString& text);
