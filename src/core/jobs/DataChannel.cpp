#include "core/jobs/DataChannel.h"

#include <QTcpSocket>
#include <stdexcept>

#include "core/device/AdbBridge.h"
#include "core/device/DeviceConnection.h"
#include "core/device/SimpleProtocol.h"
#include "core/frame/Cancellation.h"
#include "core/jobs/PhoneJobTimings.h"

namespace DataChannel {

void request(const DeviceConnection& connection, QTcpSocket& requestSocket,
             const QString& requestPattern, quint16 port)
{
    connection.open(requestSocket, requestPattern.arg(port));
    if (connection.isUsb()) {
        AdbBridge bridge;
        bridge.forward(connection.serial(), port, port);
    }
}

void connect(const DeviceConnection& connection, QTcpSocket& data, quint16 port)
{
    connectToPhone(data, connection.host(), port, DeviceConnection::CONNECT_TIMEOUT_MS);
}

std::shared_ptr<DeviceConnection> open(QTcpSocket& requestSocket, QTcpSocket& data,
                                       const QString& requestPattern, quint16 port)
{
    std::shared_ptr<DeviceConnection> connection = currentConnection();
    if (!connection)
        throw std::runtime_error("No connection.");
    request(*connection, requestSocket, requestPattern, port);
    Cancellation::sleep(PhoneJobTimings::waitBeforeConnectMs());
    connect(*connection, data, port);
    return connection;
}

void finish(QTcpSocket& data)
{
    // Destroying a socket drops what it has not sent yet.
    waitForWritten(data, DeviceConnection::CONNECT_TIMEOUT_MS);
    data.disconnectFromHost();
}

} // namespace DataChannel
