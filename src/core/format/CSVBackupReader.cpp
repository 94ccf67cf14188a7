#include "core/format/CSVBackupReader.h"

#include <QIODevice>
#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "core/format/CSVImporterPlugin.h"
#include "core/frame/Cancellation.h"
#include "core/frame/MessageDate.h"

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

[[noreturn]] void fail(const QString& text)
{
    throw std::runtime_error(text.toUtf8().toStdString());
}

void debugInvalidRecord(const QStringList& fields)
{
    QStringList quoted;
    for (const QString& field : fields)
        quoted.append(QLatin1Char('"') + field + QLatin1Char('"'));
    qDebug("CSVBackupReader: Invalid sms, (%s)", qPrintable(quoted.join(QStringLiteral(", "))));
}

} // namespace

CSVBackupReader::CSVBackupReader(QIODevice* device, CSVImporterPlugin* importer)
    : m_device(device), m_importer(importer)
{}

SMSInfo CSVBackupReader::recordToSMS(const QHash<QString, int>& columns,
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
        fail(tr("IDS_INVALID_DATE_FORMAT"));
    return sms;
}

CSVEscapes CSVBackupReader::escapes() const
{
    return m_importer ? m_importer->escapes() : CSVEscapes::DoubledQuotes;
}

bool CSVBackupReader::hasHeader() const
{
    return !m_importer || m_importer->hasHeader();
}

bool CSVBackupReader::readRecord(QStringList* fields, bool skipByteOrderMark)
{
    try {
        return utf8CSVRow(fields, m_device, skipByteOrderMark, escapes());
    } catch (const CSVFieldTooLarge& tooLarge) {
        fields->clear();
        ++m_overLimit;
        return tooLarge.more();
    }
}

void CSVBackupReader::skipToHeader(QStringList* header)
{
    while (readRecord(header, true) && header->size() < 4)
        header->clear();
}

int CSVBackupReader::countRecords()
{
    QStringList header;
    skipToHeader(&header);
    int total = totalRecords(m_device, escapes());
    if (!hasHeader())
        ++total; // the record just passed was data
    return total;
}

void CSVBackupReader::readHeader()
{
    if (!hasHeader())
        return;
    QStringList header;
    skipToHeader(&header);
    m_columns = columnIndexMap(header);
    if (m_importer)
        return;
    for (const char* name : {"send", "date", "number", "content"}) {
        if (!m_columns.contains(QLatin1String(name)))
            fail(tr("IDS_INVALID_QUILLMARTEN_SMS_CSV_FORMAT"));
    }
}

bool CSVBackupReader::next(SMSInfo& sms)
{
    QStringList fields;
    while (m_more) {
        Cancellation::throwIfRequested();
        fields.clear();
        m_more = readRecord(&fields, false);
        if (fields.size() <= 1)
            continue;
        sms = recordToSMS(m_columns, fields);
        if (sms.date.isValid())
            return true;
        ++m_invalid;
        debugInvalidRecord(fields);
    }
    return false;
}
