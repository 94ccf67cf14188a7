#include "CommandSession.h"

#include "PhoneStore.h"
#include "SimContext.h"
#include "SimLogger.h"
#include "WireText.h"

#include <QDateTime>
#include <QSysInfo>

namespace phonesim {

namespace {

QByteArray requestFor(const char* scheme, int port)
{
    return QByteArray(scheme) + "://127.0.0.1:" + QByteArray::number(port) + '/';
}

} // namespace

CommandSession::CommandSession(QTcpSocket* socket, const QString& name, SimContext& context,
                               QObject* parent)
    : SessionBase(socket, name, context, parent)
{}

void CommandSession::handleLine(const QByteArray& line)
{
    switch (m_state) {
    case State::AwaitRequest:
        handleRequest(line);
        break;
    case State::AwaitMessage:
        handleMessageLine(line);
        break;
    case State::AwaitBye:
        if (line == "$bye:") {
            m_state = State::Done;
        } else if (!takePeerError(line)) {
            fault(QStringLiteral("expected $bye: after the send reply"));
            m_state = State::Done;
        }
        break;
    case State::Done:
        if (!takePeerError(line))
            fault(QStringLiteral("unexpected line after the exchange ended"));
        break;
    }
}

void CommandSession::handleRequest(const QByteArray& line)
{
    m_state = State::Done;
    if (line == "hello://127.0.0.1/") {
        answerHello();
    } else if (line == "sendsms://127.0.0.1/") {
        m_state = State::AwaitMessage;
    } else if (line == requestFor("backup", kBackupPort)) {
        context().arm(kBackupPort, name());
    } else if (line == requestFor("restore", kRestorePort)) {
        context().arm(kRestorePort, name());
    } else if (line == requestFor("smsrecv", kListenerPort)) {
        context().arm(kListenerPort, name());
    } else {
        fault(QStringLiteral("unknown request line"));
        writeLine(errorLine(QStringLiteral("Unknown request.")));
    }
}

void CommandSession::answerHello()
{
    context().countHello();
    switch (context().misbehaviour()) {
    case Misbehaviour::NoHello:
        context().logger().note(name(), QStringLiteral("misbehave no-hello: not answering"));
        return;
    case Misbehaviour::HelloError:
        writeLine(errorLine(QStringLiteral("Service not ready")));
        return;
    default:
        writeLine(
            "$hello:" +
            base64Of(QStringLiteral("Simulated phone (%1)").arg(QSysInfo::machineHostName())));
    }
}

void CommandSession::handleMessageLine(const QByteArray& line)
{
    QString address;
    QString body;
    const QString problem = checkSendLine(line, &address, &body);
    if (!problem.isEmpty()) {
        reject(problem);
        return;
    }
    SimMessage sent;
    sent.dateMs = QDateTime::currentMSecsSinceEpoch();
    sent.isSend = true;
    sent.address = address;
    sent.person = context().personFor(address);
    sent.body = body;
    context().store().add(sent);
    context().countSent();

    QByteArray record = formatPhoneRecord(sent);
    if (context().misbehaviour() == Misbehaviour::SendFields4) {
        record.truncate(record.lastIndexOf(','));
    } else if (context().misbehaviour() == Misbehaviour::SendZeroDate) {
        record = "0" + record.mid(record.indexOf(','));
    }
    writeLine("$sms:" + record);
    context().announce(QStringLiteral("SENT %1").arg(QString::fromLatin1(record)));
    m_state = State::AwaitBye;
}

void CommandSession::reject(const QString& text)
{
    fault(text);
    writeLine(errorLine(text));
    m_state = State::Done;
}

} // namespace phonesim
