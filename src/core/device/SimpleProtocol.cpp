#include "core/device/SimpleProtocol.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QIODevice>
#include <QTimer>
#include <atomic>

#include "core/frame/Cancellation.h"

using simpleprotocol::PhoneSilentException;
using simpleprotocol::SocketDataTransferException;

namespace {

std::atomic<int> g_phoneSilenceLimitMs{-1};

// Keeps a partly received line in the device's buffer when a wait fails, so that a later
// call (after a read time-out) starts from the beginning of that line.
class ReadTransaction
{
public:
    explicit ReadTransaction(QIODevice* device)
        : m_device(device), m_owned(!device->isTransactionStarted())
    {
        if (m_owned)
            m_device->startTransaction();
    }
    ~ReadTransaction()
    {
        if (m_owned && m_device->isTransactionStarted())
            m_device->rollbackTransaction();
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

    void commit()
    {
        if (m_owned)
            m_device->commitTransaction();
    }

private:
    QIODevice* m_device;
    bool m_owned;
};

// A wait that ran out on a live socket is a time-out, worth another slice; a closed or failed
// one is not.
Cancellation::Slice socketSlice(QAbstractSocket* socket, bool done)
{
    if (done)
        return Cancellation::Slice::Done;
    if (socket && socket->error() == QAbstractSocket::SocketTimeoutError &&
        socket->state() != QAbstractSocket::UnconnectedState)
        return Cancellation::Slice::Pending;
    return Cancellation::Slice::Failed;
}

bool waitForData(QIODevice* device, int timeoutMs)
{
    auto* socket = qobject_cast<QAbstractSocket*>(device);
    return Cancellation::wait(
        timeoutMs, [&](int slice) { return socketSlice(socket, device->waitForReadyRead(slice)); });
}

// Lines are taken out of the device's buffer in pieces of at most this many bytes, so that a
// short line does not cost a buffer as large as everything received.
constexpr qint64 READ_PIECE_BYTES = 4096;

QByteArray lineBytes(QByteArray& bytes)
{
    if (bytes.contains('\r'))
        bytes.replace("\r", "");
    return bytes;
}

// Throws RemoteException for an error line, SocketDataTransferException for an empty one.
void checkReplyBytes(const QByteArray& line)
{
    if (line.isEmpty())
        throw SocketDataTransferException(QStringLiteral("Null command."));
    const QByteArrayView errorPrefix(ERROR_PREFIX);
    if (line.startsWith(errorPrefix)) {
        const QByteArray decoded = QByteArray::fromBase64(line.mid(errorPrefix.size()));
        throw simpleprotocol::RemoteException(QString::fromUtf8(decoded));
    }
}

} // namespace

QByteArray readLineBytes(QIODevice* device, int timeoutMs)
{
    ReadTransaction transaction(device);
    QByteArray line;
    for (;;) {
        const qint64 available = device->bytesAvailable();
        if (available > 0) {
            // At most one byte more than the limit allows, to tell "too long" from "just fits".
            const qint64 room = MAX_LINE_BYTES + 1 - line.size();
            const qint64 want = qMin(qMin(available, room), READ_PIECE_BYTES);
            const qsizetype old = line.size();
            line.resize(old + want + 1);
            const qint64 got = device->readLine(line.data() + old, want + 1);
            line.resize(old + qMax<qint64>(got, 0));
            if (line.endsWith('\n')) {
                transaction.commit();
                line.chop(1);
                return lineBytes(line);
            }
            if (line.size() > MAX_LINE_BYTES) {
                transaction.commit();
                throw simpleprotocol::LineTooLongException(
                    QStringLiteral("Received a line longer than %1 bytes.").arg(MAX_LINE_BYTES));
            }
            if (got > 0)
                continue;
        }
        if (!waitForData(device, timeoutMs))
            throw SocketDataTransferException(device->errorString());
    }
}

QString readLine(QIODevice* device, int timeoutMs)
{
    return QString::fromLatin1(readLineBytes(device, timeoutMs));
}

QByteArray readReplyBytes(QIODevice* device, int timeoutMs)
{
    QByteArray line = readLineBytes(device, timeoutMs);
    checkReplyBytes(line);
    return line;
}

void connectSocket(QAbstractSocket& socket, const QString& host, quint16 port, int timeoutMs)
{
    // waitForConnected cannot be sliced: a wait that times out aborts the attempt. The thread's
    // own event loop runs the attempt instead, looking at the cancel request every slice.
    QEventLoop loop;
    QObject::connect(&socket, &QAbstractSocket::connected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
    QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                          : QDeadlineTimer(timeoutMs));
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (Cancellation::requested() || deadline.hasExpired())
            loop.quit();
    });
    tick.start(Cancellation::SLICE_MS);
    socket.connectToHost(host, port, QIODevice::ReadWrite);
    if (socket.state() != QAbstractSocket::ConnectedState &&
        socket.state() != QAbstractSocket::UnconnectedState)
        loop.exec();
    if (socket.state() == QAbstractSocket::ConnectedState)
        return;
    const bool timedOut = socket.error() == QAbstractSocket::UnknownSocketError;
    const QString text =
        timedOut ? QStringLiteral("Socket operation timed out") : socket.errorString();
    socket.abort();
    Cancellation::throwIfRequested();
    throw SocketDataTransferException(text);
}

