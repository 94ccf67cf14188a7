#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

class QAbstractSocket;
class QIODevice;

// The line protocol spoken with the phone service: lines of Latin-1 bytes ended by a line
// feed, keyword lines "$name:payload", free text as Base64 of UTF-8.

namespace simpleprotocol {

// The socket failed: no connection, a failed write or flush, no data, an empty line, or a
// line too long to be a protocol line.
class SocketDataTransferException : public std::runtime_error
{
public:
    explicit SocketDataTransferException(const QString& message);
};

// A line longer than MAX_LINE_BYTES: a socket failure, but never a read time-out.
class LineTooLongException : public SocketDataTransferException
{
public:
    using SocketDataTransferException::SocketDataTransferException;
};

// The phone said nothing for the silence limit (see phoneSilenceLimitMs): the program gave up.
class PhoneSilentException : public SocketDataTransferException
{
public:
    explicit PhoneSilentException(int limitMs);
};

// The peer answered with an error line; the message is the peer's decoded text.
class RemoteException : public std::runtime_error
{
public:
    explicit RemoteException(const QString& message);
};

// The program could not accept what the peer sent. Building it tells the peer with an error
// line first (a failing write throws SocketDataTransferException instead).
class LocalException : public std::runtime_error
{
public:
    LocalException(QIODevice* socket, const QString& message);
};

} // namespace simpleprotocol

// Prefix of an error line in both directions.
inline constexpr const char* ERROR_PREFIX = "$error:";

// Longest line accepted from the peer (bytes before the line feed), so that a faulty peer
// cannot exhaust memory.
inline constexpr qint64 MAX_LINE_BYTES = 16 * 1024 * 1024;

// How long the program waits for the phone to say something where no one can press Cancel
// (the command line's --timeout): the connection, the hello, each line, each acknowledgement.
// -1, the default, waits as long as the phone keeps the connection open; the window's waits
// have Cancel instead. Process-wide, so that every thread of a job sees it.
void setPhoneSilenceLimitMs(int ms);
int phoneSilenceLimitMs();

// Every wait below runs in slices of at most 100 ms and throws Cancellation::Cancelled when the
// calling thread's job is cancelled (see core/frame/Cancellation.h).

// Connects the socket within timeoutMs; throws SocketDataTransferException with the socket's
// error text when it fails or the time runs out.
void connectSocket(QAbstractSocket& socket, const QString& host, quint16 port, int timeoutMs);
// Waits until everything written has gone out (each piece within timeoutMs).
void waitForWritten(QAbstractSocket& socket, int timeoutMs);

// One line without its line end; carriage returns are dropped. Waits at most timeoutMs for
// each arrival of data (-1: no limit). Throws SocketDataTransferException with the device's
// error text when the wait fails, or LineTooLongException when the line exceeds
// MAX_LINE_BYTES. A line that is not complete when a wait times out stays unread for the next
// call.
QString readLine(QIODevice* device, int timeoutMs);
// One line that is neither empty ("Null command.") nor an error line (RemoteException).
QString readReply(QIODevice* device, int timeoutMs);
// The same as bytes, each a Latin-1 character, without converting them.
QByteArray readLineBytes(QIODevice* device, int timeoutMs);
QByteArray readReplyBytes(QIODevice* device, int timeoutMs);
// readReply and readReplyBytes waiting at most the silence limit for each arrival of data;
// throw PhoneSilentException when it runs out.
QString awaitReply(QIODevice* device);
QByteArray awaitReplyBytes(QIODevice* device);
// connectSocket within timeoutMs, or within the silence limit when that is shorter
// (PhoneSilentException when it runs out).
void connectToPhone(QAbstractSocket& socket, const QString& host, quint16 port, int timeoutMs);
// The check readReply makes, for a line already read: returns it or throws.
QString checkReply(const QString& line);
// Writes the text as Latin-1 up to its first NUL, no line end.
void writeText(QIODevice* device, const QString& text);
// Writes prefix (when not empty), payload and a line feed; flushes a socket when asked.
void writeCommand(QIODevice* socket, const QString& prefix, const QString& payload, bool flush);
void writeLine(QIODevice* socket, const QString& payload, bool flush);
