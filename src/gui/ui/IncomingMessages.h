#pragma once

#include <QObject>

#include "core/frame/SMSInfo.h"

class IncomingSMSGate;
class MainWindow;

// The messages the phone received or sent, on their way into the main window: stored at once or
// held while a job runs (IncomingSMSGate), then shown once stored: an incoming one in its chat
// window, a sent one in the list.
class IncomingMessages : public QObject
{
    Q_OBJECT
public:
    explicit IncomingMessages(MainWindow& window);

    // From any thread.
    void offer(const SMSInfo& sms);
    // Held while a job runs.
    qsizetype heldCount() const;

private:
    void show(const SMSInfo& sms);
    // Moves the message's conversation to its place in the list; a failure is shown.
    void noteMessage(const SMSInfo& sms);

    MainWindow& m_window;
    IncomingSMSGate* m_gate;
};
