#include "core/jobs/CSVPreviewJob.h"

#include <QFile>
#include <stdexcept>

#include "core/format/CSVBackupReader.h"
#include "core/format/CSVImporterPlugin.h"
#include "core/frame/BodyLimit.h"
#include "core/frame/ProgressThrottle.h"

namespace {

[[noreturn]] void fail(const QString& text)
{
    throw std::runtime_error(text.toUtf8().toStdString());
}

} // namespace

CSVPreviewJob::CSVPreviewJob(const QString& fileName, CSVImporterPlugin* importer)
    : JobThread("CSVPreviewJob"), m_importer(importer), m_fileName(fileName)
{}

// First pass: the number of records, for the progress display.
int CSVPreviewJob::countRecords()
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        fail(file.errorString());
    return CSVBackupReader(&file, m_importer).countRecords();
}

void CSVPreviewJob::work()
{
    const int total = countRecords();
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        fail(file.errorString());
    parseRecords(file, total);
}

void CSVPreviewJob::parseRecords(QFile& file, int total)
{
    CSVBackupReader reader(&file, m_importer);
    reader.readHeader();
    int valid = 0;
    ProgressThrottle throttle(total);
    SMSInfo sms;
    while (reader.next(sms)) {
        ++valid;
        m_smsList.append(sms);
        if (throttle.shouldReport(valid))
            emit updateProgress(percentOf(valid, total),
                                QStringLiteral("SMS %1:%2").arg(valid).arg(total));
    }
    m_invalid = reader.invalidCount();
    m_overLimit = reader.overLimitCount();
    QString text = m_invalid == 0
                       ? tr("IDS_IMPORT_CSV_PREVIEW_SUC_%1").arg(valid)
                       : tr("IDS_IMPORT_CSV_PREVIEW_SUC_%1_INVALID_%2").arg(valid).arg(m_invalid);
    if (m_overLimit > 0)
        text += QLatin1Char(' ') + skippedOverLimitText(m_overLimit);
    emit succeed(text);
}
