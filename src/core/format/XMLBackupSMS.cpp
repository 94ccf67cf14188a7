#include "core/format/XMLBackupSMS.h"

#include <QDateTime>
#include <QIODevice>
#include <QLocale>
#include <QUuid>

#include "core/store/MMSStore.h"

namespace {

bool allowedInXML(char16_t c)
{
    return c >= 0x20 ? c < 0xFFFE : c == u'\t' || c == u'\n' || c == u'\r';
}

} // namespace

QString escapeXMLAttribute(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size() + 16);
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case u'&':
            escaped += QLatin1String("&amp;");
            continue;
        case u'<':
            escaped += QLatin1String("&lt;");
            continue;
        case u'>':
            escaped += QLatin1String("&gt;");
            continue;
        case u'"':
            escaped += QLatin1String("&quot;");
            continue;
        case u'\n':
            escaped += QLatin1String("&#10;");
            continue;
        case u'\r':
            escaped += QLatin1String("&#13;");
            continue;
        case u'\t':
            escaped += QLatin1String("&#9;");
            continue;
        default:
            break;
        }
        if (c.isHighSurrogate() && i + 1 < size && text.at(i + 1).isLowSurrogate()) {
            escaped += c;
            escaped += text.at(++i);
        } else if (c.isSurrogate() || !allowedInXML(c.unicode())) {
            escaped += QChar::ReplacementCharacter;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void XMLBackupSMS::writeHeader(QIODevice* device, int total)
{
    // A new set per file, as the phone app marks each of its full backups.
    writeUnit(device, QStringLiteral("<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n"
                                     "<smses count=\"%1\" backup_set=\"%2\" backup_date=\"%3\" "
                                     "type=\"full\">\n")
                          .arg(total)
                          .arg(QUuid::createUuid().toString(QUuid::WithoutBraces))
                          .arg(QDateTime::currentMSecsSinceEpoch()));
}

void XMLBackupSMS::writeSMS(QIODevice* device, const SMSInfo& sms)
{
    const qint64 millis = sms.date.isValid() ? sms.date.toMSecsSinceEpoch() : 0;
    const QString readableDate =
        QLocale::c().toString(sms.date.toLocalTime(), QStringLiteral("MMM d, yyyy h:mm:ss AP"));
    const QString person =
        sms.person.isEmpty() ? QStringLiteral("(Unknown)") : escapeXMLAttribute(sms.person);
    QString unit = QStringLiteral("  <sms protocol=\"0\" address=\"");
    unit += escapeXMLAttribute(sms.address);
    unit += QStringLiteral("\" date=\"%1\" type=\"%2\" subject=\"null\" body=\"")
                .arg(millis)
                .arg(sms.isSend ? 2 : 1);
    unit += escapeXMLAttribute(sms.body);
    unit += QStringLiteral("\" toa=\"null\" sc_toa=\"null\" service_center=\"null\" read=\"1\" "
                           "status=\"-1\" locked=\"0\" date_sent=\"0\"");
    if (!sms.subId.isNull())
        unit += QStringLiteral(" sub_id=\"%1\"").arg(escapeXMLAttribute(sms.subId));
    unit += QStringLiteral(" readable_date=\"");
    unit += readableDate;
    unit += QStringLiteral("\" contact_name=\"");
    unit += person;
    unit += QStringLiteral("\" />\n");
    writeUnit(device, unit);
}

namespace {

QString attributesText(const MMSAttributes& attributes)
{
    QString text;
    for (const auto& [name, value] : attributes)
        text += QStringLiteral(" %1=\"%2\"").arg(name, escapeXMLAttribute(value));
    return text;
}

// The part's bytes in Base64, encoded in pieces (whole groups of three bytes at a time).
void writeBase64(QIODevice* device, Sqlite3DB* db, qint64 partId)
{
    QByteArray held;
    readMMSPart(db, partId, [&](const char* bytes, int size) {
        held.append(bytes, size);
        const qsizetype whole = held.size() - held.size() % 3;
        writeBytes(device, held.left(whole).toBase64());
        held.remove(0, whole);
    });
    writeBytes(device, held.toBase64());
}

} // namespace

bool XMLBackupSMS::writeMMS(QIODevice* device, Sqlite3DB* db, const MMSInfo& mms)
{
    writeUnit(device,
              QStringLiteral("  <mms%1>\n    <parts>\n").arg(attributesText(mms.attributes)));
    for (const MMSPart& part : mms.parts) {
        writeUnit(device, QStringLiteral("      <part") + attributesText(part.attributes));
        if (part.dataSize >= 0) {
            writeBytes(device, " data=\"");
            writeBase64(device, db, part.partId);
            writeBytes(device, "\"");
        }
        writeBytes(device, " />\n");
    }
    QString unit = QStringLiteral("    </parts>\n    <addrs>\n");
    for (const MMSAttributes& addr : mms.addrs)
        unit += QStringLiteral("      <addr%1 />\n").arg(attributesText(addr));
    writeUnit(device, unit + QStringLiteral("    </addrs>\n  </mms>\n"));
    return true;
}

void XMLBackupSMS::writeFooter(QIODevice* device)
{
    writeUnit(device, QStringLiteral("</smses>\n"));
}
