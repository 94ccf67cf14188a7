#pragma once

#include <QList>
#include <QString>

#include "core/frame/JobThread.h"
#include "core/frame/SMSInfo.h"

class CSVImporterPlugin;
class QFile;

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

protected:
    void work() override;

private:
    int countRecords();
    void parseRecords(QFile& file, int total);

    QList<SMSInfo> m_smsList;
    CSVImporterPlugin* m_importer; // may be null; not owned
    QString m_fileName;
    int m_invalid = 0;
    int m_overLimit = 0;
};
