#pragma once

#include <QByteArray>
#include <QString>

#include "core/device/LineTooLongException.h"
#include "core/device/LocalException.h"
#include "core/device/PhoneSilentException.h"
#include "core/device/RemoteException.h"
#include "core/device/SocketDataTransferException.h"

class QAbstractSocket;
class QIODevice;

// The line protocol spoken with the phone service: lines of Latin-1 bytes ended by a line
// feed, keyword lines "$name:payload", free text as Base64 of UTF-8.

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
