#include "core/files/XMLReadAhead.h"

#include <QFile>
#include <chrono>
#include <stdexcept>

#include "core/files/XMLBackupReader.h"
#include "core/frame/Cancellation.h"

XMLReadAhead::XMLReadAhead(const QString& fileName)
    : m_fileName(fileName), m_thread(QThread::create([this] { read(); }))
{
    m_thread->start();
}

XMLReadAhead::~XMLReadAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    m_changed.notify_all();
    m_thread->requestInterruption(); // the reader stops between records
    m_thread->wait();
}

bool XMLReadAhead::ready() const
{
    return !m_batches.empty() || m_finished || m_failure;
}

bool XMLReadAhead::next(Batch& batch)
{
    std::unique_lock lock(m_mutex);
    Cancellation::wait(-1, [&](int sliceMs) {
        if (!ready())
            m_changed.wait_for(lock, std::chrono::milliseconds(sliceMs));
        return ready() ? Cancellation::Slice::Done : Cancellation::Slice::Pending;
    });
    if (m_failure)
        std::rethrow_exception(m_failure);
    if (m_batches.empty())
        return false; // finished
    batch = std::move(m_batches.front());
    m_batches.pop_front();
    lock.unlock();
    m_changed.notify_all();
    return true;
}

QString XMLReadAhead::skippedSummary() const
{
    const std::lock_guard lock(m_mutex);
    return m_summary;
}

qint64 XMLReadAhead::skippedCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_skipped;
}

bool XMLReadAhead::push(Batch&& batch)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stopped || m_batches.size() < MAX_BATCHES; });
    if (m_stopped)
        return false;
    m_batches.push_back(std::move(batch));
    lock.unlock();
    m_changed.notify_all();
    return true;
}

void XMLReadAhead::read()
{
    try {
        QFile file(m_fileName);
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error(file.errorString().toUtf8().toStdString());
        XMLBackupReader reader(&file);
        SMSInfo sms;
        for (bool more = true; more;) {
            Batch batch;
            batch.messages.reserve(BATCH_SIZE);
            while (batch.messages.size() < BATCH_SIZE && (more = reader.next(sms)))
                batch.messages.append(sms);
            batch.position = file.pos();
            batch.elements = reader.elementsRead();
            batch.declaredCount = reader.declaredCount();
            if (!push(std::move(batch)))
                return;
        }
        const std::lock_guard lock(m_mutex);
        m_summary = reader.skippedSummary();
        m_skipped = reader.skippedOtherTypes() + reader.skippedMMS() + reader.skippedInvalidDates();
        m_finished = true;
    } catch (const std::exception&) {
        const std::lock_guard lock(m_mutex);
        m_failure = std::current_exception();
    }
    m_changed.notify_all();
}