void waitForWritten(QAbstractSocket& socket, int timeoutMs)
{
    while (socket.bytesToWrite() > 0) {
        const bool written = Cancellation::wait(timeoutMs, [&](int slice) {
            return socketSlice(&socket, socket.waitForBytesWritten(slice));
        });
        if (!written)
            throw SocketDataTransferException(socket.errorString());
    }
}

void setPhoneSilenceLimitMs(int ms)
{
    g_phoneSilenceLimitMs = ms;
}

int phoneSilenceLimitMs()
{
    return g_phoneSilenceLimitMs.load();
}

QByteArray awaitReplyBytes(QIODevice* device)
{
    const int limit = phoneSilenceLimitMs();
    try {
        return readReplyBytes(device, limit);
    } catch (const simpleprotocol::LineTooLongException&) {
        throw;
    } catch (const SocketDataTransferException&) {
        // Only a wait that ran out on a live connection is silence.
        auto* socket = qobject_cast<QAbstractSocket*>(device);
        if (limit >= 0 && socket && socket->error() == QAbstractSocket::SocketTimeoutError &&
            socket->state() == QAbstractSocket::ConnectedState)
            throw PhoneSilentException(limit);
        throw;
    }
}

QString awaitReply(QIODevice* device)
{
    return QString::fromLatin1(awaitReplyBytes(device));
}

void connectToPhone(QAbstractSocket& socket, const QString& host, quint16 port, int timeoutMs)
{
    const int limit = phoneSilenceLimitMs();
    if (limit < 0 || limit >= timeoutMs) {
        connectSocket(socket, host, port, timeoutMs);
        return;
    }
    QElapsedTimer waited;
    waited.start();
    try {
        connectSocket(socket, host, port, limit);
    } catch (const SocketDataTransferException&) {
        if (waited.elapsed() >= limit)
            throw PhoneSilentException(limit);
        throw;
    }
}

QString readReply(QIODevice* device, int timeoutMs)
{
    return QString::fromLatin1(readReplyBytes(device, timeoutMs));
}

QString checkReply(const QString& line)
{
    checkReplyBytes(line.toLatin1());
    return line;
}

void writeText(QIODevice* device, const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    if (device->write(bytes.constData(), qstrnlen(bytes.constData(), bytes.size())) == -1)
        throw SocketDataTransferException(device->errorString());
}

void writeCommand(QIODevice* socket, const QString& prefix, const QString& payload, bool flush)
{
    if (!prefix.isEmpty())
        writeText(socket, prefix);
    writeText(socket, payload);
    writeText(socket, QStringLiteral("\n"));
    if (!flush)
        return;
    auto* abstractSocket = qobject_cast<QAbstractSocket*>(socket);
    // flush() also says false when everything had gone out already or the system's buffer is
    // full for the moment; a failed write closes the socket.
    if (abstractSocket && !abstractSocket->flush() &&
        abstractSocket->state() != QAbstractSocket::ConnectedState)
        throw SocketDataTransferException(socket->errorString());
}

void writeLine(QIODevice* socket, const QString& payload, bool flush)
{
    writeCommand(socket, QString(), payload, flush);
}
