#pragma once

#include <QString>
#include <functional>
#include <memory>

class QTcpSocket;

// Where the phone service is reached: over USB through a forwarded port on 127.0.0.1, or over
// WiFi at the phone's address. Constructing one proves the service answers (hello exchange).
class DeviceConnection
{
public:
    static constexpr quint16 COMMAND_PORT = 42580;
    static constexpr int CONNECT_TIMEOUT_MS = 10000;

    // Runs the hello exchange; throws the protocol's exceptions when it fails.
    DeviceConnection(const QString& serial, const QString& host, bool isUsb);

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

// The process-wide current connection, or empty. A shared copy keeps it alive for the holder.
std::shared_ptr<DeviceConnection> currentConnection();

// Builds a new connection (hello included) and makes it current; on failure the previous one
// stays current and the exception propagates. The incoming-message listener is stopped before
// the previous connection is released and restarted afterwards.
void setConnection(const QString& serial, const QString& host, bool isUsb);

// The current connection; without one and with askUser, the connection dialog runs first.
// The pointer stays valid until the next successful connect.
DeviceConnection* ensureConnection(bool askUser);

// How the connection code reaches the incoming-message listener, which lives in a layer
// above. Either function may be empty.
void setListenerHooks(std::function<void()> stopListener, std::function<void()> restartListener);

// Forgets the current connection (program exit, tests); stops the listener first.
void clearConnection();
