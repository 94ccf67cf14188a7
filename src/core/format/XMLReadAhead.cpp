#include "core/format/XMLReadAhead.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

#include "core/format/XMLBackupReader.h"
#include "core/frame/Cancellation.h"

XMLReadAhead::XMLReadAhead(const QString& fileName, bool readMMS)
    : m_fileName(fileName), m_readMMS(readMMS), m_thread(QThread::create([this] { read(); }))
{
    m_thread->start();
}

XMLReadAhead::~XMLReadAhead()
{
    m_batches.stop();
    m_thread->requestInterruption(); // the reader stops between records
    m_thread->wait();
}

bool XMLReadAhead::next(Batch& batch)
{
    return m_batches.next(batch);
}

QString XMLReadAhead::skippedSummary() const
{
    return m_summary;
}

qint64 XMLReadAhead::skippedCount() const
{
    return m_skipped;
}

void XMLReadAhead::read()
{
    try {
        QFile file(m_fileName);
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error(file.errorString().toUtf8().toStdString());
        XMLBackupReader reader(&file, m_readMMS);
        SMSInfo sms;
        MMSInfo mms;
        for (bool more = true; more;) {
            Batch batch;
            batch.messages.reserve(BATCH_SIZE);
            qint64 held = 0;
            while (batch.messages.size() + batch.mms.size() < BATCH_SIZE &&
                   held < BATCH_MMS_BYTES) {
                const XMLBackupReader::Record record = reader.nextRecord(sms, mms);
                more = record != XMLBackupReader::Record::None;
                if (!more)
                    break;
                if (record == XMLBackupReader::Record::SMS) {
                    batch.messages.append(sms);
                    continue;
                }
                for (const MMSPart& part : std::as_const(mms.parts))
                    held += part.data ? part.data->size() : 0;
                batch.mms.append(std::move(mms));
            }
            batch.position = file.pos();
            batch.elements = reader.elementsRead();
            batch.declaredCount = reader.declaredCount();
            if (!m_batches.push(std::move(batch)))
                return;
        }
        m_summary = reader.skippedSummary();
        m_skippedMMS = reader.skippedMMS();
        m_skipped = reader.skippedOtherTypes() + reader.skippedMMS() +
                    reader.skippedInvalidDates() + reader.skippedOverLimit() +
                    reader.skippedUnusableMMS();
        m_batches.finish();
    } catch (const Cancellation::Cancelled&) {
        m_batches.finish(std::current_exception());
    } catch (const std::exception& e) {
        // Named as the command line names a CSV file it cannot read.
        m_batches.finish(std::make_exception_ptr(std::runtime_error(
            QStringLiteral("%1: %2")
                .arg(QDir::toNativeSeparators(m_fileName), QString::fromUtf8(e.what()))
                .toUtf8()
                .toStdString())));
    }
}
