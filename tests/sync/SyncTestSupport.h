#pragma once

// Shared by the sync tests: a phone job run for real behind its progress dialog, the
// simulator's store as the test decodes it, and a scripted phone for the line sequences the
// simulator does not send.
#include <QHostAddress>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QtTest>
#include <memory>

#include "PhoneSimProcess.h"
#include "app/JobThread.h"
#include "app/ProgressForm.h"
#include "common/DialogRecorder.h"
#include "device/DeviceConnection.h"
#include "device/PhoneTestSupport.h"
#include "device/SMSRecord.h"
#include "sync/SyncBackupThread.h"
#include "sync/SyncRestoreThread.h"

namespace synctest {

struct JobOutcome
{
    int result = -1;
    QList<DialogRecorder::Message> boxes;
    QStringList progress; // "percent text", in the order the job reported them
    QString label;        // the dialog's label and bar when it closed
    int bar = -1;

    QString lastBoxText() const { return boxes.isEmpty() ? QString() : boxes.last().text; }
};

// Runs the job behind a real ProgressForm (modal, offscreen) and answers its boxes.
// beforeWait runs once the dialog has closed, while the job may still be running.
inline JobOutcome runAndRecord(ProgressForm& form, JobThread& job,
                               const std::function<void()>& beforeWait = {})
{
    JobOutcome outcome;
    DialogRecorder boxes;
    QObject::connect(&job, &JobThread::updateProgress, &form,
                     [&](int percent, const QString& text) {
                         outcome.progress << QString::number(percent) + u' ' + text;
                     });
    outcome.result = runJob(form, job, [&](int) {
        if (beforeWait)
            beforeWait();
    });
    // Whatever the job reported after the dialog closed must not show up later either.
    QCoreApplication::processEvents();
    outcome.boxes = boxes.messages;
    outcome.label = form.progressLabel()->text();
    outcome.bar = form.progressBar()->value();
    return outcome;
}

inline JobOutcome backupFromPhone()
{
    ProgressForm form(QStringLiteral("Backing up SMS now"));
    SyncRestoreThread job(&form);
    return runAndRecord(form, job);
}

inline JobOutcome restoreToPhone(AbsSMSDataSource* source)
{
    ProgressForm form(QStringLiteral("Restoring SMS to Android now"));
    SyncBackupThread job(source, &form);
    return runAndRecord(form, job);
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

// Equal as the database keeps them: the date to the second.
inline bool sameStored(const SMSInfo& a, const SMSInfo& b)
{
    return a.date.toSecsSinceEpoch() == b.date.toSecsSinceEpoch() && a.isSend == b.isSend &&
           a.address == b.address && a.person == b.person && a.body == b.body;
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
