#include "core/format/XMLBackupReader.h"

#include <QFileDevice>
#include <stdexcept>

#include "core/frame/BodyLimit.h"
#include "core/frame/Cancellation.h"
#include "core/store/MMSStore.h"

XMLBackupReader::XMLBackupReader(QIODevice* file, bool readMMS)
    : m_file(file), m_readMMS(readMMS), m_filter(file, readMMS), m_device(&m_filter)
{
    m_xml.setDevice(&m_device);
}

void XMLBackupReader::countReplacements()
{
    if (const qint64 replaced = m_device.takeReplacementsBefore(m_xml.characterOffset())) {
        m_replaced += replaced;
        ++m_replacedIn;
    }
}

QString XMLBackupReader::skippedSummary() const
{
    QStringList sentences;
    if (m_replaced > 0)
        sentences.append(tr("IDS_XML_REPLACED_%1_IN_%2").arg(m_replaced).arg(m_replacedIn));
    if (m_otherTypes > 0)
        sentences.append(tr("IDS_XML_SKIPPED_OTHER_TYPES_%1").arg(m_otherTypes));
    if (m_mms > 0)
        sentences.append(tr("IDS_XML_SKIPPED_MMS_%1").arg(m_mms));
    if (m_invalidDates > 0)
        sentences.append(tr("IDS_XML_SKIPPED_INVALID_DATE_%1").arg(m_invalidDates));
    if (m_overLimit > 0)
        sentences.append(skippedOverLimitText(m_overLimit));
    if (m_unusableMMS > 0)
        sentences.append(tr("IDS_XML_SKIPPED_UNUSABLE_MMS_%1").arg(m_unusableMMS));
    if (m_partsLeftOut > 0)
        sentences.append(
            tr("IDS_XML_MMS_PARTS_LEFT_OUT_%1_%2").arg(m_mmsWithPartsLeftOut).arg(m_partsLeftOut));
    return sentences.join(QLatin1Char(' '));
}

bool XMLBackupReader::next(SMSInfo& sms)
{
    MMSInfo unused;
    return nextRecord(sms, unused) != Record::None;
}

XMLBackupReader::Record XMLBackupReader::nextRecord(SMSInfo& sms, MMSInfo& mms)
{
    if (m_done)
        return Record::None;
    if (!m_inRoot)
        readRoot();
    for (;;) {
        // A file may hold any number of records to skip before the next message.
        Cancellation::throwIfRequested();
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringView name = m_xml.name();
            Record handOut = Record::None;
            if (name == u"sms") {
                ++m_elements;
                handOut = readSMS(sms) ? Record::SMS : Record::None;
            } else if (name == u"mms" && m_readMMS) {
                ++m_elements;
                const bool kept = readMMS(mms);
                countReplacements();
                if (kept)
                    return Record::MMS;
                break;
            } else if (name == u"mms") {
                ++m_elements;
                ++m_mms;
            }
            m_xml.skipCurrentElement();
            if (m_xml.hasError())
                fail();
            countReplacements();
            if (handOut != Record::None)
                return handOut;
            break;
        }
        case QXmlStreamReader::EndElement: // of the root
            readToEnd();
            m_done = true;
            return Record::None;
        case QXmlStreamReader::Invalid:
            fail();
        default: // white space, comments, processing instructions
            break;
        }
    }
}

void XMLBackupReader::readRoot()
{
    for (;;) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::DTD:
            // Refused before any entity it declares is used: nothing is ever expanded.
            failAt(tr("IDS_XML_DOCTYPE_NOT_ALLOWED"));
        case QXmlStreamReader::StartElement: {
            if (m_xml.name() != u"smses")
                throw std::runtime_error(
                    tr("IDS_XML_NOT_SMS_BACKUP_%1").arg(m_xml.name()).toUtf8().toStdString());
            bool ok = false;
            const qint64 count = m_xml.attributes().value(QLatin1String("count")).toLongLong(&ok);
            m_declaredCount = ok && count >= 0 ? count : -1;
            m_inRoot = true;
            return;
        }
        case QXmlStreamReader::Invalid:
            fail();
        default: // the XML declaration, white space, comments, processing instructions
            break;
        }
    }
}

