#pragma once

#include <QList>
#include <QThread>
#include <memory>

#include "core/frame/ReadAheadQueue.h"
#include "core/frame/SMSInfo.h"

class QTcpSocket;

// Reads the phone's side of a backup on a thread of its own: the records of each batch, the
// acknowledgement after its "$end:", until "$bye:". The job stores what was read meanwhile, so
// reading (and the phone's way to the next batch) and storing take a core each. The lines on
// the wire are the same as when one thread did both; only the acknowledgement of a batch may go
// out before its records are stored, which changes nothing, as the job stores all or nothing.
// At most MAX_PIECES pieces wait, so memory stays flat.
class BackupReadAhead
{
public:
    static constexpr int MAX_PIECES = 16;

    // Records as the phone sent them: a whole batch, or the part of one that had come when the
    // reader had to wait for more.
    struct Piece
    {
        QList<SMSInfo> messages; // dates in UTC
        int total = 0;           // the phone's "$count:" when they were read
        bool batchEnd = false;   // the batch's "$end:" followed (and was acknowledged)
        int overLimit = 0;       // records left out for a text over MAX_BODY_BYTES
    };

    // Takes over the connected socket, which must have no parent and belong to the calling
    // thread, and starts reading.
    explicit BackupReadAhead(QTcpSocket& socket);
    // Stops the reading, waits for its thread and gives the socket back to the calling thread.
    ~BackupReadAhead();
    BackupReadAhead(const BackupReadAhead&) = delete;
    BackupReadAhead& operator=(const BackupReadAhead&) = delete;

    // The next piece; false after "$bye:". Waits in slices, so it throws Cancellation::Cancelled
    // when the calling job is cancelled; once the pieces read before it are taken, rethrows the
    // failure of the reading (socket, record fault, the phone's error line).
    bool next(Piece& piece);

private:
    void read();
    void converse();
    void readBatch();
    // Hands the piece over and leaves an empty one of the same total; throws
    // Cancellation::Cancelled when the job has gone.
    void push(Piece& piece);

    QTcpSocket& m_socket;
    QThread* const m_home; // where the socket goes back to
    int m_total = 0;       // reading thread only
    ReadAheadQueue<Piece> m_pieces{MAX_PIECES};
    std::unique_ptr<QThread> m_thread; // last: started once everything above exists
};
