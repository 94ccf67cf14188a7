#pragma once

// A phone service of the test's own, in the test's thread, for line sequences the simulator
// does not produce. It answers hellos, takes requests, and plays a script on a data port.
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QtTest>
#include <memory>

#include "device/DeviceConnection.h"

namespace synctest {

class MiniPhone : public QObject
{
public:
    bool listen(const QString& address, quint16 dataPort)
    {
        m_address = address;
        connect(&m_command, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_command.nextPendingConnection()) {
                requests.append(socket);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    while (socket->canReadLine()) {
                        const QByteArray line = socket->readLine();
                        commandLines += line;
                        if (line.startsWith("hello://"))
                            socket->write("$hello:\n");
                        else if (line.startsWith("sendsms://"))
                            socket->setProperty("sending", true);
                        else if (socket->property("sending").toBool() && !line.startsWith("$"))
                            socket->write(sendReply);
                    }
                });
            }
        });
        connect(&m_data, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_data.nextPendingConnection())
                admit(socket);
        });
        return m_command.listen(QHostAddress(address), DeviceConnection::COMMAND_PORT) &&
               m_data.listen(QHostAddress(address), dataPort);
    }

    // Makes this phone the current connection. The hello blocks its thread until the answer
    // comes, and the answer comes from this thread: connect from a helper thread.
    void becomeCurrent()
    {
        const QString address = m_address;
        std::unique_ptr<QThread> connecting(
            QThread::create([address] { setConnection(address, address, false); }));
        connecting->start();
        QTRY_VERIFY(connecting->isFinished());
    }

    // The first part goes out when a data connection comes, each further part after an
    // acknowledgement ("$batch:") from the program.
    void setScript(const QList<QByteArray>& parts)
    {
        m_script = parts;
        m_position = 0;
        receivedOnData.clear();
    }

    void send(int connection, const QByteArray& bytes)
    {
        dataConnections[connection]->write(bytes);
        dataConnections[connection]->flush();
    }

    // What a send request's message line is answered with.
    QByteArray sendReply;
    // Every line the command port received.
    QByteArray commandLines;
    QList<QTcpSocket*> requests;
    QList<QTcpSocket*> dataConnections;
    QByteArray receivedOnData;

private:
    void admit(QTcpSocket* socket)
    {
        dataConnections.append(socket);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine();
                receivedOnData += line;
                if (line == "$batch:\n")
                    playNext(socket);
            }
        });
        playNext(socket);
    }
    void playNext(QTcpSocket* socket)
    {
        if (m_position < m_script.size())
            socket->write(m_script[m_position++]);
    }

    QString m_address;
    QTcpServer m_command;
    QTcpServer m_data;
    QList<QByteArray> m_script;
    int m_position = 0;
};

} // namespace synctest
