#include "core/jobs/ListenJob.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <memory>
#include <stdexcept>

#include "core/device/DeviceConnection.h"
#include "core/device/SMSRecord.h"
#include "core/device/SimpleProtocol.h"
#include "core/frame/BodyLimit.h"
#include "core/frame/Cancellation.h"
#include "core/jobs/DataChannel.h"
#include "core/jobs/PhoneJobTimings.h"

ListenJob::ListenJob() : JobThread("ListenJob")
{
    registerSMSInfoMetaType();
}

void ListenJob::work()
{
    // A fresh socket per run, closed when the run ends.
    QTcpSocket request;
    QTcpSocket data;
    const std::shared_ptr<DeviceConnection> connection =
        DataChannel::open(request, data, QStringLiteral("smsrecv://127.0.0.1:%1/"), DATA_PORT);
    qDebug("ListenJob: ready receive SMS");
    listen(data);
}

void ListenJob::listen(QTcpSocket& data)
{
    // Between messages the phone may rightly say nothing for hours; within a line it may not
    // stay silent longer than the silence limit.
    QElapsedTimer partLineSince;
    qint64 partLineBytes = 0;
    for (;;) {
        // Also between lines: a phone that sends steadily never lets a read time out.
        Cancellation::throwIfRequested();
        QString line;
        try {
            line = readLine(&data, READ_TIMEOUT_MS);
        } catch (const simpleprotocol::LineTooLongException&) {
            throw; // the socket's error may still tell of an earlier time-out
        } catch (const simpleprotocol::SocketDataTransferException&) {
            // Only a wait that ran out on a live connection is a time-out; the socket keeps
            // its last error, so the error alone would also excuse later failures.
            if (data.error() != QAbstractSocket::SocketTimeoutError ||
                data.state() != QAbstractSocket::ConnectedState)
                throw;
            if (data.bytesAvailable() != partLineBytes) {
                partLineBytes = data.bytesAvailable();
                partLineSince.start();
            }
            const int limit = phoneSilenceLimitMs();
            if (partLineBytes > 0 && limit >= 0 && partLineSince.hasExpired(limit))
                throw simpleprotocol::PhoneSilentException(limit);
            continue;
        }
        partLineBytes = 0;
        checkReply(line);
        if (!line.startsWith(QLatin1String("$sms:")))
            continue;
        try {
            const SMSInfo sms = parseSMSRecord(line.mid(5));
            if (bodyOverLimit(sms.body)) {
                qDebug("ListenJob: text over the limit, left out");
                emit leftOut(skippedOverLimitText(1));
                continue;
            }
            emit receivedSMS(sms);
        } catch (const SMSRecordFault& fault) {
            if (fault.kind() == SMSRecordFault::WrongFieldCount)
                qDebug("SMS raw format wrong, less then 5 fields, raw:%s", qUtf8Printable(line));
            else
                qDebug("SMS 'date' field eq zero, raw:%s", qUtf8Printable(line));
            // Monitoring ends here; the user is told so like for any other end of it.
            throw;
        }
    }
}
