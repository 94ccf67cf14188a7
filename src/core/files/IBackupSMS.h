#pragma once

#include <QDateTime>
#include <QString>
#include <memory>

#include "core/frame/SMSInfo.h"

class QIODevice;

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
    // After the last message; most formats have nothing to close.
    virtual void writeFooter(QIODevice*) {}

protected:
    // Hands the whole unit to the device as UTF-8 in one write.
    static void writeUnit(QIODevice* device, const QString& text);
    // "yyyy-MM-dd hh:mm:ss" in local time; empty for an invalid date.
    static QString dateText(const QDateTime& date);
};

// The writer for a file suffix (case-sensitive): "csv", "txt", "htm", "html", "doc", "xml";
// nullptr for any other suffix.
std::unique_ptr<IBackupSMS> backupWriterForSuffix(const QString& suffix);

// How a failure of a file names it: "file: reason".
QString fileFailureText(const QString& file, const QString& reason);
