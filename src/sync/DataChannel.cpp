#include "sync/DataChannel.h"

#include <QTcpSocket>

#include "device/AdbBridge.h"
#include "device/DeviceConnection.h"
#include "device/SimpleProtocol.h"

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
    data.connectToHost(connection.host(), port, QIODevice::ReadWrite);
    if (!data.waitForConnected(DeviceConnection::CONNECT_TIMEOUT_MS))
        throw simpleprotocol::SocketDataTransferException(data.errorString());
}

void finish(QTcpSocket& data)
{
    // Destroying a socket drops what it has not sent yet.
    while (data.bytesToWrite() > 0) {
        if (!data.waitForBytesWritten(DeviceConnection::CONNECT_TIMEOUT_MS))
            throw simpleprotocol::SocketDataTransferException(data.errorString());
    }
    data.disconnectFromHost();
}

} // namespace DataChannel
