#pragma once

// Shared by the phone tests: the phone jobs run without a window, the simulator's store as the
// program reads it, and a scripted phone for the line sequences the simulator does not send.
#include <QElapsedTimer>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "core/device/DeviceConnection.h"
#include "core/device/SMSRecord.h"
#include "core/jobs/PhoneBackupJob.h"
#include "core/jobs/PhoneRestoreJob.h"
#include "support/JobTestSupport.h"
#include "support/PhoneSimProcess.h"
#include "support/TestAccount.h"

namespace synctest {

using namespace jobtest;
using namespace tbtest;

inline RunResult backupFromPhone()
{
    PhoneBackupJob job;
    return runRecorded(job);
}

inline RunResult restoreToPhone(AbsSMSDataSource* source)
{
    PhoneRestoreJob job(source);
    return runRecorded(job);
}

// The records a simulator started with these arguments holds.
inline QList<SMSInfo> simulatorStore(const QStringList& arguments)
{
    QProcess dump;
    dump.start(tbtest::PhoneSimProcess::executablePath(), QStringList{"--dump"} + arguments);
    QList<SMSInfo> list;
    if (!dump.waitForFinished(60000))
        return list;
    for (const QByteArray& line : dump.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty())
            list.append(parseSMSRecord(QString::fromLatin1(line)));
    }
    return list;
}

// A phone service in the test's thread: answers hellos and plays a script on a data port.
// The first part goes out when a data connection comes, each further part after an
// acknowledgement ("$batch:") from the program.
class ScriptedPhone : public QObject
{
public:
    bool listen(const QString& address, quint16 dataPort)
    {
        m_address = address;
        connect(&m_command, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_command.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    while (socket->canReadLine()) {
                        if (socket->readLine().startsWith("hello://"))
                            socket->write("$hello:\n");
                    }
                });
            }
        });
        connect(&m_data, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_data.nextPendingConnection()) {
                connections.append(socket);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    while (socket->canReadLine()) {
                        const QByteArray line = socket->readLine();
                        received += line;
                        if (line == "$batch:\n")
                            playNext(socket);
                    }
                });
                playNext(socket);
            }
        });
        return m_command.listen(QHostAddress(address), DeviceConnection::COMMAND_PORT) &&
               m_data.listen(QHostAddress(address), dataPort);
    }

    // The hello blocks its thread until the answer comes, and the answer comes from this
    // thread: connect from a helper thread.
    void becomeCurrent()
    {
        const QString address = m_address;
        std::unique_ptr<QThread> connecting(
            QThread::create([address] { setConnection(address, address, false); }));
        connecting->start();
        QTRY_VERIFY(connecting->isFinished());
    }

    void setScript(const QList<QByteArray>& parts)
    {
        m_script = parts;
        received.clear();
    }

    void send(const QByteArray& bytes)
    {
        connections.last()->write(bytes);
        connections.last()->flush();
    }

    QList<QTcpSocket*> connections; // data connections, oldest first
    QByteArray received;            // on data connections

private:
    void playNext(QTcpSocket* socket)
    {
        if (!m_script.isEmpty())
            socket->write(m_script.takeFirst());
    }

    QString m_address;
    QTcpServer m_command;
    QTcpServer m_data;
    QList<QByteArray> m_script;
};

} // namespace synctest
