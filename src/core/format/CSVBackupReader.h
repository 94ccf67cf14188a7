#pragma once

#include <QCoreApplication>
#include <QHash>
#include <QString>
#include <QStringList>

#include "core/format/CSVReader.h"
#include "core/frame/SMSInfo.h"

class CSVImporterPlugin;
class QIODevice;

// Header text -> column index; a repeated name keeps its last index.
QHash<QString, int> columnIndexMap(const QStringList& header);
// The field of the named column, or defaultValue when the column is unknown or the record is
// too short.
QString fieldByName(const QHash<QString, int>& columns, const QStringList& fields,
                    const QString& name, const QString& defaultValue);

// Messages from a CSV file, either in the program's own format (importer null: a header with
// "send", "date", "number", "content" and an optional "person"; dates "yyyy-MM-dd hh:mm:ss") or
// in another phone's format through the importer plug-in, whose format has been chosen. Blank
// lines and records with a field over MAX_CSV_FIELD_BYTES are left out; the latter are counted.
class CSVBackupReader
{
    Q_DECLARE_TR_FUNCTIONS(CSVBackupReader)
public:
    // The device is read from where it stands; the reader does not own it or the importer.
    CSVBackupReader(QIODevice* device, CSVImporterPlugin* importer);

    // The records after the header, read to the device's end. Throws std::runtime_error when the
    // device cannot be read.
    int countRecords();
    // Reads the header (a format without one has none). Own format: throws std::runtime_error
    // with the format's text when a column is missing.
    void readHeader();
    // The next message; false at the end. Own format: throws std::runtime_error with the
    // invalid-date text for a date not in the format. An importer's record whose date came back
    // invalid is left out and counted.
    bool next(SMSInfo& sms);

    int invalidCount() const { return m_invalid; }
    int overLimitCount() const { return m_overLimit; }

    // One record as a message (see next).
    SMSInfo recordToSMS(const QHash<QString, int>& columns, const QStringList& fields) const;

private:
    // utf8CSVRow; a field over the limit leaves the record out like a blank line.
    bool readRecord(QStringList* fields, bool skipByteOrderMark);
    // The first record of at least four fields, as readCSVRecordMinFields reads it.
    void skipToHeader(QStringList* header);
    bool hasHeader() const;
    CSVEscapes escapes() const;

    QIODevice* m_device;
    CSVImporterPlugin* m_importer;
    QHash<QString, int> m_columns;
    bool m_more = true;
    int m_invalid = 0;
    int m_overLimit = 0;
};
