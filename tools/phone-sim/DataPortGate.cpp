#include "DataPortGate.h"

#include "SimLogger.h"
#include "WireText.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace phonesim {

DataPortGate::DataPortGate(const QString& kind, int port, int armTimeoutMs, SimLogger& logger,
                           QObject* parent)
    : QObject(parent), m_kind(kind), m_port(port), m_armTimeoutMs(armTimeoutMs), m_logger(logger),
      m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &DataPortGate::onNewConnection);
}

bool DataPortGate::listen(const QHostAddress& address, QString* error)
{
    if (m_server->listen(address, static_cast<quint16>(m_port)))
        return true;
    *error = QStringLiteral("%1 port %2: %3").arg(m_kind).arg(m_port).arg(m_server->errorString());
    return false;
}

void DataPortGate::arm()
{
    if (!m_waiting.isEmpty()) {
        const Waiting first = m_waiting.takeFirst();
        first.timer->deleteLater();
        admit(first.socket, first.name);
        return;
    }
    ++m_armed;
}

void DataPortGate::onNewConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        const QString name = QStringLiteral("%1#%2").arg(m_kind).arg(++m_connections);
        if (m_armed > 0) {
            --m_armed;
            admit(socket, name);
            continue;
        }
        m_logger.note(
            name,
            QStringLiteral("connected before its request; waiting %1 ms").arg(m_armTimeoutMs));
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, socket, name, timer] {
            for (qsizetype i = 0; i < m_waiting.size(); ++i) {
                if (m_waiting.at(i).socket == socket) {
                    m_waiting.removeAt(i);
                    break;
                }
            }
            timer->deleteLater();
            refuse(socket, name);
        });
        m_waiting.append({socket, name, timer});
        timer->start(m_armTimeoutMs);
    }
}

void DataPortGate::admit(QTcpSocket* socket, const QString& name)
{
    socket->setParent(nullptr);
    emit admitted(socket, name);
}

void DataPortGate::refuse(QTcpSocket* socket, const QString& name)
{
    const QByteArray line = errorLine(QStringLiteral("No request for this port."));
    m_logger.fault(name, QStringLiteral("no request came for this data connection"));
    m_logger.sent(name, line);
    socket->write(line + '\n');
    socket->disconnectFromHost();
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}

} // namespace phonesim
