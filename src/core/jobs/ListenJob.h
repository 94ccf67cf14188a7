#pragma once

#include "core/frame/JobThread.h"
#include "core/frame/SMSInfo.h"

class QTcpSocket;

// The listener for messages the phone receives: a job that runs until stopped (through its
// JobRunner, by its one owner: the main window's ListenerControl, the command line's listen).
// Each run holds the connection it started with, opens its own data socket and closes it when
// the run ends. A stop is a cancel: every wait of a run looks at it at least every 100 ms, and
// the listening loop after every line as well. It ends by itself only with errorOccurred.
class ListenJob : public JobThread
{
    Q_OBJECT
public:
    static constexpr quint16 DATA_PORT = 43256;
    static constexpr int READ_TIMEOUT_MS = 1000;
    // Longest wait of a stop (JobRunner::stop); a run ends well within it.
    static constexpr int STOP_WAIT_MS = 3000;

    ListenJob();

signals:
    void receivedSMS(const SMSInfo& sms);
    // A message was left out (its text is over MAX_BODY_BYTES); listening goes on.
    void leftOut(const QString& text);

protected:
    void work() override;

private:
    void listen(QTcpSocket& data);
};
