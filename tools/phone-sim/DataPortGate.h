#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace phonesim {

class SimLogger;

// A data port: each request on the command port lets one connection through. A connection
// that comes before its request waits a while for it, then gets an error line and is closed.
class DataPortGate : public QObject
{
    Q_OBJECT
public:
    DataPortGate(const QString& kind, int port, int armTimeoutMs, SimLogger& logger,
                 QObject* parent);

    bool listen(const QHostAddress& address, QString* error);
    void arm();
    int port() const { return m_port; }

signals:
    void admitted(QTcpSocket* socket, const QString& name);

private:
    struct Waiting
    {
        QTcpSocket* socket;
        QString name;
        QTimer* timer;
    };
    void onNewConnection();
    void admit(QTcpSocket* socket, const QString& name);
    void refuse(QTcpSocket* socket, const QString& name);

    QString m_kind;
    int m_port;
    int m_armTimeoutMs;
    SimLogger& m_logger;
    QTcpServer* m_server;
    int m_armed = 0;
    int m_connections = 0;
    QList<Waiting> m_waiting;
};

} // namespace phonesim
