#include "SessionBase.h"

#include "SimContext.h"
#include "SimLogger.h"
#include "SimOptions.h"

#include <QTcpSocket>

namespace phonesim {

namespace {
constexpr qsizetype kMaxLineBytes = 4 * 1024 * 1024;
}

SessionBase::SessionBase(QTcpSocket* socket, const QString& name, SimContext& context,
                         QObject* parent)
    : QObject(parent), m_socket(socket), m_name(name), m_context(context)
{
    m_socket->setParent(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &SessionBase::readLines);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        m_context.logger().note(m_name, QStringLiteral("connection closed"));
        handleClosed();
        deleteLater();
    });
    m_context.logger().note(m_name, QStringLiteral("connection from %1:%2")
                                        .arg(m_socket->peerAddress().toString())
                                        .arg(m_socket->peerPort()));
}

bool SessionBase::logsReceived(const QByteArray&) const
{
    return true;
}

void SessionBase::readLines()
{
    m_buffer += m_socket->readAll();
    qsizetype start = 0;
    while (!m_stopReading) {
        const qsizetype end = m_buffer.indexOf('\n', start);
        if (end < 0)
            break;
        const QByteArray line = m_buffer.mid(start, end - start);
        start = end + 1;
        if (logsReceived(line))
            m_context.logger().received(m_name, line);
        handleLine(line);
    }
    m_buffer.remove(0, start);
    if (m_buffer.size() > kMaxLineBytes && !m_stopReading) {
        fault(QStringLiteral("line longer than %1 bytes; connection dropped").arg(kMaxLineBytes));
        m_stopReading = true;
        m_socket->abort();
    }
}

void SessionBase::writeLine(const QByteArray& line, bool logIt)
{
    if (logIt)
        m_context.logger().sent(m_name, line);
    m_socket->write(line);
    m_socket->write("\n", 1);
}

void SessionBase::writeRaw(const QByteArray& bytes)
{
    m_socket->write(bytes);
}

bool SessionBase::takePeerError(const QByteArray& line)
{
    if (!line.startsWith("$error:"))
        return false;
    const QString text = QString::fromUtf8(QByteArray::fromBase64(line.mid(7)));
    m_context.logger().note(m_name, QStringLiteral("program reports error: %1").arg(text));
    m_context.announce(QStringLiteral("PEER-ERROR %1 %2").arg(m_name, text));
    return true;
}

void SessionBase::fault(const QString& text)
{
    m_context.logger().fault(m_name, text);
    m_context.announce(QStringLiteral("FAULT %1 %2").arg(m_name, text));
}

void SessionBase::closeGracefully()
{
    m_context.logger().note(m_name, QStringLiteral("closing the connection"));
    m_socket->disconnectFromHost();
}

bool SessionBase::isOpen() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

} // namespace phonesim
