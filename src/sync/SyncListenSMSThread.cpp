#include "sync/SyncListenSMSThread.h"

#include <QTcpSocket>
#include <algorithm>
#include <memory>
#include <stdexcept>

#include "device/DeviceConnection.h"
#include "device/SMSRecord.h"
#include "device/SimpleProtocol.h"
#include "sync/DataChannel.h"
#include "sync/SyncTimings.h"

namespace {

constexpr int PAUSE_STEP_MS = 50;

} // namespace

SyncListenSMSThread* SyncListenSMSThread::instance()
{
    static SyncListenSMSThread listener;
    return &listener;
}

SyncListenSMSThread::SyncListenSMSThread() : QThread(nullptr)
{
    registerSMSInfoMetaType();
    setListenerHooks([this] { stopListening(); }, [this] { restartListening(); });
}

SyncListenSMSThread::~SyncListenSMSThread()
{
    setListenerHooks({}, {});
    stopListening();
}

void SyncListenSMSThread::stopListening()
{
    stopRequested = true;
    wait();
    stopRequested = false;
}

void SyncListenSMSThread::restartListening()
{
    stopListening();
    start(QThread::InheritPriority);
}

void SyncListenSMSThread::run()
{
    try {
        // Held for the whole run, so that a new connection cannot take it away meanwhile.
        const std::shared_ptr<DeviceConnection> connection = currentConnection();
        if (!connection)
            throw std::runtime_error("No connection.");
        QTcpSocket request;
        DataChannel::request(*connection, request, QStringLiteral("smsrecv://127.0.0.1:%1/"),
                             DATA_PORT);
        if (!pause(SyncTimings::waitBeforeConnectMs())) {
            qDebug("SyncListenSMSThread: end");
            return;
        }
        // A fresh socket per run, closed when the run ends.
        QTcpSocket data;
        DataChannel::connect(*connection, data, DATA_PORT);
        qDebug("SyncListenSMSThread: ready receive SMS");
        listen(data);
    } catch (const std::exception& e) {
        qDebug("SyncListenSMSThread::run, error Occurred, %s", e.what());
        emit errorOccurred(QString::fromUtf8(e.what()));
    }
}

void SyncListenSMSThread::listen(QTcpSocket& data)
{
    for (;;) {
        QString line;
        try {
            line = readLine(&data, READ_TIMEOUT_MS);
        } catch (const simpleprotocol::LineTooLongException&) {
            throw; // the socket's error may still tell of an earlier time-out
        } catch (const simpleprotocol::SocketDataTransferException&) {
            if (stopRequested) {
                qDebug("SyncListenSMSThread: end");
                return;
            }
            // Only a wait that ran out on a live connection is a time-out; the socket keeps
            // its last error, so the error alone would also excuse later failures.
            if (data.error() == QAbstractSocket::SocketTimeoutError &&
                data.state() == QAbstractSocket::ConnectedState)
                continue;
            throw;
        }
        checkReply(line);
        if (!line.startsWith(QLatin1String("$sms:")))
            continue;
        try {
            const SMSInfo sms = parseSMSRecord(line.mid(5));
            emit receivedSMS(sms);
        } catch (const SMSRecordFault& fault) {
            if (fault.kind() == SMSRecordFault::WrongFieldCount)
                qDebug("SMS raw format wrong, less then 5 fields, raw:%s", qUtf8Printable(line));
            else
                qDebug("SMS 'date' field eq zero, raw:%s", qUtf8Printable(line));
            return;
        }
    }
}

bool SyncListenSMSThread::pause(int ms)
{
    for (int left = ms; left > 0; left -= PAUSE_STEP_MS) {
        if (stopRequested)
            return false;
        QThread::msleep(std::min(left, PAUSE_STEP_MS));
    }
    return !stopRequested;
}
