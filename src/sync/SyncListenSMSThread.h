#pragma once

#include <QThread>
#include <atomic>

#include "app/SMSInfo.h"

class QTcpSocket;

// The one long-lived listener for messages the phone receives. Each run opens its own data
// socket and closes it when the run ends; it keeps the connection it started with alive
// until then. Registers itself with the connection code, so that a new connection stops it
// before the previous connection goes and restarts it afterwards.
class SyncListenSMSThread : public QThread
{
    Q_OBJECT
public:
    static constexpr quint16 DATA_PORT = 43256;
    static constexpr int READ_TIMEOUT_MS = 1000;

    // Created on first use (call it first on the GUI thread).
    static SyncListenSMSThread* instance();

    ~SyncListenSMSThread() override;

    // Ends the current run (within about one read time-out while listening) and waits for
    // it; returns at once when not running. Call it before the application object goes.
    void stopListening();
    void restartListening();

signals:
    void receivedSMS(const SMSInfo& sms);
    void errorOccurred(const QString& text);

protected:
    void run() override;

private:
    SyncListenSMSThread();
    void listen(QTcpSocket& data);
    // Sleeps in short steps; false when a stop was requested meanwhile.
    bool pause(int ms);

    std::atomic<bool> stopRequested{false};
};
