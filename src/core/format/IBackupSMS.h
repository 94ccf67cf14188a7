#pragma once

#include <QDateTime>
#include <QString>
#include <memory>

#include "core/frame/MMSInfo.h"
#include "core/frame/SMSInfo.h"

class QIODevice;
class Sqlite3DB;

// One export format: a header once, then one unit per message, then a footer. Writers never
// open or close the device; a failed write throws std::runtime_error with the device's error
// string, after the file's name for a file (fileFailureText).
class IBackupSMS
{
public:
    virtual ~IBackupSMS() = default;
    // total: the number of messages that will follow, for formats whose header holds it.
    virtual void writeHeader(QIODevice* device, int total) = 0;
    virtual void writeSMS(QIODevice* device, const SMSInfo& sms) = 0;
    // A stored MMS (db holds its attachments) in the format's own form; false when the format
    // has none: the message is then written by writeSMS, its text with a placeholder per
    // attachment (mmsAsText).
    virtual bool writeMMS(QIODevice*, Sqlite3DB*, const MMSInfo&) { return false; }
    // After the last message; most formats have nothing to close.
    virtual void writeFooter(QIODevice*) {}

protected:
    // Hands the whole unit to the device as UTF-8 in one write.
    static void writeUnit(QIODevice* device, const QString& text);
    // "yyyy-MM-dd hh:mm:ss" in local time; empty for an invalid date.
    static QString dateText(const QDateTime& date);
};

// For formats that write text: when the message is a stored MMS of db, its body becomes the
// text followed by one line per attachment ("[image: IMG_0001.jpg]"). False for an SMS.
bool mmsAsText(Sqlite3DB* db, SMSInfo& sms);

// The writer for a file suffix (case-sensitive): "csv", "txt", "htm", "html", "doc", "xml";
// nullptr for any other suffix.
std::unique_ptr<IBackupSMS> backupWriterForSuffix(const QString& suffix);

// How a failure of a file names it: "file: reason".
QString fileFailureText(const QString& file, const QString& reason);

// Writes the bytes; a failed write throws as the writers' writes do.
void writeBytes(QIODevice* device, const QByteArray& bytes);
