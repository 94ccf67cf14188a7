#pragma once

#include "SessionBase.h"

#include <QList>

namespace phonesim {

// The listener data port: the phone pushes incoming SMS; the program never writes here.
class ListenerSession : public SessionBase
{
    Q_OBJECT
public:
    ListenerSession(QTcpSocket* socket, const QString& name, SimContext& context, QObject* parent);

    // Writes one "$sms:" line; delivered(number) follows once the bytes left the process.
    void deliver(const QByteArray& line, qint64 number);
    bool connected() const { return isOpen(); }
    // Closes the connection, as a phone whose service stopped listening.
    void drop() { closeGracefully(); }

signals:
    void delivered(qint64 number);

protected:
    void handleLine(const QByteArray& line) override;

private:
    struct Mark
    {
        qint64 endOffset;
        qint64 number;
    };
    void onBytesWritten(qint64 bytes);

    qint64 m_queuedBytes = 0;
    qint64 m_writtenBytes = 0;
    QList<Mark> m_marks;
};

} // namespace phonesim
