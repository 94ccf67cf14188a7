#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/format/CSVReader.h"
#include "core/frame/JobThread.h"
#include "core/frame/SMSInfo.h"

class CSVImporterPlugin;
class QFile;

// Header text -> column index; a repeated name keeps its last index.
QHash<QString, int> columnIndexMap(const QStringList& header);
// The field of the named column, or defaultValue when the column is unknown or the record is
// too short.
QString fieldByName(const QHash<QString, int>& columns, const QStringList& fields,
                    const QString& name, const QString& defaultValue);

// Preview job: parses a CSV file into messages, either in the program's own format (importer
// null: header with "send", "date", "number", "content" and optional "person") or in another
// phone's format through the importer plug-in, whose format has already been chosen.
class CSVPreviewJob : public JobThread
{
    Q_OBJECT
public:
    CSVPreviewJob(const QString& fileName, CSVImporterPlugin* importer);

    // The messages parsed, in file order. Read it after the job has ended.
    const QList<SMSInfo>& smsList() const { return m_smsList; }
    // Records left out because their date was not valid (importer formats only).
    int invalidCount() const { return m_invalid; }
    // Records left out for a field over MAX_CSV_FIELD_BYTES.
    int overLimitCount() const { return m_overLimit; }

    // One record as a message. Own format: throws std::runtime_error with the invalid-date text
    // when the date does not follow "yyyy-MM-dd hh:mm:ss". With an importer the date may come
    // back invalid instead.
    SMSInfo recordToSMS(const QHash<QString, int>& columns, const QStringList& fields) const;

protected:
    void work() override;

private:
    int countRecords(QString* error);
    // utf8CSVRow, counting the records of the file; a field over the limit ends the job with a
    // text that names the record.
    bool readRecord(QStringList* fields, QFile& file, bool skipByteOrderMark);
    // The first record of at least four fields, as readCSVRecordMinFields reads it.
    void readHeader(QStringList* header, QFile& file);
    void parseRecords(QFile& file, int total);
    bool importerHasHeader() const;
    CSVEscapes escapes() const;

    QList<SMSInfo> m_smsList;
    CSVImporterPlugin* m_importer; // may be null; not owned
    QString m_fileName;
    int m_invalid = 0;
    int m_overLimit = 0;
};
