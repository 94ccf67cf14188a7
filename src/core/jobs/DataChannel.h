#pragma once

#include <QString>
#include <memory>

class DeviceConnection;
class QTcpSocket;

// The two connections of every phone job: the request on the command port, then the job's
// own data port (forwarded first over USB).
namespace DataChannel {

// Sends requestPattern with %1 = port on the command port; over USB forwards the port.
void request(const DeviceConnection& connection, QTcpSocket& requestSocket,
             const QString& requestPattern, quint16 port);
// Connects the data socket within the connect time-out; throws the socket's error text.
void connect(const DeviceConnection& connection, QTcpSocket& data, quint16 port);
// The whole opening of a phone job on the current connection: the request, the fixed wait for
// the phone's service to open its port, then the data socket. Returns the connection, to be held
// for the job's run so that a new connection cannot take it away meanwhile. Throws without a
// connection, and as request and connect do.
std::shared_ptr<DeviceConnection> open(QTcpSocket& requestSocket, QTcpSocket& data,
                                       const QString& requestPattern, quint16 port);
// Lets everything written go out, then closes the connection.
void finish(QTcpSocket& data);

} // namespace DataChannel
