#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

// A connected pair of loopback sockets in one thread: the program's side and the peer's.
struct SocketPair
{
    QTcpServer server;
    QTcpSocket client;
    std::unique_ptr<QTcpSocket> peer;

    bool open(const QString& address)
    {
        if (!server.listen(QHostAddress(address), 0))
            return false;
        client.connectToHost(address, server.serverPort());
        if (!client.waitForConnected(5000) || !server.waitForNewConnection(5000))
            return false;
        peer.reset(server.nextPendingConnection());
        return peer != nullptr;
    }

    // Sends from the peer's side and lets the bytes reach the program's socket.
    void send(const QByteArray& bytes)
    {
        peer->write(bytes);
        while (peer->bytesToWrite() > 0 && peer->waitForBytesWritten(5000)) {
        }
    }

    // What the program's side wrote, as far as it has arrived.
    QByteArray received(qsizetype atLeast)
    {
        QByteArray data = peer->readAll();
        while (data.size() < atLeast && peer->waitForReadyRead(5000))
            data += peer->readAll();
        return data;
    }
};
