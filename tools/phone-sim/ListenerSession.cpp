#include "ListenerSession.h"

#include <QTcpSocket>

namespace phonesim {

ListenerSession::ListenerSession(QTcpSocket* socket, const QString& name, SimContext& context,
                                 QObject* parent)
    : SessionBase(socket, name, context, parent)
{
    connect(socket, &QTcpSocket::bytesWritten, this, &ListenerSession::onBytesWritten);
}

void ListenerSession::deliver(const QByteArray& line, qint64 number)
{
    writeLine(line);
    m_queuedBytes += line.size() + 1;
    m_marks.append({m_queuedBytes, number});
}

void ListenerSession::onBytesWritten(qint64 bytes)
{
    m_writtenBytes += bytes;
    while (!m_marks.isEmpty() && m_marks.first().endOffset <= m_writtenBytes)
        emit delivered(m_marks.takeFirst().number);
}

void ListenerSession::handleLine(const QByteArray& line)
{
    if (!takePeerError(line))
        fault(QStringLiteral("the program wrote to the listener connection"));
}

} // namespace phonesim
