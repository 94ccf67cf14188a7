#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

namespace phonesim {

class SimContext;

// One accepted connection: splits what arrives into lines and hands them on one by one.
// Deletes itself when the peer has gone.
class SessionBase : public QObject
{
    Q_OBJECT
public:
    SessionBase(QTcpSocket* socket, const QString& name, SimContext& context, QObject* parent);

    QString name() const { return m_name; }

protected:
    virtual void handleLine(const QByteArray& line) = 0;
    virtual void handleClosed() {}
    // Whether a received line is shown in the log (records of big transfers are not).
    virtual bool logsReceived(const QByteArray& line) const;

    void writeLine(const QByteArray& line, bool logIt = true);
    void writeRaw(const QByteArray& bytes);
    // Reports an "$error:" line from the program; returns true if the line was one.
    bool takePeerError(const QByteArray& line);
    void fault(const QString& text);
    void closeGracefully();
    bool isOpen() const;

    QTcpSocket* socket() const { return m_socket; }
    SimContext& context() const { return m_context; }

private:
    void readLines();

    QTcpSocket* m_socket;
    QString m_name;
    SimContext& m_context;
    QByteArray m_buffer;
    bool m_stopReading = false;
};

} // namespace phonesim
