#pragma once

#include <QThread>

#include "core/frame/SMSInfo.h"

class QTcpSocket;

// The one long-lived listener for messages the phone receives. Each run holds the connection
// it started with, opens its own data socket and closes it when the run ends. A stop is an
// interruption request on the thread: every wait of a run looks at it at least every 100 ms,
// and the listening loop after every line as well.
class ListenJob : public QThread
{
    Q_OBJECT
public:
    static constexpr quint16 DATA_PORT = 43256;
    static constexpr int READ_TIMEOUT_MS = 1000;
    // Longest wait of stopListening; a run ends well within it.
    static constexpr int STOP_WAIT_MS = 3000;

    // Created on first use; call it first on the main thread.
    static ListenJob* instance();

    ~ListenJob() override;

    // Ends the current run and waits for it, at most STOP_WAIT_MS; true when it has ended
    // (at once when not running). Call it before the application object goes.
    bool stopListening();
    // Asks the current run to end and starts a fresh one as soon as it has; never waits.
    void restartListening();

signals:
    void receivedSMS(const SMSInfo& sms);
    void errorOccurred(const QString& text);
    // A message was left out (its text is over MAX_BODY_BYTES); listening goes on.
    void leftOut(const QString& text);

protected:
    void run() override;

private:
    ListenJob();
    void listen(QTcpSocket& data);
    void startWhenEnded();

    bool m_restartPending = false;
};
