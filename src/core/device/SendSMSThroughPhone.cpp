#include "core/device/SendSMSThroughPhone.h"

#include <QTcpSocket>

#include "core/device/DeviceConnection.h"
#include "core/device/SMSRecord.h"
#include "core/device/SimpleProtocol.h"

namespace {

QString base64Utf8(const QString& text)
{
    return QString::fromLatin1(text.toUtf8().toBase64());
}

} // namespace

SMSInfo sendSMSThroughPhone(DeviceConnection* connection, const QString& address,
                            const QString& body)
{
    if (!connection)
        throw simpleprotocol::SocketDataTransferException(QStringLiteral("No connection."));
    QTcpSocket socket;
    connection->open(socket, QStringLiteral("sendsms://127.0.0.1/"));
    writeText(&socket,
              base64Utf8(address) + QLatin1Char(',') + base64Utf8(body) + QLatin1Char('\n'));
    socket.flush();
    const QString reply = awaitReply(&socket);
    // The keyword ("$sms:") is not checked, only cut off.
    const QString raw = reply.mid(5);
    writeCommand(&socket, QStringLiteral("$bye:"), QString(), true);
    const SMSInfo sms = parseSMSRecordFrom(&socket, raw.toLatin1());
    // The message is sent; "$bye:" goes out if it can, and a cancel now changes nothing.
    try {
        waitForWritten(socket, DeviceConnection::CONNECT_TIMEOUT_MS);
    } catch (const std::exception&) {
    }
    return sms;
}
