#pragma once

#include <QString>

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
// Lets everything written go out, then closes the connection.
void finish(QTcpSocket& data);

} // namespace DataChannel
