#pragma once

#include <QCoreApplication>
#include <QXmlStreamReader>

#include "core/format/MMSDataFilter.h"
#include "core/format/SurrogateJoiningDevice.h"
#include "core/frame/MMSInfo.h"
#include "core/frame/SMSInfo.h"

// Reads the XML backup files that Android backup apps write: root "smses" (attribute "count"),
// one "sms" element per message with "address", "date" (milliseconds since 1970), "type"
// (1 received, 2 sent), "body" and "contact_name" ("(Unknown)": none); other attributes are
// ignored. A reference to half a UTF-16 surrogate pair without its other half reads as U+FFFD
// and is counted. Messages of other types (3 to 6: draft, outbox, failed, queued), messages whose
// date is not a whole number and messages whose text (an MMS's text parts together) is over
// MAX_BODY_BYTES are skipped and counted, "mms" elements too unless they are read. The file is
// streamed: memory depends on the longest element, not on the file. Entities are never expanded,
// since a document type declaration is refused before any entity is used.
class XMLBackupReader
{
    Q_DECLARE_TR_FUNCTIONS(XMLBackupReader)
public:
    // file stays owned by the caller and must be open for reading. With readMMS, "mms" elements
    // are read (nextRecord) instead of skipped; their attachments never pass whole through the
    // XML reader either way (MMSDataFilter).
    explicit XMLBackupReader(QIODevice* file, bool readMMS = false);

    enum class Record
    {
        None, // after the last one
        SMS,
        MMS
    };
    // The next message, SMS or (with readMMS) MMS; throws as next does.
    Record nextRecord(SMSInfo& sms, MMSInfo& mms);

    // The next received or sent message, its date in UTC; false after the last one.
    // Throws std::runtime_error naming line and column when the file is malformed or is not
    // such a backup, Cancellation::Cancelled when the calling thread is asked to stop.
    bool next(SMSInfo& sms);

    // The root's "count" (messages of every kind, as the app wrote it); -1 before the root is
    // read or when it has none.
    qint64 declaredCount() const { return m_declaredCount; }
    // "sms" and "mms" elements read so far, skipped ones included.
    qint64 elementsRead() const { return m_elements; }
    qint64 skippedOtherTypes() const { return m_otherTypes; }
    qint64 skippedMMS() const { return m_mms; }
    qint64 skippedInvalidDates() const { return m_invalidDates; }
    qint64 skippedOverLimit() const { return m_overLimit; }
    // Characters replaced by U+FFFD (references to lone surrogates), and the records they
    // were in.
    qint64 replacedCharacters() const { return m_replaced; }
    qint64 recordsWithReplacements() const { return m_replacedIn; }
    qint64 skippedUnusableMMS() const { return m_unusableMMS; }
    // Attachments left out of kept MMS (their data was broken or too large), and in how many.
    qint64 mmsPartsLeftOut() const { return m_partsLeftOut; }
    qint64 mmsWithPartsLeftOut() const { return m_mmsWithPartsLeftOut; }
    // One sentence per reason of skipping or replacing, for a result message; empty when there
    // was none.
    QString skippedSummary() const;

private:
    void readRoot();
    // True when the element was a message to hand out (in sms).
    bool readSMS(SMSInfo& sms);
    // True when the element was a message to hand out (in mms); the element is read whole.
    bool readMMS(MMSInfo& mms);
    MMSAttributes attributesOf(QStringView skip = {}) const;
    void readToEnd();
    // Counts the replacements made up to the end of the record just read.
    void countReplacements();
    [[noreturn]] void fail() const;
    // Throws the reason with the XML reader's position, or with the one given.
    [[noreturn]] void failAt(const QString& reason) const;
    [[noreturn]] void failAt(const QString& reason, qint64 line, qint64 column) const;

    QIODevice* m_file; // not owned
    const bool m_readMMS;
    MMSDataFilter m_filter;
    SurrogateJoiningDevice m_device;
    QXmlStreamReader m_xml;
    bool m_inRoot = false;
    bool m_done = false;
    qint64 m_declaredCount = -1;
    qint64 m_elements = 0;
    qint64 m_otherTypes = 0;
    qint64 m_mms = 0;
    qint64 m_invalidDates = 0;
    qint64 m_overLimit = 0;
    qint64 m_replaced = 0;
    qint64 m_replacedIn = 0;
    qint64 m_unusableMMS = 0;
    qint64 m_partsLeftOut = 0;
    qint64 m_mmsWithPartsLeftOut = 0;
};
