#include "core/files/XMLBackupReader.h"

#include <QFileDevice>
#include <stdexcept>

#include "core/frame/BodyLimit.h"
#include "core/frame/Cancellation.h"

XMLBackupReader::XMLBackupReader(QIODevice* file) : m_file(file), m_device(file)
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
    return sentences.join(QLatin1Char(' '));
}

bool XMLBackupReader::next(SMSInfo& sms)
{
    if (m_done)
        return false;
    if (!m_inRoot)
        readRoot();
    for (;;) {
        // A file may hold any number of records to skip before the next message.
        Cancellation::throwIfRequested();
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringView name = m_xml.name();
            bool handOut = false;
            if (name == u"sms") {
                ++m_elements;
                handOut = readSMS(sms);
            } else if (name == u"mms") {
                ++m_elements;
                ++m_mms;
            }
            m_xml.skipCurrentElement();
            if (m_xml.hasError())
                fail();
            countReplacements();
            if (handOut)
                return true;
            break;
        }
        case QXmlStreamReader::EndElement: // of the root
            readToEnd();
            m_done = true;
            return false;
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
