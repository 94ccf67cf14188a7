#include "core/sync/BackupReadAhead.h"

#include <QTcpSocket>
#include <chrono>

#include "core/device/SMSRecord.h"
#include "core/device/SimpleProtocol.h"
#include "core/frame/Cancellation.h"

BackupReadAhead::BackupReadAhead(QTcpSocket& socket)
    : m_socket(socket), m_home(QThread::currentThread()),
      m_thread(QThread::create([this] { read(); }))
{
    // A socket is used on one thread only: the reading one, until it is done.
    m_socket.moveToThread(m_thread.get());
    m_thread->start();
}

BackupReadAhead::~BackupReadAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    m_changed.notify_all();
    m_thread->requestInterruption(); // every wait of the reading is sliced
    m_thread->wait();
}

bool BackupReadAhead::ready() const
{
    return !m_pieces.empty() || m_finished || m_failure;
}

bool BackupReadAhead::next(Piece& piece)
{
    std::unique_lock lock(m_mutex);
    Cancellation::wait(-1, [&](int sliceMs) {
        if (!ready())
            m_changed.wait_for(lock, std::chrono::milliseconds(sliceMs));
        return ready() ? Cancellation::Slice::Done : Cancellation::Slice::Pending;
    });
    if (m_pieces.empty()) {
        if (m_failure)
            std::rethrow_exception(m_failure);
        return false; // "$bye:"
    }
    piece = std::move(m_pieces.front());
    m_pieces.pop_front();
    lock.unlock();
    m_changed.notify_all();
    return true;
}

void BackupReadAhead::push(Piece& piece)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stopped || m_pieces.size() < MAX_PIECES; });
    if (m_stopped)
        throw Cancellation::Cancelled(); // the job has gone
    const int total = piece.total;
    m_pieces.push_back(std::move(piece));
    piece = Piece();
    piece.total = total;
    lock.unlock();
    m_changed.notify_all();
}

void BackupReadAhead::read()
{
    std::exception_ptr failure;
    try {
        converse();
    } catch (...) {
        failure = std::current_exception();
    }
    m_socket.moveToThread(m_home);
    {
        const std::lock_guard lock(m_mutex);
        m_failure = failure;
        m_finished = true;
    }
    m_changed.notify_all();
}

void BackupReadAhead::converse()
{
    for (;;) {
        Cancellation::throwIfRequested();
        const QByteArray line = readReplyBytes(&m_socket, -1);
        if (line.startsWith("$count:"))
            m_total = QString::fromLatin1(line.mid(7)).toInt(nullptr, 10);
        else if (line.startsWith("$batch:"))
            readBatch();
        else if (line.startsWith("$bye:"))
            return;
    }
}

void BackupReadAhead::readBatch()
{
    Piece piece;
    piece.total = m_total;
    try {
        for (;;) {
            Cancellation::throwIfRequested();
            // What came so far goes to the job before the reader waits for more.
            if (!piece.messages.isEmpty() && !m_socket.canReadLine())
                push(piece);
            const QByteArray line = readReplyBytes(&m_socket, -1);
            if (line.startsWith("$sms:")) {
                // In UTC: storing needs no time zone.
                piece.messages.append(
                    parseSMSRecordFrom(&m_socket, QByteArrayView(line).sliced(5), RecordDate::Utc));
            } else if (line.startsWith("$end:")) {
                writeCommand(&m_socket, QStringLiteral("$batch:"), QString(), true);
                piece.batchEnd = true;
                push(piece);
                return;
            }
        }
    } catch (const Cancellation::Cancelled&) {
        throw;
    } catch (...) {
        // The records before a failure reach the job first, as they did when it read them.
        if (!piece.messages.isEmpty())
            push(piece);
        throw;
    }
}
