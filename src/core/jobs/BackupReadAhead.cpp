#include "core/jobs/BackupReadAhead.h"

#include <QTcpSocket>

#include "core/device/SMSRecord.h"
#include "core/device/SimpleProtocol.h"
#include "core/frame/BodyLimit.h"
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
    m_pieces.stop();
    m_thread->requestInterruption(); // every wait of the reading is sliced
    m_thread->wait();
}

bool BackupReadAhead::next(Piece& piece)
{
    return m_pieces.next(piece);
}

void BackupReadAhead::push(Piece& piece)
{
    const int total = piece.total;
    if (!m_pieces.push(std::move(piece)))
        throw Cancellation::Cancelled(); // the job has gone
    piece = Piece();
    piece.total = total;
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
    m_pieces.finish(failure);
}

void BackupReadAhead::converse()
{
    for (;;) {
        Cancellation::throwIfRequested();
        const QByteArray line = awaitReplyBytes(&m_socket);
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
            const QByteArray line = awaitReplyBytes(&m_socket);
            if (line.startsWith("$sms:")) {
                // In UTC: storing needs no time zone.
                SMSInfo sms =
                    parseSMSRecordFrom(&m_socket, QByteArrayView(line).sliced(5), RecordDate::Utc);
                if (bodyOverLimit(sms.body))
                    ++piece.overLimit;
                else
                    piece.messages.append(std::move(sms));
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
