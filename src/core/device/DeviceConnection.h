#pragma once

#include <QString>
#include <memory>

class QTcpSocket;

// Where the phone service is reached: over USB through a forwarded port on 127.0.0.1, or over
// WiFi at the phone's address. Constructing one proves the service answers (hello exchange).
class DeviceConnection
{
public:
    static constexpr quint16 COMMAND_PORT = 42580;
    static constexpr int CONNECT_TIMEOUT_MS = 10000;

    // Runs the hello exchange on the calling thread; throws the protocol's exceptions when it
    // fails, Cancellation::Cancelled when the calling job is cancelled. The hello waits for the
    // phone's answer as long as the silence limit allows (phoneSilenceLimitMs).
    DeviceConnection(const QString& serial, const QString& host, bool isUsb);

    // A WiFi address as the user types it: four dotted numbers at the start; whatever follows
    // is left to the connection attempt.
    static bool isWifiAddress(const QString& host);

    QString host() const { return m_host; }
    QString serial() const { return m_serial; }
    bool isUsb() const { return m_isUsb; }

    // Connects the socket to the command port (at most 10 s) and sends the request line.
    void open(QTcpSocket& socket, const QString& requestLine) const;

private:
    void hello() const;

    QString m_host;
    QString m_serial;
    bool m_isUsb;
};

// The process-wide current connection, or empty. A shared copy keeps it alive for the holder
// (a job or the listener holds one for its whole run).
std::shared_ptr<DeviceConnection> currentConnection();

// Builds a new connection (hello included) and makes it current; on failure the previous one
// stays current and the exception propagates. Whoever listens for incoming messages restarts
// its listener afterwards.
void setConnection(const QString& serial, const QString& host, bool isUsb);

// Forgets the current connection (program exit, tests).
void clearConnection();
