#include "core/jobs/CSVPreviewJob.h"

#include <QFile>
#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "core/format/CSVImporterPlugin.h"
#include "core/format/CSVReader.h"
#include "core/frame/MessageDate.h"
#include "core/frame/ProgressThrottle.h"

QHash<QString, int> columnIndexMap(const QStringList& header)
{
    QHash<QString, int> columns;
    for (int i = 0; i < header.size(); ++i)
        columns.insert(header.at(i), i);
    return columns;
}

QString fieldByName(const QHash<QString, int>& columns, const QStringList& fields,
                    const QString& name, const QString& defaultValue)
{
    const auto it = columns.constFind(name);
    if (it == columns.constEnd() || it.value() < 0 || it.value() >= fields.size())
        return defaultValue;
    return fields.at(it.value());
}

namespace {

int digitsAt(const QString& text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// "yyyy-MM-dd hh:mm:ss" as local time. The common exact form is taken apart directly, since
// the general parser costs several microseconds per record; anything else goes to it.
QDateTime parseRecordDate(const QString& text)
{
    if (text.size() == 19 && text.at(4) == u'-' && text.at(7) == u'-' && text.at(10) == u' ' &&
        text.at(13) == u':' && text.at(16) == u':') {
        const int fields[] = {digitsAt(text, 0, 4),  digitsAt(text, 5, 2),  digitsAt(text, 8, 2),
                              digitsAt(text, 11, 2), digitsAt(text, 14, 2), digitsAt(text, 17, 2)};
        if (std::none_of(std::begin(fields), std::end(fields), [](int f) { return f < 0; })) {
            const QDate date(fields[0], fields[1], fields[2]);
            const QTime time(fields[3], fields[4], fields[5]);
            if (date.isValid() && time.isValid())
                return QDateTime(date, time);
        }
    }
    return QDateTime::fromString(text, QString::fromLatin1(MESSAGE_DATE_FORMAT));
}

} // namespace

CSVPreviewJob::CSVPreviewJob(const QString& fileName, CSVImporterPlugin* importer)
    : JobThread("CSVPreviewJob"), m_importer(importer), m_fileName(fileName)
{}

SMSInfo CSVPreviewJob::recordToSMS(const QHash<QString, int>& columns,
                                   const QStringList& fields) const
{
    SMSInfo sms;
    if (m_importer) {
        const QHash<QString, QVariant> values = m_importer->getSMS(columns, fields);
        sms.isSend = values.value(QStringLiteral("send")).toBool();
        sms.date = values.value(QStringLiteral("date")).toDateTime();
        sms.address = values.value(QStringLiteral("number")).toString();
        sms.person = values.value(QStringLiteral("person")).toString();
        sms.body = values.value(QStringLiteral("content")).toString();
        return sms;
    }
    sms.isSend =
        fieldByName(columns, fields, QStringLiteral("send"), QStringLiteral("0")).toInt() == 1;
    sms.person = fieldByName(columns, fields, QStringLiteral("person"), QString());
    sms.address = fieldByName(columns, fields, QStringLiteral("number"), QString());
    sms.body = fieldByName(columns, fields, QStringLiteral("content"), QString());
    sms.date = parseRecordDate(fieldByName(columns, fields, QStringLiteral("date"), QString()));
    if (!sms.date.isValid())
        throw std::runtime_error(tr("IDS_INVALID_DATE_FORMAT").toUtf8().toStdString());
    return sms;
}

CSVEscapes CSVPreviewJob::escapes() const
{
    return m_importer ? m_importer->escapes() : CSVEscapes::DoubledQuotes;
}

bool CSVPreviewJob::importerHasHeader() const
{
    return !m_importer || m_importer->hasHeader();
}

bool CSVPreviewJob::readRecord(QStringList* fields, QFile& file, bool skipByteOrderMark)
{
    try {
        return utf8CSVRow(fields, &file, skipByteOrderMark, escapes());
    } catch (const CSVFieldTooLarge& tooLarge) {
        // Left out like a blank line, and counted.
        fields->clear();
        ++m_overLimit;
        return tooLarge.more();
    }
}

void CSVPreviewJob::readHeader(QStringList* header, QFile& file)
{
    while (readRecord(header, file, true) && header->size() < 4)
        header->clear();
}

// First pass: the number of records, for the progress display. -1 with *error set when the
// file cannot be opened or read.
int CSVPreviewJob::countRecords(QString* error)
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return -1;
    }
    try {
        QStringList header;
        readHeader(&header, file);
        int total = totalRecords(&file, escapes());
        if (!importerHasHeader())
            ++total; // the record just passed was data
        return total;
    } catch (const std::exception& e) {
        *error = QString::fromUtf8(e.what());
        return -1;
    }
}

void CSVPreviewJob::work()
{
    QString error;
    const int total = countRecords(&error);
    if (total < 0) {
        emit errorOccurred(error);
        return;
    }
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        emit errorOccurred(file.errorString());
        return;
    }
    try {
        parseRecords(file, total);
    } catch (const std::exception& e) {
        emit errorOccurred(QString::fromUtf8(e.what()));
    }
}

namespace {

void debugInvalidRecord(const QStringList& fields)
{
    QStringList quoted;
    for (const QString& field : fields)
        quoted.append(QLatin1Char('"') + field + QLatin1Char('"'));
    qDebug("CSVPreviewJob: Invalid sms, (%s)", qPrintable(quoted.join(QStringLiteral(", "))));
}

} // namespace

void CSVPreviewJob::parseRecords(QFile& file, int total)
{
    QHash<QString, int> columns;
    if (importerHasHeader()) {
        QStringList header;
        readHeader(&header, file);
        columns = columnIndexMap(header);
    }
    if (!m_importer) {
        for (const char* name : {"send", "date", "number", "content"}) {
            if (!columns.contains(QLatin1String(name))) {
                emit errorOccurred(tr("IDS_INVALID_QUILLMARTEN_SMS_CSV_FORMAT"));
                return;
            }
        }
    }
    int valid = 0;
    m_invalid = 0;
    m_overLimit = 0;
    QStringList fields;
    ProgressThrottle throttle(total);
    while (!cancelRequested()) {
        const bool more = readRecord(&fields, file, false);
        if (fields.size() > 1) {
            const SMSInfo sms = recordToSMS(columns, fields);
            if (!sms.date.isValid()) {
                ++m_invalid;
                debugInvalidRecord(fields);
            } else {
                ++valid;
                m_smsList.append(sms);
                if (throttle.shouldReport(valid))
                    emit updateProgress(percentOf(valid, total),
                                        QStringLiteral("SMS %1:%2").arg(valid).arg(total));
            }
        }
        fields.clear();
        if (!more) {
            QString text =
                m_invalid == 0
                    ? tr("IDS_IMPORT_CSV_PREVIEW_SUC_%1").arg(valid)
                    : tr("IDS_IMPORT_CSV_PREVIEW_SUC_%1_INVALID_%2").arg(valid).arg(m_invalid);
            if (m_overLimit > 0)
                text += QLatin1Char(' ') + skippedOverLimitText(m_overLimit);
            emit succeed(text);
            return;
        }
    }
}