bool XMLBackupReader::readSMS(SMSInfo& sms)
{
    QStringView type;
    QStringView date;
    sms = SMSInfo();
    const QXmlStreamAttributes attributes = m_xml.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        const QStringView name = attribute.name();
        if (name == u"address")
            sms.address = attribute.value().toString();
        else if (name == u"body")
            sms.body = attribute.value().toString();
        else if (name == u"date")
            date = attribute.value();
        else if (name == u"type")
            type = attribute.value();
        else if (name == u"contact_name" && attribute.value() != u"(Unknown)")
            sms.person = attribute.value().toString();
        else if (name == u"sub_id" && !attribute.value().isEmpty())
            sms.subId = attribute.value().toString();
    }
    bool ok = false;
    const int kind = type.toInt(&ok);
    if (!ok || (kind != 1 && kind != 2)) {
        ++m_otherTypes;
        return false;
    }
    const qint64 millis = date.toLongLong(&ok);
    if (!ok) {
        ++m_invalidDates;
        return false;
    }
    if (bodyOverLimit(sms.body)) {
        ++m_overLimit;
        return false;
    }
    sms.isSend = kind == 2;
    // In UTC: the same moment, without the time-zone lookup per message that local time costs
    // (as much as reading the rest of the record).
    sms.date = QDateTime::fromMSecsSinceEpoch(millis, Qt::UTC);
    return true;
}

MMSAttributes XMLBackupReader::attributesOf(QStringView skip) const
{
    MMSAttributes list;
    const QXmlStreamAttributes attributes = m_xml.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        if (attribute.name() == skip)
            continue;
        QString value = attribute.value().toString();
        list.append({attribute.name().toString(), value.isNull() ? QStringLiteral("") : value});
    }
    return list;
}

bool XMLBackupReader::readMMS(MMSInfo& mms)
{
    mms = MMSInfo();
    mms.attributes = attributesOf();
    bool dated = false;
    attributeValue(mms.attributes, u"date").toLongLong(&dated);
    const QString box = attributeValue(mms.attributes, u"msg_box");
    const bool usable = dated && (box == u"1" || box == u"2");
    qint64 lastKey = -1;
    for (int depth = 1; depth > 0;) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (m_xml.name() == u"addr") {
                mms.addrs.append(attributesOf());
            } else if (m_xml.name() == u"part") {
                MMSPart part{attributesOf(u"data"), nullptr};
                const QXmlStreamAttributes attributes = m_xml.attributes();
                const QStringView key = attributes.value(QLatin1String("data"));
                if (!attributes.hasAttribute(QLatin1String("data"))) {
                    mms.parts.append(part);
                } else if (m_filter.take(key, part.data) && part.data) {
                    lastKey = std::max(lastKey, key.trimmed().mid(1).toLongLong());
                    mms.parts.append(part);
                } else {
                    ++mms.partsLeftOut;
                }
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Invalid:
            fail();
        default:
            break;
        }
    }
    m_filter.dropUpTo(lastKey);
    if (!usable) {
        ++m_unusableMMS;
        return false;
    }
    // The text an MMS is stored and searched by falls under the rule for every message text.
    if (bodyOverLimit(mmsText(mms))) {
        ++m_overLimit;
        return false;
    }
    if (mms.partsLeftOut > 0) {
        m_partsLeftOut += mms.partsLeftOut;
        ++m_mmsWithPartsLeftOut;
    }
    return true;
}

void XMLBackupReader::readToEnd()
{
    // Anything after the root but comments and white space makes the file malformed.
    while (!m_xml.atEnd()) {
        if (m_xml.readNext() == QXmlStreamReader::Invalid)
            fail();
    }
}

void XMLBackupReader::fail() const
{
    // The filter ends the data early where it refuses the file; the XML reader then sees an
    // unfinished document, and the filter's reason is the one to give.
    if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
        const auto* file = qobject_cast<const QFileDevice*>(m_file);
        if (file && file->error() != QFileDevice::NoError)
            throw std::runtime_error(file->errorString().toUtf8().toStdString());
        if (m_device.error() == SurrogateJoiningDevice::Error::RunTooLong)
            failAt(tr("IDS_XML_RUN_TOO_LONG_%1")
                       .arg(SurrogateJoiningDevice::MAX_RUN_BYTES / (1024 * 1024)),
                   m_device.errorLine(), m_device.errorColumn());
    }
    failAt(m_xml.errorString());
}

void XMLBackupReader::failAt(const QString& reason) const
{
    failAt(reason, m_xml.lineNumber(), m_xml.columnNumber());
}

void XMLBackupReader::failAt(const QString& reason, qint64 line, qint64 column) const
{
    throw std::runtime_error(
        tr("IDS_XML_ERROR_AT_%1_%2_%3").arg(line).arg(column).arg(reason).toUtf8().toStdString());
}
