#include "CsvMessageLoader.h"

#include <QDateTime>
#include <QFile>
#include <QHash>

namespace phonesim {

namespace {

class CsvScanner
{
public:
    explicit CsvScanner(const QByteArray& data) : m_data(data)
    {
        if (m_data.startsWith("\xEF\xBB\xBF"))
            m_pos = 3;
    }

    bool atEnd() const { return m_pos >= m_data.size(); }

    QStringList record()
    {
        QStringList fields;
        QByteArray field;
        bool inQuotes = false;
        bool quoteUsed = false;
        while (m_pos < m_data.size()) {
            const char c = m_data.at(m_pos++);
            if (inQuotes) {
                if (c != '"') {
                    field += c;
                } else if (m_pos < m_data.size() && m_data.at(m_pos) == '"') {
                    field += '"';
                    ++m_pos;
                } else {
                    inQuotes = false;
                }
            } else if (c == '"' && !quoteUsed) {
                inQuotes = quoteUsed = true;
            } else if (c == ',') {
                fields.append(QString::fromUtf8(field));
                field.clear();
                quoteUsed = false;
            } else if (c == '\n') {
                break;
            } else if (c != '\r') {
                field += c;
            }
        }
        fields.append(QString::fromUtf8(field));
        return fields;
    }

private:
    const QByteArray& m_data;
    qsizetype m_pos = 0;
};

} // namespace

QList<QStringList> CsvMessageLoader::parse(const QByteArray& data)
{
    QList<QStringList> records;
    CsvScanner scanner(data);
    while (!scanner.atEnd())
        records.append(scanner.record());
    return records;
}

bool CsvMessageLoader::load(const QString& fileName, QList<SimMessage>* messages, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    const QList<QStringList> records = parse(file.readAll());
    qsizetype row = 0;
    while (row < records.size() && records.at(row).size() < 4)
        ++row;
    if (row == records.size()) {
        *error = QStringLiteral("no header with send,date,number,content");
        return false;
    }
    QHash<QString, int> column;
    for (int i = 0; i < records.at(row).size(); ++i)
        column.insert(records.at(row).at(i), i);
    for (const char* name : {"send", "date", "number", "content"}) {
        if (!column.contains(QString::fromLatin1(name))) {
            *error = QStringLiteral("header lacks the column %1").arg(QString::fromLatin1(name));
            return false;
        }
    }
    auto field = [&column](const QStringList& fields, const char* name) {
        const int i = column.value(QString::fromLatin1(name), -1);
        return i >= 0 && i < fields.size() ? fields.at(i) : QString();
    };
    for (++row; row < records.size(); ++row) {
        const QStringList& fields = records.at(row);
        if (fields.size() < 2)
            continue;
        const QDateTime date =
            QDateTime::fromString(field(fields, "date"), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        if (!date.isValid()) {
            *error = QStringLiteral("record %1: bad date \"%2\"")
                         .arg(row + 1)
                         .arg(field(fields, "date"));
            return false;
        }
        SimMessage m;
        m.dateMs = date.toMSecsSinceEpoch();
        m.isSend = field(fields, "send").toInt() == 1;
        m.address = field(fields, "number");
        m.person = field(fields, "person");
        m.body = field(fields, "content");
        messages->append(m);
    }
    return true;
}

} // namespace phonesim
