#include "core/device/DeviceConnection.h"

#include <QRegularExpression>
#include <QTcpSocket>
#include <mutex>

#include "core/device/SimpleProtocol.h"

namespace {

struct ConnectionState
{
    std::mutex mutex; // workers read the pointer from their own threads
    std::shared_ptr<DeviceConnection> current;
};

ConnectionState& state()
{
    static ConnectionState s;
    return s;
}

void replaceCurrent(std::shared_ptr<DeviceConnection> next)
{
    std::shared_ptr<DeviceConnection> previous;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        previous = std::exchange(state().current, std::move(next));
    }
    // The previous connection goes here unless a running job still holds it.
}

} // namespace

DeviceConnection::DeviceConnection(const QString& serial, const QString& host, bool isUsb)
    : m_host(host), m_serial(serial), m_isUsb(isUsb)
{
    hello();
}

bool DeviceConnection::isWifiAddress(const QString& host)
{
    static const QRegularExpression address(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+"));
    return address.match(host).hasMatch();
}

void DeviceConnection::open(QTcpSocket& socket, const QString& requestLine) const
{
    connectToPhone(socket, m_host, COMMAND_PORT, CONNECT_TIMEOUT_MS);
    socket.write((requestLine + QLatin1Char('\n')).toUtf8());
    socket.flush();
}

void DeviceConnection::hello() const
{
    QTcpSocket socket;
    open(socket, QStringLiteral("hello://127.0.0.1/"));
    // Waits as long as the service keeps the connection open without answering, or until the
    // silence limit runs out.
    awaitReply(&socket);
}

std::shared_ptr<DeviceConnection> currentConnection()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().current;
}

void setConnection(const QString& serial, const QString& host, bool isUsb)
{
    replaceCurrent(std::make_shared<DeviceConnection>(serial, host, isUsb));
}

void clearConnection()
{
    replaceCurrent(nullptr);
}
